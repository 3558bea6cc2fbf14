#include "drivecommands.h"
#include "drivesession.h"
#include "logrecording.h"
#include "manualticksource.h"
#include "periodictimer.h"
#include "pseudoterminal.h"
#include "qtseriallink.h"
#include "receivedlog.h"
#include "receivedtextqueue.h"
#include "recordingmessageboxpresenter.h"
#include "tavimork_pc_controlled_bot.h"
#include "windowwatch.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <thread>

// The window and a drive session on its own thread, as the program runs them,
// with a pseudo-terminal as the robot.
class TestDriveSessionThread : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        window.reset();
        drive.reset();
        far.reset();
        m_received.clear();
    }

    void stepsReachTheLineInTheOrderTheWindowPostedThem()
    {
        start(new ManualTickSource);
        moveOnto("lblStop1");
        QWidget *forward = find("lblForward");
        QWidget *stopBar = find("lblStop1");
        auto tick = [this] {
            QMetaObject::invokeMethod(ticks, [t = ticks] { t->fire(); });
        };
        // Nothing here waits for the drive thread: only the queue keeps the order.
        QTest::mouseMove(forward, forward->rect().center());
        tick();
        tick();
        QTest::mouseMove(find("lblLeft"), find("lblLeft")->rect().center());
        tick();
        QTest::mouseMove(stopBar, stopBar->rect().center());
        tick();
        QTest::mouseMove(stopBar, stopBar->rect().center() + QPoint(1, 0));
        QTRY_COMPARE(received(), QByteArray("588455"));
    }

    void frozenWindowHasTheRobotStoppedUntilItAnswersAgain()
    {
        start(new PeriodicTimer(RobotLine::RepeatPeriod));
        moveOnto("lblForward");
        QTRY_VERIFY(received().count('8') >= 3);

        // Well past the silence limit, with no events handled meanwhile.
        QThread::msleep(800);
        const QByteArray whileFrozen = received();
        QVERIFY2(QRegularExpression(QStringLiteral("^8+5$"))
                     .match(QString::fromLatin1(whileFrozen))
                     .hasMatch(),
                 whileFrozen.right(40).constData());

        QTRY_VERIFY(received().size() > whileFrozen.size() + 2);
        QVERIFY(received().mid(whileFrozen.size()).count('8') ==
                received().size() - whileFrozen.size());
    }

    void firstTickAfterTheProcessStoodStillWritesNoDirection()
    {
        start(new ManualTickSource);
        moveOnto("lblForward");
        auto tick = [this] {
            QMetaObject::invokeMethod(ticks, [t = ticks] { t->fire(); });
        };
        tick();
        QTRY_COMPARE(received(), QByteArray("8"));

        // As after SIGSTOP and SIGCONT: the drive thread stood still past the
        // silence limit, and a tick is the first thing it runs.
        QMetaObject::invokeMethod(ticks, [t = ticks] {
            QThread::msleep(WindowWatch::SilenceLimit.count() + 100);
            t->fire();
        });
        QTRY_COMPARE(received(), QByteArray("85"));
        // The window answers the next ping, and the drive resumes.
        QTest::qWait(2 * WindowWatch::PingPeriod.count());
        tick();
        QTRY_COMPARE(received(), QByteArray("858"));
    }

    void closingWhileDrivingStopsOnceAndFreesThePortBeforeReturning()
    {
        start(new PeriodicTimer(RobotLine::RepeatPeriod));
        moveOnto("lblForward");
        QTRY_VERIFY(received().contains('8'));
        window->close();
        QVERIFY(received().endsWith('5'));
        QCOMPARE(received().count('5'), 1);
        // Free at once: another link can have it.
        QtSerialLink other(portOne());
        QVERIFY2(other.setPortOpen(true), qPrintable(other.errorString()));
    }

    void sessionDestroyedWithoutShutdownStillStopsAndFreesThePort()
    {
        far = std::make_unique<PseudoTerminal>();
        QVERIFY(far->isValid());
        auto *manual = new ManualTickSource;
        auto session = std::make_unique<DriveSession>(std::make_unique<QtSerialLink>(portOne()),
                                                      std::unique_ptr<TickSource>(manual));
        QVERIFY(session->open(1).opened);
        session->direction(DriveCommand::Forward);
        manual->fire();
        session.reset();
        QTRY_COMPARE(received(), QByteArray("85"));
        QtSerialLink other(portOne());
        QVERIFY2(other.setPortOpen(true), qPrintable(other.errorString()));
    }

    void lossArrivingWhileStepsAreInFlightClosesOnce()
    {
        start(new PeriodicTimer(RobotLine::RepeatPeriod));
        QSignalSpy lost(drive->session(), &DriveSession::portClosed);
        QVERIFY(lost.isValid());
        QWidget *forward = find("lblForward");
        QWidget *stopBar = find("lblStop1");
        for (int i = 0; i < 50; ++i) {
            QTest::mouseMove(forward, forward->rect().center() + QPoint(i % 2, 0));
            QTest::mouseMove(stopBar, stopBar->rect().center() + QPoint(i % 2, 0));
            if (i == 25)
                far->hangUp();
        }
        QTRY_COMPARE(lost.count(), 1);
        QTRY_VERIFY(find<QPushButton>("cmdConn")->isEnabled());
        QVERIFY(!find<QPushButton>("cmdDisc")->isEnabled());
        QVERIFY(find<QLabel>("lblStatus")->text().contains(QStringLiteral("lost")));
        QTest::qWait(100);
        QCOMPARE(lost.count(), 1);
        QVERIFY(!lost.first().at(1).toString().isEmpty());
    }

    void farEndThatStopsReadingGetsNoPileOfDirectionsAndTheStopLast()
    {
        start(new ManualTickSource);
        moveOnto("lblForward");
        // Far more ticks than the line holds, with nobody reading.
        const int tickCount = 40000;
        fireWhileTheWindowAnswers(tickCount);
        QTRY_VERIFY2(find<QLabel>("lblStatus")->text().contains(QStringLiteral("not reading")),
                     qPrintable(find<QLabel>("lblStatus")->text()));
        moveOnto("lblStop1");

        QTRY_VERIFY(received().endsWith('5'));
        QCOMPARE(received().count('5'), 1);
        QVERIFY2(received().count('8') < tickCount / 2, QByteArray::number(received().count('8')));
        QTRY_VERIFY(find<QLabel>("lblStatus")->text().contains(QStringLiteral("open")));
    }

    void closingOnALineThatStoppedReadingStillGetsTheStopOut()
    {
        start(new ManualTickSource);
        moveOnto("lblForward");
        fireWhileTheWindowAnswers(40000);
        QTRY_VERIFY(find<QLabel>("lblStatus")->text().contains(QStringLiteral("not reading")));

        // The far end reads again a moment into the close, which waits for it.
        QByteArray drained;
        std::thread farEnd([this, &drained] {
            QThread::msleep(100);
            QDeadlineTimer deadline(2000);
            while (!drained.endsWith('5') && !deadline.hasExpired())
                far->readInto(&drained);
        });
        window->close();
        farEnd.join();
        QVERIFY(drained.endsWith('5'));
        QCOMPARE(drained.count('5'), 1);
    }

    void floodReachesTheLogWholeInBoundedBatches()
    {
        start(new ManualTickSource);
        QSignalSpy batches(drive->session(), &DriveSession::received);
        QVERIFY(batches.isValid());
        QByteArray sent;
        for (int line = 0; sent.size() < 200'000; ++line)
            sent += QByteArray("pose x=") + QByteArray::number(line) + "\r\n";
        for (qsizetype at = 0; at < sent.size();) {
            const qsizetype taken = far->writeSome(sent.mid(at, 4096));
            at += taken;
            if (taken == 0)
                QTest::qWait(1);
        }

        auto *log = find<QPlainTextEdit>("txtInput");
        const QString expected = QString::fromLatin1(sent).replace(QStringLiteral("\r\n"), "\n");
        QTRY_COMPARE_WITH_TIMEOUT(log->toPlainText(), expected, 20000);
        QVERIFY(batches.count() >= sent.size() / ReceivedTextQueue::MaxBatchCharacters);
        QByteArray bytes;
        for (const QList<QVariant> &arrivals : batches) {
            QString text;
            for (const ReceivedArrival &arrival : arrivals.at(0).value<ReceivedBatch>()) {
                text += arrival.text;
                bytes += arrival.bytes;
            }
            QVERIFY(text.size() <= ReceivedTextQueue::MaxBatchCharacters);
            QVERIFY(text.count(u'\n') <= ReceivedTextQueue::MaxBatchLines);
        }
        QCOMPARE(bytes, sent);
    }

    // The port closes right after the robot's last words (the operator
    // disconnects, or closes the console): they still reach the log and the
    // recording's text form, though the port closed under them and the
    // window's event loop may not run again.
    void lastWordsBeforeThePortClosesAreKept_data()
    {
        QTest::addColumn<QString>("closing");
        for (const char *closing : {"Disconnect", "window closed"})
            QTest::newRow(closing) << QString::fromLatin1(closing);
    }
    void lastWordsBeforeThePortClosesAreKept()
    {
        QFETCH(QString, closing);
        start(new ManualTickSource);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("robot.log"));
        window->findChild<ReceivedLog *>()->setShowTime(true);
        window->findChild<LogRecording *>()->start(path);
        auto *log = find<QPlainTextEdit>("txtInput");
        // Within a gather period of earlier text, so the link holds them.
        QVERIFY(far->write("ready\r\n"));
        QTRY_VERIFY(log->toPlainText().contains("ready"));
        QVERIFY(far->write("last words\r\n"));
        if (closing == u"Disconnect") {
            find<QPushButton>("cmdDisc")->click();
            QTRY_VERIFY(log->toPlainText().contains("last words"));
        }
        window.reset();
        QFile text(path + QStringLiteral(".txt"));
        QVERIFY(text.open(QIODevice::ReadOnly));
        const QByteArray recorded = text.readAll();
        QVERIFY2(recorded.endsWith(" last words\n"), recorded.constData());
    }

