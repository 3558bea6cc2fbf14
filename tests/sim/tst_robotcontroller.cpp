#include "fakeclock.h"
#include "robotcontroller.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <memory>

using namespace std::chrono_literals;

namespace {

constexpr auto TickInterval = 20ms;
constexpr auto WatchdogTimeout = 250ms;
constexpr double SpeedMetresPerSecond = RobotModel::LinearSpeedMetresPerSecond;

double travel(std::chrono::milliseconds duration)
{
    return SpeedMetresPerSecond * std::chrono::duration<double>(duration).count();
}

bool near(double actual, double expected)
{
    return std::abs(actual - expected) < 1e-9;
}

} // namespace

class TestRobotController : public QObject
{
    Q_OBJECT

private:
    void recreate(std::chrono::milliseconds watchdog, std::chrono::milliseconds poseInterval);
    // Ticks like the step timer until `duration` has passed.
    void run(std::chrono::milliseconds duration);
    QList<QByteArray> lines(const char *prefix) const;
    double x() const { return m_controller->model().pose().x; }
    Motion motion() const { return m_controller->model().motion(); }

    FakeClock m_clock;
    std::unique_ptr<RobotController> m_controller;
    std::unique_ptr<QSignalSpy> m_lines;

private slots:
    void init();

    // Command handling
    void commandByteStartsMotion();
    void stopIsImmediate();
    void switchingDirectionNeedsNoStop();

    // Watchdog
    void silenceStopsAtTheDeadline_data();
    void silenceStopsAtTheDeadline();
    void otherBytesNeitherStartNorRefresh();
    void commandAfterUnnoticedExpiryStopsFirst();

    void poseLinesKeepToTheInterval();
};

void TestRobotController::recreate(std::chrono::milliseconds watchdog,
                                   std::chrono::milliseconds poseInterval)
{
    m_lines.reset();
    m_controller = std::make_unique<RobotController>(&m_clock, watchdog, poseInterval);
    m_lines = std::make_unique<QSignalSpy>(m_controller.get(), &RobotController::statusLine);
}

void TestRobotController::run(std::chrono::milliseconds duration)
{
    for (; duration > 0ms; duration -= std::min(TickInterval, duration)) {
        m_clock.advance(std::min(TickInterval, duration));
        m_controller->tick();
    }
}

QList<QByteArray> TestRobotController::lines(const char *prefix) const
{
    QList<QByteArray> result;
    for (const QList<QVariant> &arguments : *m_lines) {
        if (arguments.constFirst().toByteArray().startsWith(prefix))
            result.append(arguments.constFirst().toByteArray());
    }
    return result;
}

void TestRobotController::init()
{
    recreate(WatchdogTimeout, 250ms);
}

void TestRobotController::commandByteStartsMotion()
{
    const struct
    {
        char command;
        Motion motion;
        double x; // after 200 ms
        double heading;
    } cases[] = {
        {'8', Motion::Forward, 0.1, 0.0},
        {'2', Motion::Backward, -0.1, 0.0},
        {'4', Motion::TurnLeft, 0.0, 18.0},
        {'6', Motion::TurnRight, 0.0, 342.0},
    };
    for (const auto &c : cases) {
        init();
        m_controller->handleBytes(QByteArray(1, c.command));
        QCOMPARE(motion(), c.motion);
        QCOMPARE(lines("event"),
                 QList<QByteArray>{QByteArray("event drive cmd=") + c.command + "\r\n"});
        run(200ms);
        QVERIFY2(near(x(), c.x), qPrintable(QString::number(x())));
        QVERIFY(near(m_controller->model().pose().headingDegrees, c.heading));
    }
}

void TestRobotController::stopIsImmediate()
{
    m_controller->handleBytes("8");
    run(100ms);
    // Between ticks: it must stop where it is now, not where the last tick left it.
    m_clock.advance(10ms);
    m_controller->handleBytes("5");

    QCOMPARE(motion(), Motion::Stop);
    QCOMPARE(lines("event").constLast(), QByteArray("event stop reason=command\r\n"));
    QVERIFY(near(x(), travel(110ms)));

    run(1s);
    m_controller->handleBytes("5"); // standing still: nothing new to report
    QVERIFY(near(x(), travel(110ms)));
    QCOMPARE(lines("event").size(), 2);
}

void TestRobotController::switchingDirectionNeedsNoStop()
{
    m_controller->handleBytes("8");
    run(200ms);
    m_controller->handleBytes("2");
    run(200ms);

    QCOMPARE(lines("event"), (QList<QByteArray>{"event drive cmd=8\r\n", "event drive cmd=2\r\n"}));
    QVERIFY(near(x(), 0.0));
}

void TestRobotController::silenceStopsAtTheDeadline_data()
{
    QTest::addColumn<int>("timeoutMs");

    QTest::newRow("100 ms") << 100;
    QTest::newRow("250 ms") << 250;
    QTest::newRow("1000 ms") << 1000;
}

void TestRobotController::silenceStopsAtTheDeadline()
{
    QFETCH(int, timeoutMs);
    const std::chrono::milliseconds timeout(timeoutMs);
    recreate(timeout, 250ms);

    // Refreshed just inside the timeout, it keeps going.
    constexpr int refreshes = 3; // few enough to stay clear of the walls
    for (int i = 0; i < refreshes; ++i) {
        m_controller->handleBytes("8");
        run(timeout - TickInterval);
    }
    QCOMPARE(motion(), Motion::Forward);
    QVERIFY(lines("event stop").isEmpty());

    // Noticed a little late on purpose: it still only travels until the deadline.
    run(2 * TickInterval + 7ms);
    QCOMPARE(motion(), Motion::Stop);
    QCOMPARE(lines("event stop"), QList<QByteArray>{"event stop reason=watchdog\r\n"});
    QVERIFY(near(x(), travel((timeout - TickInterval) * (refreshes - 1) + timeout)));
}

void TestRobotController::otherBytesNeitherStartNorRefresh()
{
    QByteArray noise;
    for (int value = 0; value < 256; ++value) {
        if (!QByteArray("24568").contains(char(value)))
            noise += char(value);
    }
    m_controller->handleBytes(noise);
    run(100ms);
    QCOMPARE(motion(), Motion::Stop);
    QVERIFY(lines("event").isEmpty());

    m_controller->handleBytes("8");
    run(200ms);
    m_controller->handleBytes(noise);
    run(100ms);
    QCOMPARE(lines("event stop"), QList<QByteArray>{"event stop reason=watchdog\r\n"});
}

void TestRobotController::commandAfterUnnoticedExpiryStopsFirst()
{
    // No tick in between, as when the process was descheduled for a while.
    m_controller->handleBytes("8");
    m_clock.advance(WatchdogTimeout * 3);
    m_controller->handleBytes("8");

    QCOMPARE(lines("event"),
             (QList<QByteArray>{"event drive cmd=8\r\n", "event stop reason=watchdog\r\n",
                                "event drive cmd=8\r\n"}));
    QCOMPARE(motion(), Motion::Forward);
    QVERIFY(near(x(), travel(WatchdogTimeout)));
}

void TestRobotController::poseLinesKeepToTheInterval()
{
    // Ticks do not divide the interval evenly; the rate must not drift.
    constexpr auto interval = 90ms;
    constexpr auto duration = 9s;
    recreate(WatchdogTimeout, interval);
    run(duration);
    QCOMPARE(lines("pose").size(), duration / interval + 1); // the first goes out at once
}

QTEST_GUILESS_MAIN(TestRobotController)
#include "tst_robotcontroller.moc"
