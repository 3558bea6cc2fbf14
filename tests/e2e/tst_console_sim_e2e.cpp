#include "consolepoints.h"
#include "consolesession.h"
#include "poseline.h"
#include "simprocess.h"

#include <QRect>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <xcb/xcb.h>

#include <functional>
#include <memory>
#include <optional>

namespace {

using namespace ConsolePoints;

// Generous: the machine is shared and slow at times.
constexpr int WaitMs = 15000;
// Well above what rounding or a late pose line could account for.
constexpr double ClearTravelMetres = 0.2;
constexpr double ClearTurnDegrees = 30.0;
// At one pose line per 250 ms, a still robot shows this many in under a second.
constexpr int StillPoseCount = 3;

const QString DriveForward = QStringLiteral("event drive cmd=8");
const QString TurnLeft = QStringLiteral("event drive cmd=4");
const QString StopByCommand = QStringLiteral("event stop reason=command");
const QString StopByWatchdog = QStringLiteral("event stop reason=watchdog");

// A start that fails one time in ten shows in four runs of five.
constexpr int StartsOnResettingServer = 15;
// Well past the toolkit's connection, made within 200 ms of a start.
constexpr int UnwatchedMs = 500;
// Nothing opens port 1 before Connect.
const QString NowherePort = QStringLiteral("/dev/null/tavimork-e2e-port1");

struct Move
{
    QStringList lines;
    qsizetype eventAt = -1;
    // Where the robot was when the event came.
    Pose start;
};

bool samePose(const Pose &a, const Pose &b)
{
    return a.x == b.x && a.y == b.y && a.headingDegrees == b.headingDegrees;
}

// Poses in lines [from, to); to < 0 means to the end.
QList<Pose> posesIn(const QStringList &lines, qsizetype from, qsizetype to = -1)
{
    QList<Pose> poses;
    const qsizetype end = to < 0 ? lines.size() : to;
    for (qsizetype i = qMax<qsizetype>(from, 0); i < end; ++i) {
        if (const auto pose = parsePoseLine(lines.at(i)))
            poses.append(*pose);
    }
    return poses;
}

// The newest pose before line `at`; the robot's position when that line came.
std::optional<Pose> poseBefore(const QStringList &lines, qsizetype at)
{
    const QList<Pose> poses = posesIn(lines, 0, at);
    return poses.isEmpty() ? std::nullopt : std::optional<Pose>(poses.constLast());
}

QString describe(const Pose &pose)
{
    return QStringLiteral("(%1, %2, %3°)").arg(pose.x).arg(pose.y).arg(pose.headingDegrees);
}

// The end of the log, repeats folded, enough to see what the robot did last.
QString tail(const QStringList &lines)
{
    QStringList folded;
    for (const auto &[line, count] : runsIn(lines))
        folded << (count > 1 ? QStringLiteral("%1 (x%2)").arg(line).arg(count) : line);
    return QStringLiteral("log ends:\n") +
           folded.mid(qMax<qsizetype>(folded.size() - 24, 0)).join(u'\n');
}

// Another X client that connects and leaves again every 20 ms, as a program
// polling the display would. Each time it leaves, a server that resets does
// so unless somebody else is connected.
class ComingAndGoingClient
{
public:
    explicit ComingAndGoingClient(const QString &display)
        : m_thread(QThread::create([name = display.toLocal8Bit()] {
            while (!QThread::currentThread()->isInterruptionRequested()) {
                xcb_disconnect(xcb_connect(name.constData(), nullptr));
                QThread::msleep(20);
            }
        }))
    {
        m_thread->start();
    }
    ~ComingAndGoingClient()
    {
        m_thread->requestInterruption();
        m_thread->wait();
    }

private:
    const std::unique_ptr<QThread> m_thread;
};

} // namespace