private:
    PortDirectory portOne() const
    {
        QProcessEnvironment env;
        env.insert(PortDirectory::overrideVariable(1), far->slavePath());
        return PortDirectory(env, {});
    }

    // Ticks in batches, with the window answering the session's pings in
    // between: one batch that kept the drive thread busy past the silence
    // limit would look like a frozen window, and add that stop to the count.
    void fireWhileTheWindowAnswers(int count) const
    {
        constexpr int Batch = 1000;
        for (int fired = 0; fired < count; fired += Batch) {
            QMetaObject::invokeMethod(
                ticks, [t = ticks] { t->fire(Batch); }, Qt::BlockingQueuedConnection);
            QCoreApplication::processEvents();
        }
    }

    void start(ManualTickSource *manual)
    {
        ticks = manual, start(static_cast<TickSource *>(manual));
    }
    void start(TickSource *repeatTimer)
    {
        far = std::make_unique<PseudoTerminal>();
        QVERIFY(far->isValid());
        auto link = std::make_unique<QtSerialLink>(portOne());
        const PortDirectory &directory = link->directory();
        drive = std::make_unique<DriveSessionThread>(
            new DriveSession(std::move(link), std::unique_ptr<TickSource>(repeatTimer)));
        window = std::make_unique<Tavimork_PC_Controlled_Bot>(
            *drive->session(), std::make_unique<RecordingMessageBoxPresenter>(), directory);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        find<QPushButton>("cmdConn")->click();
        QTRY_VERIFY(find<QPushButton>("cmdDisc")->isEnabled());
    }

    // From plain background: Qt drops a move to where the pointer already
    // is. Each move comes in from outside the window, so no path joins it to
    // the last one.
    void moveOnto(const char *name) const
    {
        for (const QPoint point : {QPoint(2, 60), find(name)->geometry().center()}) {
            QEnterEvent enter(point, point, window->mapToGlobal(point));
            QCoreApplication::sendEvent(window.get(), &enter);
            QTest::mouseMove(window.get(), point);
        }
    }

    template <typename Widget = QWidget> Widget *find(const char *name) const
    {
        auto *widget = window->findChild<Widget *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

    QByteArray received()
    {
        far->readInto(&m_received);
        return m_received;
    }

    std::unique_ptr<PseudoTerminal> far;
    std::unique_ptr<DriveSessionThread> drive;
    std::unique_ptr<Tavimork_PC_Controlled_Bot> window;
    ManualTickSource *ticks = nullptr;
    QByteArray m_received;
};

QTEST_MAIN(TestDriveSessionThread)
#include "tst_drivesessionthread.moc"
