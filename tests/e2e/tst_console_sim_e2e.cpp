#include "consolepoints.h"
#include "consoleprocess.h"
#include "simprocess.h"
#include "xserver.h"
#include "xtools.h"

#include <QFileInfo>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

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

struct LoggedPose
{
    double x = 0.0;
    double y = 0.0;
    double heading = 0.0;

    bool operator==(const LoggedPose &other) const
    {
        return x == other.x && y == other.y && heading == other.heading;
    }
};

std::optional<LoggedPose> parsePose(const QString &line)
{
    static const QRegularExpression format(
        QStringLiteral(R"(^pose x=(-?\d+\.\d+) y=(-?\d+\.\d+) heading=(\d+\.\d+)$)"));
    const QRegularExpressionMatch match = format.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    return LoggedPose{match.captured(1).toDouble(), match.captured(2).toDouble(),
                      match.captured(3).toDouble()};
}

// Only lines the log has ended: the last one may still be arriving.
QStringList completeLines(const QString &log)
{
    QStringList lines = log.split(u'\n');
    lines.removeLast();
    return lines;
}

// Poses in lines [from, to); to < 0 means to the end.
QList<LoggedPose> posesIn(const QStringList &lines, qsizetype from, qsizetype to = -1)
{
    QList<LoggedPose> poses;
    const qsizetype end = to < 0 ? lines.size() : to;
    for (qsizetype i = qMax<qsizetype>(from, 0); i < end; ++i) {
        if (const auto pose = parsePose(lines.at(i)))
            poses.append(*pose);
    }
    return poses;
}

// The newest pose before line `at`; the robot's position when that line came.
std::optional<LoggedPose> poseBefore(const QStringList &lines, qsizetype at)
{
    const QList<LoggedPose> poses = posesIn(lines, 0, at);
    return poses.isEmpty() ? std::nullopt : std::optional<LoggedPose>(poses.constLast());
}

QString describe(const LoggedPose &pose)
{
    return QStringLiteral("(%1, %2, %3°)").arg(pose.x).arg(pose.y).arg(pose.heading);
}

// The end of the log, repeats folded, enough to see what the robot did last.
QString tail(const QStringList &lines)
{
    QStringList folded;
    for (qsizetype i = 0; i < lines.size();) {
        qsizetype end = i;
        while (end < lines.size() && lines.at(end) == lines.at(i))
            ++end;
        folded << (end - i > 1 ? QStringLiteral("%1 (x%2)").arg(lines.at(i)).arg(end - i)
                               : lines.at(i));
        i = end;
    }
    return QStringLiteral("log ends:\n") +
           folded.mid(qMax<qsizetype>(folded.size() - 24, 0)).join(u'\n');
}

} // namespace

// Runs the real console against the real simulator on a private X server and
// judges the console only by what the robot reports back into the log box, as
// an operator would see it. Every test starts a fresh robot and console.
class tst_ConsoleSimE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    // Steering with the pointer
    void pointerOnForwardDrivesAlongXThenStopBarHoldsPose();
    void pointerOnLeftTurnsInPlaceCounterclockwise();

    // Steering with the keyboard
    void unmappedKeyWhileDrivingLeavesStopToRobotWatchdog();

private:
    // Helpers report through m_failure and return false; the test then fails with it.
    bool startConnectedConsole();
    // Reads the log through whatever control has the keyboard: call with the log box focused.
    QStringList logLines();
    bool focusLog();
    bool waitForLog(const std::function<bool(const QStringList &)> &done, QStringList *lines);

    std::unique_ptr<XServer> m_server;
    std::unique_ptr<XTools> m_x;
    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<ConsoleProcess> m_console;
    QString m_failure;
};

void tst_ConsoleSimE2E::initTestCase()
{
    const QString missing = XTools::missingTools();
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
    QVERIFY2(QFileInfo(QStringLiteral(TAVIMORK_EXECUTABLE)).isExecutable(), TAVIMORK_EXECUTABLE);
    QVERIFY2(QFileInfo(QStringLiteral(TAVIMORK_SIM_EXECUTABLE)).isExecutable(),
             TAVIMORK_SIM_EXECUTABLE);

    m_server = std::make_unique<XServer>();
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    m_x = std::make_unique<XTools>(m_server->clientEnvironment());
}