// Runs the real console against the real simulator on a private X server and
// judges the console only by what the robot reports back into the log box, as
// an operator would see it. Every test starts a fresh robot and console. Both
// programs also start alone, on a server of their own that resets.
class tst_ConsoleSimE2E : public ConsoleSession
{
    Q_OBJECT

public:
    tst_ConsoleSimE2E()
        : ConsoleSession(WaitMs)
    {}

private slots:
    void initTestCase();
    void init();
    void cleanup();

    // Starting
    void everyStartShowsItsWindowOnAServerThatResets_data();
    void everyStartShowsItsWindowOnAServerThatResets();

    // Steering with the pointer
    void pointerOnForwardDrivesAlongXThenStopBarHoldsPose();
    void pointerOnLeftTurnsInPlaceCounterclockwise();

    // Steering with the keyboard
    void unmappedKeyWhileDrivingLeavesStopToRobotWatchdog();

private:
    bool consoleShowsItsWindow(const XTools &x);
    bool simulatorShowsItsWindow(const XTools &x);
    bool startConnectedConsole();
    // Polls the log's lines: call with the log box focused.
    bool waitForLog(const std::function<bool(const QStringList &)> &done, QStringList *lines);
    // Moves the pointer onto label, then waits for the robot to report event
    // and for coordinate to rise by more than clear from where it was then.
    bool steer(QPoint label, const QString &event, double Pose::*coordinate, double clear,
               Move *move);
    // Every pose from line stopAt on is the same, clearly ahead of start.
    bool heldStillAheadOf(const Pose &start, const QStringList &lines, qsizetype stopAt);

    std::unique_ptr<SimProcess> m_sim;
};

void tst_ConsoleSimE2E::initTestCase()
{
    startServer({QStringLiteral(TAVIMORK_SIM_EXECUTABLE)});
}

void tst_ConsoleSimE2E::init()
{
    startTest();
}

void tst_ConsoleSimE2E::cleanup()
{
    stopConsole();
    // A simulator that quit on its own lost its line: the log would not tell.
    const bool simAlive = !m_sim || m_sim->isRunning();
    const QString simEnd = m_sim ? m_sim->exitDescription() : QString();
    m_sim.reset();
    QVERIFY2(simAlive, qPrintable(QStringLiteral("the simulator %1").arg(simEnd)));
}

bool tst_ConsoleSimE2E::consoleShowsItsWindow(const XTools &x)
{
    ConsoleProcess console(x, program());
    return console.start(NowherePort, WaitMs, UnwatchedMs) || fail(console.errorString());
}

bool tst_ConsoleSimE2E::simulatorShowsItsWindow(const XTools &x)
{
    SimProcess sim;
    sim.process().setProcessEnvironment(x.environment());
    // Its device line comes once it holds its own connection, and nothing of
    // the test's looks at the server before.
    if (!sim.start({}))
        return fail(sim.errorString());
    return !x.waitForWindow(sim.process().processId(), QStringLiteral("^Tavimork robot simulator"),
                            WaitMs)
                .isEmpty() ||
           fail(QStringLiteral("no simulator window appeared"));
}

bool tst_ConsoleSimE2E::startConnectedConsole()
{
    m_sim = std::make_unique<SimProcess>();
    if (!m_sim->start())
        return fail(m_sim->errorString());
    if (!startConsole(m_sim->devicePath()) || !click(ConnectButton) || !click(LogBox))
        return false;
    // The robot only talks to a console that holds its device, so a pose in
    // the log means connected and reading.
    QStringList lines;
    return waitForLog([](const QStringList &seen) { return !posesIn(seen, 0).isEmpty(); },
                      &lines) ||
           fail(QStringLiteral("no pose from the robot after Connect; ") + tail(lines));
}

// The copy lands on the clipboard whenever the console gets to it, so poll.
bool tst_ConsoleSimE2E::waitForLog(const std::function<bool(const QStringList &)> &done,
                                   QStringList *lines)
{
    return waitFor([&] { return done(*lines = logLines()); });
}

