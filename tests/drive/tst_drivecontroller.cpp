#include "drivecommands.h"
#include "drivecontroller.h"
#include "fakeseriallink.h"

#include <QTest>

class TestDriveController : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        link = std::make_unique<FakeSerialLink>();
        link->setPortOpen(true);
        controller = std::make_unique<DriveController>(*link);
    }
    void cleanup()
    {
        controller.reset();
        link.reset();
    }

    void ticksBeforeAnyDirectionPutNoByteOnTheLine()
    {
        QVERIFY(controller->isRepeating());
        controller->tmr_Send_Command_Timer();
        controller->tmr_Send_Command_Timer();
        QCOMPARE(link->written, QByteArray());
    }

    void directionWritesNothingUntilTheNextTickThenOnEveryTick()
    {
        controller->direction(DriveCommand::Forward);
        QCOMPARE(link->written, QByteArray());
        controller->tmr_Send_Command_Timer();
        controller->tmr_Send_Command_Timer();
        QCOMPARE(link->written, QByteArray("88"));
    }

    void switchingDirectionBetweenTicksWritesOnlyTheNewCommand()
    {
        controller->direction(DriveCommand::Forward);
        controller->tmr_Send_Command_Timer();
        controller->direction(DriveCommand::Backward);
        controller->direction(DriveCommand::Left);
        controller->tmr_Send_Command_Timer();
        QCOMPARE(link->written, QByteArray("84"));
    }

    void stopWritesOneStopByteThenDisablesRepetition()
    {
        controller->direction(DriveCommand::Right);
        controller->stop();
        QCOMPARE(link->written, QByteArray("5"));
        QVERIFY(!controller->isRepeating());
        // The last direction stays current; a stop never replaces it.
        QCOMPARE(controller->command(), QStringLiteral("6"));

        controller->stop();
        controller->stop();
        QCOMPARE(link->written, QByteArray("555"));
    }

    void noDirectionBytesFollowAStopHoweverLongOneWaits()
    {
        controller->direction(DriveCommand::Forward);
        QTRY_VERIFY(link->written.contains('8'));
        controller->stop();
        const QByteArray afterStop = link->written;
        QVERIFY(afterStop.endsWith('5'));
        QTest::qWait(10 * DriveCommand::RepeatPeriod.count());
        QCOMPARE(link->written, afterStop);
    }

    void stopWithPortClosedWritesNothingAndStillDisables()
    {
        link->setPortOpen(false);
        controller->direction(DriveCommand::Forward);
        controller->stop();
        QCOMPARE(link->written, QByteArray());
        QVERIFY(!controller->isRepeating());
    }

    void haltEndsRepetitionWithoutWriting()
    {
        controller->direction(DriveCommand::Forward);
        controller->halt();
        QVERIFY(!controller->isRepeating());
        QCOMPARE(link->written, QByteArray());
        QCOMPARE(controller->command(), QStringLiteral("8"));
    }

    void directionAfterStopResumesRepetitionWithTheNewCommand()
    {
        controller->direction(DriveCommand::Forward);
        controller->stop();
        controller->direction(DriveCommand::Backward);
        QVERIFY(controller->isRepeating());
        controller->tmr_Send_Command_Timer();
        QCOMPARE(link->written, QByteArray("52"));
    }

    void repetitionResumesAfterReconnectWithoutNewSteering()
    {
        controller->direction(DriveCommand::Right);
        controller->tmr_Send_Command_Timer();
        link->setPortOpen(false);
        controller->tmr_Send_Command_Timer();
        QVERIFY(controller->isRepeating());
        link->setPortOpen(true);
        controller->tmr_Send_Command_Timer();
        QCOMPARE(link->written, QByteArray("66"));
    }

    void realTimerRepeatsTheCurrentDirection()
    {
        controller->direction(DriveCommand::Left);
        QTRY_VERIFY(link->written.size() >= 3);
        QCOMPARE(link->written, QByteArray(link->written.size(), '4'));
    }

    void receivedBytesDoNotChangeWhatIsWritten()
    {
        controller->direction(DriveCommand::Forward);
        link->receive("5");
        link->receive("2\r\n");
        controller->tmr_Send_Command_Timer();
        QCOMPARE(link->written, QByteArray("8"));
    }

private:
    std::unique_ptr<FakeSerialLink> link;
    std::unique_ptr<DriveController> controller;
};

QTEST_GUILESS_MAIN(TestDriveController)
#include "tst_drivecontroller.moc"
