#include "terminationsignals.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

// Each termination signal ends up as received() on the event loop, and never
// as the signal's default action, which would end the program mid-drive.
class tst_TerminationSignals : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TerminationSignals::prepareProcess(); }

    void eachSignalArrivesThroughTheEventLoop_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
    }

    void eachSignalArrivesThroughTheEventLoop()
    {
        QFETCH(int, signalNumber);
        TerminationSignals termination;
        QSignalSpy received(&termination, &TerminationSignals::received);
        QVERIFY(received.isValid());

        QCOMPARE(std::raise(signalNumber), 0);
        // Not from inside the handler: only once the loop runs.
        QCOMPARE(received.count(), 0);
        QVERIFY(received.wait(2000));
        QTest::qWait(50);
        QCOMPARE(received.count(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_TerminationSignals)
#include "tst_terminationsignals.moc"