bool tst_ConsoleSimE2E::steer(QPoint label, const QString &event, double Pose::*coordinate,
                              double clear, Move *move)
{
    if (!console().moveTo(label))
        return fail(console().errorString());
    const bool moved = waitForLog(
        [&](const QStringList &seen) {
            move->eventAt = seen.indexOf(event);
            const std::optional<Pose> start = poseBefore(seen, move->eventAt);
            if (move->eventAt < 0 || !start)
                return false;
            move->start = *start;
            const QList<Pose> moving = posesIn(seen, move->eventAt);
            return !moving.isEmpty() &&
                   moving.constLast().*coordinate - move->start.*coordinate > clear;
        },
        &move->lines);
    return moved ||
           fail(QStringLiteral("no clear move after \"%1\"; ").arg(event) + tail(move->lines));
}

bool tst_ConsoleSimE2E::heldStillAheadOf(const Pose &start, const QStringList &lines,
                                         qsizetype stopAt)
{
    const QList<Pose> still = posesIn(lines, stopAt);
    for (const Pose &pose : still) {
        if (!samePose(pose, still.constFirst()))
            return fail(describe(pose) + u' ' + tail(lines));
    }
    return still.constFirst().x - start.x > ClearTravelMetres ||
           fail(describe(start) + QStringLiteral(" to ") + describe(still.constFirst()) + u' ' +
                tail(lines));
}

// Starting

void tst_ConsoleSimE2E::everyStartShowsItsWindowOnAServerThatResets_data()
{
    QTest::addColumn<bool>("simulator");
    QTest::newRow("console") << false;
    QTest::newRow("simulator") << true;
}

void tst_ConsoleSimE2E::everyStartShowsItsWindowOnAServerThatResets()
{
    QFETCH(bool, simulator);
    XServer server(XServer::LastClientLeaving::Resets);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    const XTools ownX(server.clientEnvironment());
    const ComingAndGoingClient other(server.display());
    for (int start = 1; start <= StartsOnResettingServer; ++start) {
        const bool shown = simulator ? simulatorShowsItsWindow(ownX) : consoleShowsItsWindow(ownX);
        QVERIFY2(shown, qPrintable(QStringLiteral("start %1: %2").arg(start).arg(failure())));
    }
}

// Steering with the pointer

void tst_ConsoleSimE2E::pointerOnForwardDrivesAlongXThenStopBarHoldsPose()
{
    QVERIFY2(startConnectedConsole(), qPrintable(failure()));

    Move drive;
    QVERIFY2(steer(ForwardLabel, DriveForward, &Pose::x, ClearTravelMetres, &drive),
             qPrintable(failure()));
    QStringList lines = drive.lines;
    // Heading 0 faces +x: straight ahead leaves y and the heading alone.
    for (const Pose &pose : posesIn(lines, drive.eventAt)) {
        QVERIFY2(pose.y == drive.start.y && pose.headingDegrees == drive.start.headingDegrees,
                 qPrintable(describe(pose) + u' ' + tail(lines)));
    }
    // The console repeats faster than the robot's watchdog, so nothing stopped it.
    QVERIFY2(!lines.mid(drive.eventAt).join(u'\n').contains(QLatin1String("event stop")),
             qPrintable(tail(lines)));

    QVERIFY(console().moveTo(StopAbove.center()));
    qsizetype stopAt = -1;
    const bool stopped = waitForLog(
        [&](const QStringList &seen) {
            stopAt = seen.indexOf(StopByCommand, drive.eventAt);
            return stopAt >= 0 && posesIn(seen, stopAt).size() >= StillPoseCount;
        },
        &lines);
    QVERIFY2(stopped,
             qPrintable(QStringLiteral("no stop with still poses after it; ") + tail(lines)));
    QVERIFY2(heldStillAheadOf(drive.start, lines, stopAt), qPrintable(failure()));
    // One drive and one stop: the repetition never lapsed into a watchdog stop.
    QCOMPARE(lines.count(DriveForward), qsizetype(1));
    QCOMPARE(lines.count(StopByWatchdog), qsizetype(0));
}

