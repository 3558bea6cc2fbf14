#include "drivecommands.h"
#include "drivecontroller.h"
#include "fakeclock.h"
#include "fakeseriallink.h"
#include "manualticksource.h"
#include "periodictimer.h"
#include "receivedtextqueue.h"
#include "windowwatch.h"

#include <QSignalSpy>
#include <QTest>

class TestDriveController : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        link = std::make_unique<FakeSerialLink>();
        link->setPortOpen(true);
        ticks = new ManualTickSource;
        controller = std::make_unique<DriveController>(*link, ticks);
    }
    void cleanup()
    {
        controller.reset();
        link.reset();
    }

    void ticksBeforeAnyDirectionPutNoByteOnTheLine()
    {
        QVERIFY(controller->state().repeating);
        ticks->fire();
        ticks->fire();
        QCOMPARE(link->written, QByteArray());
    }

    void directionWritesNothingUntilTheNextTickThenOnEveryTick()
    {
        controller->direction(DriveCommand::Forward);
        QCOMPARE(link->written, QByteArray());
        ticks->fire();
        ticks->fire();
        QCOMPARE(link->written, QByteArray("88"));
    }

    void switchingDirectionBetweenTicksWritesOnlyTheNewCommand()
    {
        controller->direction(DriveCommand::Forward);
        ticks->fire();
        controller->direction(DriveCommand::Backward);
        controller->direction(DriveCommand::Left);
        ticks->fire();
        QCOMPARE(link->written, QByteArray("84"));
    }

    void stopWritesOneStopByteThenDisablesRepetition()
    {
        controller->direction(DriveCommand::Right);
        controller->stop();
        QCOMPARE(link->written, QByteArray("5"));
        QVERIFY(!controller->state().repeating);
        // The last direction stays current; a stop never replaces it.
        QCOMPARE(controller->state().command, DriveCommand::Right);

        controller->stop();
        controller->stop();
        QCOMPARE(link->written, QByteArray("555"));
    }

    void stopWithPortClosedWritesNothingAndStillDisables()
    {
        link->setPortOpen(false);
        controller->direction(DriveCommand::Forward);
        controller->stop();
        QCOMPARE(link->written, QByteArray());
        QVERIFY(!controller->state().repeating);
    }

    void haltEndsRepetitionWithoutWriting()
    {
        controller->direction(DriveCommand::Forward);
        controller->halt();
        QVERIFY(!controller->state().repeating);
        QCOMPARE(link->written, QByteArray());
        QCOMPARE(controller->state().command, DriveCommand::Forward);
    }

    void directionAfterStopResumesRepetitionWithTheNewCommand()
    {
        controller->direction(DriveCommand::Forward);
        controller->stop();
        controller->direction(DriveCommand::Backward);
        QVERIFY(controller->state().repeating);
        ticks->fire();
        QCOMPARE(link->written, QByteArray("52"));
    }

    void repetitionResumesAfterReconnectWithoutNewSteering()
    {
        controller->direction(DriveCommand::Right);
        ticks->fire();
        link->setPortOpen(false);
        ticks->fire();
        QVERIFY(controller->state().repeating);
        link->setPortOpen(true);
        ticks->fire();
        QCOMPARE(link->written, QByteArray("66"));
    }

    void realTimerRepeatsUntilTheStopAndNotAfter()
    {
        DriveController real(*link, new PeriodicTimer(RobotLine::RepeatPeriod));
        real.direction(DriveCommand::Left);
        QTRY_VERIFY(link->written.size() >= 3);
        real.stop();
        const QByteArray afterStop = link->written;
        QCOMPARE(afterStop, QByteArray(afterStop.size() - 1, '4') + '5');
        QTest::qWait(10 * RobotLine::RepeatPeriod.count());
        QCOMPARE(link->written, afterStop);
    }

    void holdStopsADrivenRobotOnceAndReleaseResumesAsItWas()
    {
        QSignalSpy repeatTicks(controller.get(), &DriveController::repeatTick);
        controller->direction(DriveCommand::Forward);
        ticks->fire();
        controller->hold();
        controller->hold();
        ticks->fire(3);
        QCOMPARE(link->written, QByteArray("85"));
        // Held ticks still reach the window watch, whose ping brings the release.
        QCOMPARE(repeatTicks.count(), 4);
        QVERIFY(controller->state().repeating);
        controller->release();
        ticks->fire();
        QCOMPARE(link->written, QByteArray("858"));
    }

    void holdWritesNothingWhenNotDriving()
    {
        controller->hold(); // nothing asked for yet
        controller->release();
        controller->direction(DriveCommand::Forward);
        controller->halt();
        controller->hold(); // halted
        controller->release();
        link->setPortOpen(false);
        controller->direction(DriveCommand::Forward);
        controller->hold(); // port closed
        QCOMPARE(link->written, QByteArray());
    }

    void stalledLineKeepsOneDirectionWaitingAndAStopGoesAheadOfIt()
    {
        QSignalSpy stalled(controller.get(), &DriveController::outputStalled);
        QVERIFY(stalled.isValid());
        link->stalled = true;
        controller->direction(DriveCommand::Forward);
        ticks->fire(5);
        QCOMPARE(link->queued, QByteArray("8"));
        QCOMPARE(stalled.count(), 4);

        controller->stop();
        QCOMPARE(link->queued, QByteArray("5"));
        // A Disconnect now drops what waits but keeps the operator's stop.
        controller->dropQueued();
        QCOMPARE(link->queued, QByteArray("5"));

        link->readAgain();
        controller->direction(DriveCommand::Backward);
        ticks->fire();
        controller->halt();
        link->stalled = true;
        controller->direction(DriveCommand::Left);
        ticks->fire(2);
        controller->dropQueued();
        QCOMPARE(link->queued, QByteArray());
        QCOMPARE(link->written, QByteArray("52"));
    }

    // The dead man's check that hold() and release() answer to.
    void windowSilentPastTheLimitIsFrozenOnceUntilItAnswers()
    {
        using std::chrono::milliseconds;
        FakeClock clock;
        WindowWatch watch(clock);
        QSignalSpy frozen(&watch, &WindowWatch::frozen);
        QSignalSpy thawed(&watch, &WindowWatch::thawed);
        QSignalSpy pings(&watch, &WindowWatch::ping);

        // Nobody drives: silence means nothing, and nobody is asked.
        clock.advance(WindowWatch::SilenceLimit * 4);
        watch.tick();
        QCOMPARE(frozen.count(), 0);
        QCOMPARE(pings.count(), 0);

        // Asked on the first tick, then on the first a ping period later.
        watch.setWatching(true);
        watch.tick();
        clock.advance(WindowWatch::PingPeriod - milliseconds(1));
        watch.tick();
        QCOMPARE(pings.count(), 1);
        clock.advance(milliseconds(1));
        watch.tick();
        QCOMPARE(pings.count(), 2);

        clock.advance(WindowWatch::SilenceLimit - WindowWatch::PingPeriod);
        watch.tick();
        QCOMPARE(frozen.count(), 0);
        clock.advance(milliseconds(1));
        watch.tick();
        watch.tick();
        QCOMPARE(frozen.count(), 1);
        // Still asked while frozen: only an answer ends the hold.
        clock.advance(WindowWatch::PingPeriod);
        watch.tick();
        QCOMPARE(pings.count(), 4);

        watch.answered();
        QCOMPARE(thawed.count(), 1);
        // The answer restarts the count.
        clock.advance(WindowWatch::SilenceLimit);
        watch.tick();
        QCOMPARE(frozen.count(), 1);

        // Frozen when the drive ends: thawed, so the next drive starts free.
        clock.advance(milliseconds(1));
        watch.tick();
        QCOMPARE(frozen.count(), 2);
        watch.setWatching(false);
        QCOMPARE(thawed.count(), 2);
    }

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

    void receivedBytesDoNotChangeWhatIsWritten()
    {
        controller->direction(DriveCommand::Forward);
        link->receive("5");
        link->receive("2\r\n");
        ticks->fire();
        QCOMPARE(link->written, QByteArray("8"));
    }

private:
    std::unique_ptr<FakeSerialLink> link;
    ManualTickSource *ticks = nullptr;
    std::unique_ptr<DriveController> controller;
};

QTEST_GUILESS_MAIN(TestDriveController)
#include "tst_drivecontroller.moc"
