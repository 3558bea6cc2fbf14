#include "receivedtextqueue.h"

#include <QSignalSpy>
#include <QTest>

class TestReceivedTextQueue : public QObject
{
    Q_OBJECT

private slots:
    // A reply after a quiet spell shows at once; text that follows waits for
    // its frame, counted from the last batch.
    void firstTextGoesAtOnceThenOneBatchAFrame()
    {
        ReceivedTextQueue queue(nullptr, std::chrono::hours(1));
        QSignalSpy batches(&queue, &ReceivedTextQueue::batchReady);
        auto arrival = [](const char *bytes) {
            return ReceivedArrival{
                ReceivedArrival::Kind::Bytes, {}, {}, bytes, QString::fromLatin1(bytes)};
        };

        queue.append(arrival("ok\n"));
        QTRY_COMPARE(batches.count(), 1);
        queue.batchShown();
        queue.append(arrival("pose 1\n"));
        queue.append(arrival("pose 2\n"));
        QCoreApplication::processEvents();
        QCOMPARE(batches.count(), 1);
        QCOMPARE(queue.queuedCharacters(), 14);
    }
};

QTEST_GUILESS_MAIN(TestReceivedTextQueue)
#include "tst_receivedtextqueue.moc"