void tst_ConsoleSimE2E::pointerOnLeftTurnsInPlaceCounterclockwise()
{
    QVERIFY2(startConnectedConsole(), qPrintable(failure()));

    Move turn;
    // Counterclockwise raises the heading; well short of wrapping at 360.
    QVERIFY2(steer(LeftLabel, TurnLeft, &Pose::headingDegrees, ClearTurnDegrees, &turn),
             qPrintable(failure()));
    for (const Pose &pose : posesIn(turn.lines, turn.eventAt)) {
        QVERIFY2(pose.x == turn.start.x && pose.y == turn.start.y,
                 qPrintable(describe(pose) + u' ' + tail(turn.lines)));
    }

    QVERIFY(console().moveTo(StopLeft.center()));
    QStringList lines;
    const bool stopped = waitForLog(
        [&](const QStringList &seen) { return seen.indexOf(StopByCommand, turn.eventAt) >= 0; },
        &lines);
    QVERIFY2(stopped, qPrintable(QStringLiteral("no stop after the turn; ") + tail(lines)));
}

// Steering with the keyboard

void tst_ConsoleSimE2E::unmappedKeyWhileDrivingLeavesStopToRobotWatchdog()
{
    // X keeps repeating a held W while Shift is down, and each repeat of a held
    // steering key starts its direction again, as it should; with repeat off the
    // halt is all the console does, and only the robot's watchdog can stop it.
    QVERIFY(x().run(QStringLiteral("xset"), {QStringLiteral("r"), QStringLiteral("off")}).ok());
    const QString state =
        QString::fromLocal8Bit(x().run(QStringLiteral("xset"), {QStringLiteral("q")}).output);
    QVERIFY2(state.contains(QRegularExpression(QStringLiteral("auto repeat:\\s+off"))),
             qPrintable(state));
    QVERIFY2(startConnectedConsole(), qPrintable(failure()));
    QVERIFY(console().click(KeyboardButton.center()));

    // Held long enough to carry the robot forward.
    QVERIFY(console().keyDown(QStringLiteral("w")));
    QTest::qWait(600);
    // Shift halts without writing a stop, while W stays held.
    QVERIFY(console().keyDown(QStringLiteral("Shift_L")));
    QTest::qWait(1000);
    // Releasing writes a stop, which a robot already stopped does not report.
    QVERIFY(console().keyUp(QStringLiteral("w")));
    QVERIFY(console().keyUp(QStringLiteral("Shift_L")));

    // The log box takes the focus only now: leaving the button with W held would stop.
    QVERIFY2(click(LogBox), qPrintable(failure()));
    QStringList lines;
    qsizetype stopAt = -1;
    const bool settled = waitForLog(
        [&](const QStringList &seen) {
            stopAt = seen.indexOf(StopByWatchdog);
            // A stop by command settles it too, the wrong way: no need to wait out the timeout.
            return seen.contains(StopByCommand) ||
                   (stopAt >= 0 && posesIn(seen, stopAt).size() >= StillPoseCount);
        },
        &lines);
    // The only stop bytes come with the releases, and a stopped robot does not report them.
    QVERIFY2(!lines.contains(StopByCommand),
             qPrintable(QStringLiteral("stopped by command, not by its watchdog: the console "
                                       "wrote while the keys were held; ") +
                        tail(lines)));
    QVERIFY2(settled, qPrintable(QStringLiteral("no watchdog stop with still poses after it; ") +
                                 tail(lines)));

    const qsizetype driveAt = lines.indexOf(DriveForward);
    QVERIFY2(driveAt >= 0 && driveAt < stopAt, qPrintable(tail(lines)));
    QCOMPARE(lines.count(DriveForward), qsizetype(1));

    const std::optional<Pose> start = poseBefore(lines, driveAt);
    QVERIFY(start);
    QVERIFY2(heldStillAheadOf(*start, lines, stopAt), qPrintable(failure()));
}

QTEST_GUILESS_MAIN(tst_ConsoleSimE2E)
#include "tst_console_sim_e2e.moc"