void tst_ConsoleSimE2E::init()
{
    m_failure.clear();
    QString error;
    // As on an operator's desktop: a held key repeats after 250 ms, 30 times a second.
    QVERIFY2(m_x->setKeyRepeat(250, 30, &error), qPrintable(error));
    QVERIFY(m_x->xdotool({QStringLiteral("mousemove"), QString::number(ParkedPointer.x()),
                          QString::number(ParkedPointer.y())}));
}

void tst_ConsoleSimE2E::cleanup()
{
    m_console.reset();
    // A simulator that quit on its own lost its line: the log would not tell.
    const bool simAlive = !m_sim || m_sim->isRunning();
    const QString simEnd = m_sim ? m_sim->exitDescription() : QString();
    m_sim.reset();
    QVERIFY2(simAlive, qPrintable(QStringLiteral("the simulator %1").arg(simEnd)));
}

void tst_ConsoleSimE2E::cleanupTestCase()
{
    m_console.reset();
    m_sim.reset();
    m_x.reset();
    m_server.reset();
}

bool tst_ConsoleSimE2E::startConnectedConsole()
{
    m_sim = std::make_unique<SimProcess>(QStringLiteral(TAVIMORK_SIM_EXECUTABLE));
    if (!m_sim->start()) {
        m_failure = m_sim->errorString();
        return false;
    }
    m_console = std::make_unique<ConsoleProcess>(*m_x, QStringLiteral(TAVIMORK_EXECUTABLE));
    if (!m_console->start(m_sim->devicePath())) {
        m_failure = m_console->errorString();
        return false;
    }
    if (!m_console->click(ConnectButton.center()) || !focusLog())
        return false;
    // The robot only talks to a console that holds its device, so a pose in
    // the log means connected and reading.
    QStringList lines;
    if (!waitForLog([](const QStringList &seen) { return !posesIn(seen, 0).isEmpty(); }, &lines)) {
        m_failure = QStringLiteral("no pose from the robot after Connect; ") + tail(lines);
        return false;
    }
    return true;
}

// The log as the operator can take it: select all, copy, paste elsewhere. Keys
// only, so the pointer stays wherever it steers.
QStringList tst_ConsoleSimE2E::logLines()
{
    const std::optional<QString> text = m_console->copyFocusedText();
    if (!text)
        return {QStringLiteral("(cannot copy the log: %1)").arg(m_console->errorString())};
    return completeLines(*text);
}

bool tst_ConsoleSimE2E::focusLog()
{
    if (m_console->click(LogBox.center()))
        return true;
    m_failure = m_console->errorString();
    return false;
}

// The copy lands on the clipboard whenever the console gets to it, so poll.
bool tst_ConsoleSimE2E::waitForLog(const std::function<bool(const QStringList &)> &done,
                                   QStringList *lines)
{
    return QTest::qWaitFor(
        [&] {
            *lines = logLines();
            return done(*lines);
        },
        WaitMs);
}

// Steering with the pointer

void tst_ConsoleSimE2E::pointerOnForwardDrivesAlongXThenStopBarHoldsPose()
{
    QVERIFY2(startConnectedConsole(), qPrintable(m_failure));

    QVERIFY(m_console->moveTo(ForwardLabel));
    QStringList lines;
    qsizetype driveAt = -1;
    std::optional<LoggedPose> start;
    const bool drove = waitForLog(
        [&](const QStringList &seen) {
            driveAt = seen.indexOf(DriveForward);
            if (driveAt < 0)
                return false;
            start = poseBefore(seen, driveAt);
            const QList<LoggedPose> moving = posesIn(seen, driveAt);
            return start && !moving.isEmpty() &&
                   moving.constLast().x - start->x > ClearTravelMetres;
        },
        &lines);
    QVERIFY2(drove, qPrintable(QStringLiteral("no clear forward travel; ") + tail(lines)));
    // Heading 0 faces +x: straight ahead leaves y and the heading alone.
    for (const LoggedPose &pose : posesIn(lines, driveAt)) {
        QVERIFY2(pose.y == start->y && pose.heading == start->heading,
                 qPrintable(describe(pose) + u' ' + tail(lines)));
    }
    // The console repeats faster than the robot's watchdog, so nothing stopped it.
    QVERIFY2(!lines.mid(driveAt).join(u'\n').contains(QLatin1String("event stop")),
             qPrintable(tail(lines)));

    QVERIFY(m_console->moveTo(StopAbove.center()));
    qsizetype stopAt = -1;
    const bool stopped = waitForLog(
        [&](const QStringList &seen) {
            stopAt = seen.indexOf(StopByCommand, driveAt);
            return stopAt >= 0 && posesIn(seen, stopAt).size() >= StillPoseCount;
        },
        &lines);
    QVERIFY2(stopped,
             qPrintable(QStringLiteral("no stop with still poses after it; ") + tail(lines)));
    const QList<LoggedPose> still = posesIn(lines, stopAt);
    for (const LoggedPose &pose : still)
        QVERIFY2(pose == still.constFirst(), qPrintable(describe(pose) + u' ' + tail(lines)));
    QVERIFY2(still.constFirst().x - start->x > ClearTravelMetres, qPrintable(tail(lines)));
    // One drive and one stop: the repetition never lapsed into a watchdog stop.
    QCOMPARE(lines.count(DriveForward), qsizetype(1));
    QCOMPARE(lines.count(StopByWatchdog), qsizetype(0));
}

void tst_ConsoleSimE2E::pointerOnLeftTurnsInPlaceCounterclockwise()
{
    QVERIFY2(startConnectedConsole(), qPrintable(m_failure));

    QVERIFY(m_console->moveTo(LeftLabel));
    QStringList lines;
    qsizetype turnAt = -1;
    std::optional<LoggedPose> start;
    const bool turned = waitForLog(
        [&](const QStringList &seen) {
            turnAt = seen.indexOf(TurnLeft);
            if (turnAt < 0)
                return false;
            start = poseBefore(seen, turnAt);
            const QList<LoggedPose> turning = posesIn(seen, turnAt);
            // Counterclockwise raises the heading; well short of wrapping at 360.
            return start && !turning.isEmpty() &&
                   turning.constLast().heading - start->heading > ClearTurnDegrees;
        },
        &lines);
    QVERIFY2(turned, qPrintable(QStringLiteral("no clear left turn; ") + tail(lines)));
    for (const LoggedPose &pose : posesIn(lines, turnAt)) {
        QVERIFY2(pose.x == start->x && pose.y == start->y,
                 qPrintable(describe(pose) + u' ' + tail(lines)));
    }

    QVERIFY(m_console->moveTo(StopLeft.center()));
    const bool stopped = waitForLog(
        [&](const QStringList &seen) { return seen.indexOf(StopByCommand, turnAt) >= 0; }, &lines);
    QVERIFY2(stopped, qPrintable(QStringLiteral("no stop after the turn; ") + tail(lines)));
}

// Steering with the keyboard

void tst_ConsoleSimE2E::unmappedKeyWhileDrivingLeavesStopToRobotWatchdog()
{
    // X keeps repeating a held W while Shift is down, and each repeat of a held
    // steering key starts its direction again, as it should; with repeat off the
    // halt is all the console does, and only the robot's watchdog can stop it.
    QVERIFY(m_x->run(QStringLiteral("xset"), {QStringLiteral("r"), QStringLiteral("off")}).ok());
    const QString state =
        QString::fromLocal8Bit(m_x->run(QStringLiteral("xset"), {QStringLiteral("q")}).output);
    QVERIFY2(state.contains(QRegularExpression(QStringLiteral("auto repeat:\\s+off"))),
             qPrintable(state));
    QVERIFY2(startConnectedConsole(), qPrintable(m_failure));
    QVERIFY(m_console->click(KeyboardButton.center()));

    // Held long enough to carry the robot forward.
    QVERIFY(m_console->keyDown(QStringLiteral("w")));
    QTest::qWait(600);
    // Shift halts without writing a stop, while W stays held.
    QVERIFY(m_console->keyDown(QStringLiteral("Shift_L")));
    QTest::qWait(1000);
    // Releasing writes a stop, which a robot already stopped does not report.
    QVERIFY(m_console->keyUp(QStringLiteral("w")));
    QVERIFY(m_console->keyUp(QStringLiteral("Shift_L")));

    // The log box takes the focus only now: leaving the button with W held would stop.
    QVERIFY2(focusLog(), qPrintable(m_failure));
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

    const std::optional<LoggedPose> start = poseBefore(lines, driveAt);
    QVERIFY(start);
    const QList<LoggedPose> still = posesIn(lines, stopAt);
    for (const LoggedPose &pose : still)
        QVERIFY2(pose == still.constFirst(), qPrintable(describe(pose) + u' ' + tail(lines)));
    QVERIFY2(still.constFirst().x - start->x > ClearTravelMetres,
             qPrintable(describe(*start) + QStringLiteral(" to ") + describe(still.constFirst()) +
                        u' ' + tail(lines)));
}

QTEST_GUILESS_MAIN(tst_ConsoleSimE2E)
#include "tst_console_sim_e2e.moc"
