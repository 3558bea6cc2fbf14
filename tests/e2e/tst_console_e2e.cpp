#include "consolepoints.h"
#include "consoleprocess.h"
#include "robotline.h"
#include "xserver.h"
#include "xtools.h"

#include <QFileInfo>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

#include <csignal>

namespace {

using namespace ConsolePoints;

const QString CanNotOpenTitle = QStringLiteral("Can not open port !!!");

// Generous: the machine is shared and slow at times.
constexpr int WaitMs = 10000;
// How long "nothing more is written" is watched for.
constexpr int QuietMs = 300;
constexpr qint64 NsPerMs = 1000000;

// "8x31 5x1": readable in a failure message, whatever the length.
QString runs(const QByteArray &bytes)
{
    QStringList parts;
    for (qsizetype i = 0; i < bytes.size();) {
        qsizetype end = i;
        while (end < bytes.size() && bytes.at(end) == bytes.at(i))
            ++end;
        const char c = bytes.at(i);
        const QString shown = (c >= 0x20 && c < 0x7f)
                                  ? QString(QLatin1Char(c))
                                  : QStringLiteral("\\x%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
        parts << QStringLiteral("%1x%2").arg(shown).arg(end - i);
        i = end;
    }
    return parts.isEmpty() ? QStringLiteral("(nothing)") : parts.join(u' ');
}

bool matches(const QByteArray &bytes, const char *pattern)
{
    return QRegularExpression(QString::fromLatin1(pattern))
        .match(QString::fromLatin1(bytes))
        .hasMatch();
}

qint64 medianIntervalMs(const QList<qint64> &arrivals)
{
    QList<qint64> intervals;
    for (qsizetype i = 1; i < arrivals.size(); ++i)
        intervals << arrivals.at(i) - arrivals.at(i - 1);
    if (intervals.isEmpty())
        return -1;
    std::nth_element(intervals.begin(), intervals.begin() + intervals.size() / 2, intervals.end());
    return intervals.at(intervals.size() / 2) / NsPerMs;
}

} // namespace

// Runs the real console on its own X server, steers it with xdotool the way an
// operator would and watches its serial port from the robot's end of a pty.
// Every test starts a fresh console and line, so none depends on another.
class tst_ConsoleE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    // Connecting
    void connectSetsLineTo57600Baud8N1();
    void connectToMissingPortShowsCanNotOpenBox();

    // Steering with the pointer
    void pointerOnLabelRepeatsItsDirection_data();
    void pointerOnLabelRepeatsItsDirection();
    void pointerOnStopZoneWritesStopPerMoveThenNothing_data();
    void pointerOnStopZoneWritesStopPerMoveThenNothing();
    void sweepLeftMiddleRightWritesLeftThenStopThenRight();
    void pointerOnBackgroundKeepsDirection_data();
    void pointerOnBackgroundKeepsDirection();
    void flickOverAStopBarStops_data();
    void flickOverAStopBarStops();

    // Steering with the keyboard
    void steeringKeyRepeatsDirectionUntilReleased_data();
    void steeringKeyRepeatsDirectionUntilReleased();
    void heldKeyWritesOneStopOnlyWhenReleased();
    void secondKeyWhileFirstHeldSwitchesDirection();
    void arrowKeyStopsAndKeepsTheKeyboardButtonSteering();

    // Text from the robot
    void logShowsReceivedText_data();
    void logShowsReceivedText();
    void floodOfTextKeepsConsoleResponsive();

    // Closing the window
    void closingWhileDrivingWritesOneStopAndReleasesPort();
    void closingWhileIdleWritesNothing();

    // Ending without the close button
    void terminationSignalWhileDrivingWritesOneStopAndReleasesPort_data();
    void terminationSignalWhileDrivingWritesOneStopAndReleasesPort();
    void losingXServerWhileDrivingWritesOneStopAndReleasesPort();

private:
    // Helpers report through m_failure and return false; the test then fails with it.
    // On the shared X server unless given another.
    bool startConsole(const QString &port1Device, const XTools *x = nullptr);
    bool startConnectedConsole(const XTools *x = nullptr);
    bool steer(QPoint label, char command, int atLeast);
    bool waitForStopAfter(qsizetype mark);
    QString logText();
    bool waitForLog(const QString &expected, QString *seen);
    bool waitForCloseAndRelease();
    bool waitForExitAndRelease();

    std::unique_ptr<XServer> m_server;
    std::unique_ptr<XTools> m_x;
    std::unique_ptr<RobotLine> m_line;
    std::unique_ptr<ConsoleProcess> m_console;
    QString m_failure;
};

void tst_ConsoleE2E::initTestCase()
{
    const QString missing = XTools::missingTools();
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
    QVERIFY2(QFileInfo(QStringLiteral(TAVIMORK_EXECUTABLE)).isExecutable(), TAVIMORK_EXECUTABLE);

    m_server = std::make_unique<XServer>();
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    m_x = std::make_unique<XTools>(m_server->clientEnvironment());
    QString error;
    // As on an operator's desktop: a held key repeats after 250 ms, 30 times a second.
    QVERIFY2(m_x->setKeyRepeat(250, 30, &error), qPrintable(error));
}

void tst_ConsoleE2E::init()
{
    m_failure.clear();
    m_line = std::make_unique<RobotLine>();
    QVERIFY2(m_line->isValid(), qPrintable(m_line->errorString()));
    QVERIFY(m_x->xdotool({QStringLiteral("mousemove"), QString::number(ParkedPointer.x()),
                          QString::number(ParkedPointer.y())}));
}

void tst_ConsoleE2E::cleanup()
{
    m_console.reset();
    m_line.reset();
    // Num Lock is the server's, not the console's: leave it as found.
    QString error;
    QVERIFY2(m_x->setNumLock(false, &error), qPrintable(error));
}

void tst_ConsoleE2E::cleanupTestCase()
{
    m_console.reset();
    m_x.reset();
    m_server.reset();
}

bool tst_ConsoleE2E::startConsole(const QString &port1Device, const XTools *x)
{
    m_console =
        std::make_unique<ConsoleProcess>(x ? *x : *m_x, QStringLiteral(TAVIMORK_EXECUTABLE));
    if (!m_console->start(port1Device)) {
        m_failure = m_console->errorString();
        return false;
    }
    return true;
}

bool tst_ConsoleE2E::startConnectedConsole(const XTools *x)
{
    if (!startConsole(m_line->devicePath(), x))
        return false;
    if (!m_console->click(ConnectButton.center())) {
        m_failure = m_console->errorString();
        return false;
    }
    // The line is set up in the same step that opens it.
    if (!QTest::qWaitFor(
            [this] {
                const termios settings = m_line->lineSettings();
                return m_line->isHeldOpen() && ::cfgetospeed(&settings) == B57600;
            },
            WaitMs)) {
        m_failure = QStringLiteral("the console did not open the port at 57600 baud");
        return false;
    }
    return true;
}

bool tst_ConsoleE2E::steer(QPoint label, char command, int atLeast)
{
    const qsizetype mark = m_line->receivedCount();
    if (!m_console->moveTo(label)) {
        m_failure = m_console->errorString();
        return false;
    }
    if (!QTest::qWaitFor([&] { return m_line->receivedSince(mark).count(command) >= atLeast; },
                         WaitMs)) {
        m_failure = QStringLiteral("no run of '%1' after moving to (%2,%3); got %4")
                        .arg(QLatin1Char(command))
                        .arg(label.x())
                        .arg(label.y())
                        .arg(runs(m_line->receivedSince(mark)));
        return false;
    }
    return true;
}

bool tst_ConsoleE2E::waitForStopAfter(qsizetype mark)
{
    if (!QTest::qWaitFor([&] { return m_line->receivedSince(mark).contains('5'); }, WaitMs)) {
        m_failure =
            QStringLiteral("no stop written; got %1").arg(runs(m_line->receivedSince(mark)));
        return false;
    }
    return true;
}

// The log as the operator can take it: select all, copy, paste elsewhere.
QString tst_ConsoleE2E::logText()
{
    const std::optional<QString> text =
        m_console->click(LogBox.center()) ? m_console->copyFocusedText() : std::nullopt;
    return text ? *text : QStringLiteral("(cannot copy the log: %1)").arg(m_console->errorString());
}

// The copy lands on the clipboard whenever the console gets to it, so poll.
bool tst_ConsoleE2E::waitForLog(const QString &expected, QString *seen)
{
    return QTest::qWaitFor(
        [&] {
            *seen = logText();
            return *seen == expected;
        },
        WaitMs);
}

bool tst_ConsoleE2E::waitForCloseAndRelease()
{
    if (!m_console->requestClose()) {
        m_failure = m_console->errorString();
        return false;
    }
    if (!waitForExitAndRelease())
        return false;
    if (!m_console->exitedCleanly()) {
        m_failure = QStringLiteral("the console did not exit cleanly on close");
        return false;
    }
    return true;
}

// Free for the next program: not held, not flagged exclusive, no lock file.
bool tst_ConsoleE2E::waitForExitAndRelease()
{
    if (!m_console->waitForExit(WaitMs)) {
        m_failure = QStringLiteral("the console did not exit");
        return false;
    }
    // Whatever it wrote before letting go must all be read before judging it.
    if (!QTest::qWaitFor([this] { return !m_line->isHeldOpen() && m_line->unreadCount() == 0; },
                         WaitMs)) {
        m_failure = QStringLiteral("the port is still held after the console exited");
        return false;
    }
    if (m_line->isExclusive()) {
        m_failure = QStringLiteral("the port is left flagged for exclusive use");
        return false;
    }
    const QStringList lockFiles = m_line->lockFiles();
    if (!lockFiles.isEmpty()) {
        m_failure = QStringLiteral("lock files left behind: %1").arg(lockFiles.join(u' '));
        return false;
    }
    return true;
}

// Connecting

void tst_ConsoleE2E::connectSetsLineTo57600Baud8N1()
{
    QVERIFY2(startConsole(m_line->devicePath()), qPrintable(m_failure));
    const termios before = m_line->lineSettings();
    // A fresh pty is not at 57600 already, so the speed below is the console's doing.
    QVERIFY(::cfgetospeed(&before) != B57600);
    QVERIFY(!m_line->isHeldOpen());

    QVERIFY(m_console->click(ConnectButton.center()));

    QTRY_VERIFY_WITH_TIMEOUT(m_line->isHeldOpen(), WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(
        [this] {
            const termios settings = m_line->lineSettings();
            return ::cfgetospeed(&settings);
        }(),
        speed_t(B57600), WaitMs);
    const termios settings = m_line->lineSettings();
    QCOMPARE(::cfgetispeed(&settings), speed_t(B57600));
    QCOMPARE(settings.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(settings.c_cflag & PARENB, tcflag_t(0));
    QCOMPARE(settings.c_cflag & CSTOPB, tcflag_t(0));
}

void tst_ConsoleE2E::connectToMissingPortShowsCanNotOpenBox()
{
    QTemporaryDir emptyDir;
    QVERIFY(emptyDir.isValid());
    QVERIFY2(startConsole(emptyDir.filePath(QStringLiteral("no-such-port"))),
             qPrintable(m_failure));
    QVERIFY(!m_console->hasWindow(XTools::exactTitle(CanNotOpenTitle)));

    QVERIFY(m_console->click(ConnectButton.center()));

    const QString box = m_console->waitForWindow(XTools::exactTitle(CanNotOpenTitle), WaitMs);
    QVERIFY2(!box.isEmpty(), "no \"Can not open port !!!\" box appeared");
    QVERIFY(m_console->focusWindow(box));
    QVERIFY(m_console->key(QStringLiteral("Return")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_console->hasWindow(XTools::exactTitle(CanNotOpenTitle)), WaitMs);
    QVERIFY(m_console->isRunning());
    QVERIFY(m_console->hasWindow(XTools::exactTitle(ConsoleProcess::WindowTitle)));
}

// Steering with the pointer

void tst_ConsoleE2E::pointerOnLabelRepeatsItsDirection_data()
{
    QTest::addColumn<QPoint>("label");
    QTest::addColumn<char>("command");
    QTest::newRow("Move Forward") << ForwardLabel << '8';
    QTest::newRow("Move Backward") << BackwardLabel << '2';
    QTest::newRow("Move Left") << LeftLabel << '4';
    QTest::newRow("Move Right") << RightLabel << '6';
}

void tst_ConsoleE2E::pointerOnLabelRepeatsItsDirection()
{
    QFETCH(QPoint, label);
    QFETCH(char, command);
    QVERIFY2(startConnectedConsole(), qPrintable(m_failure));

    const qsizetype mark = m_line->receivedCount();
    QVERIFY(m_console->moveTo(label));
    // Watch at least half a second from the first byte.
    constexpr qint64 WindowNs = 500 * NsPerMs;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const QList<qint64> arrivals = m_line->arrivalsSince(mark);
            return arrivals.size() > 1 && arrivals.last() - arrivals.first() > WindowNs;
        }(),
        WaitMs);

    const QByteArray bytes = m_line->receivedSince(mark);
    const QList<qint64> arrivals = m_line->arrivalsSince(mark).mid(0, bytes.size());
    QVERIFY2(bytes.count(command) == bytes.size(), qPrintable(runs(bytes)));
    const auto inWindow = std::count_if(arrivals.cbegin(), arrivals.cend(), [&](qint64 at) {
        return at <= arrivals.first() + WindowNs;
    });
    const qint64 median = medianIntervalMs(arrivals);
    qInfo("'%c': median interval %lld ms, %lld bytes in the first 0.5 s", command, median,
          qint64(inWindow));
    // About every 16 ms; the bounds only catch a wrong period, not a busy machine.
    QVERIFY2(median >= 8 && median <= 40, qPrintable(QString::number(median)));
    QVERIFY2(inWindow >= 10, qPrintable(QString::number(inWindow)));
}

void tst_ConsoleE2E::pointerOnStopZoneWritesStopPerMoveThenNothing_data()
{
    QTest::addColumn<QPoint>("label");
    QTest::addColumn<char>("command");
    QTest::addColumn<QRect>("zone");
    QTest::newRow("bar above, from Forward") << ForwardLabel << '8' << StopAbove;
    QTest::newRow("bar below, from Backward") << BackwardLabel << '2' << StopBelow;
    QTest::newRow("bar left, from Left") << LeftLabel << '4' << StopLeft;
    QTest::newRow("bar right, from Right") << RightLabel << '6' << StopRight;
    QTest::newRow("middle, from Left") << LeftLabel << '4' << StopMiddle;
}

void tst_ConsoleE2E::pointerOnStopZoneWritesStopPerMoveThenNothing()
{
    QFETCH(QPoint, label);
    QFETCH(char, command);
    QFETCH(QRect, zone);
    QVERIFY2(startConnectedConsole(), qPrintable(m_failure));
    QVERIFY2(steer(label, command, 5), qPrintable(m_failure));

    const qsizetype mark = m_line->receivedCount();
    QVERIFY(m_console->moveTo(zone.center()));
    QVERIFY2(waitForStopAfter(mark), qPrintable(m_failure));
    QTest::qWait(QuietMs);
    // Bytes already due when the pointer arrived may precede the stop, none follow it.
    const QByteArray entering = m_line->receivedSince(mark);
    const QByteArray pattern = "^" + QByteArray(1, command) + "*5+$";
    QVERIFY2(matches(entering, pattern.constData()), qPrintable(runs(entering)));

    // Each move over a stop zone stops again.
    const qsizetype again = m_line->receivedCount();
    QVERIFY(m_console->moveTo(zone.center() + QPoint(3, 2)));
    QVERIFY2(waitForStopAfter(again), qPrintable(m_failure));
    QTest::qWait(QuietMs);
    QCOMPARE(m_line->receivedSince(again), QByteArray("5"));
}

void tst_ConsoleE2E::sweepLeftMiddleRightWritesLeftThenStopThenRight()
{
    QVERIFY2(startConnectedConsole(), qPrintable(m_failure));
    const qsizetype mark = m_line->receivedCount();

    QVERIFY2(steer(LeftLabel, '4', 5), qPrintable(m_failure));
    const qsizetype middle = m_line->receivedCount();
    QVERIFY(m_console->moveTo(StopMiddle.center()));
    QVERIFY2(waitForStopAfter(middle), qPrintable(m_failure));
    QVERIFY2(steer(RightLabel, '6', 5), qPrintable(m_failure));
    const qsizetype end = m_line->receivedCount();
    // Next to Right: a jump to the bar above would pass over Forward.
    QVERIFY(m_console->moveTo(StopRight.center()));
    QVERIFY2(waitForStopAfter(end), qPrintable(m_failure));
    QTest::qWait(QuietMs);

    const QByteArray bytes = m_line->receivedSince(mark);
    QVERIFY2(matches(bytes, "^4+5+6+5+$"), qPrintable(runs(bytes)));
}

void tst_ConsoleE2E::pointerOnBackgroundKeepsDirection_data()
{
    QTest::addColumn<QPoint>("label");
    QTest::addColumn<char>("command");
    // Out of the cross through a corner gap, over background only.
    QTest::addColumn<QList<QPoint>>("path");
    QTest::newRow("gap between left and upper bars")
        << LeftLabel << '4' << QList<QPoint>{{292, 184}, {292, 128}};
    QTest::newRow("gap between lower and right bars")
        << RightLabel << '6' << QList<QPoint>{{516, 184}, {516, 232}};
    QTest::newRow("instruction caption")
        << ForwardLabel << '8' << QList<QPoint>{{292, 148}, {292, 100}, {400, 92}};
}

void tst_ConsoleE2E::pointerOnBackgroundKeepsDirection()
{
    QFETCH(QPoint, label);
    QFETCH(char, command);
    QFETCH(QList<QPoint>, path);
    QVERIFY2(startConnectedConsole(), qPrintable(m_failure));
    QVERIFY2(steer(label, command, 5), qPrintable(m_failure));

    const qsizetype mark = m_line->receivedCount();
    for (const QPoint point : path)
        QVERIFY(m_console->moveTo(point));
    // Well past the move: the repetition runs on.
    QTRY_VERIFY_WITH_TIMEOUT(m_line->receivedSince(mark).size() >= 20, WaitMs);
    const QByteArray bytes = m_line->receivedSince(mark);
    QVERIFY2(bytes.count(command) == bytes.size(), qPrintable(runs(bytes)));
}

// One jump of the pointer, as a quick flick is reported: no move lands on the bar.
void tst_ConsoleE2E::flickOverAStopBarStops_data()
{
    QTest::addColumn<QPoint>("label");
    QTest::addColumn<char>("command");
    QTest::addColumn<QPoint>("beyond");
    QTest::newRow("over the bar above onto the caption") << ForwardLabel << '8' << QPoint(380, 96);
    QTest::newRow("over the right bar out of the window") << RightLabel << '6' << QPoint(700, 184);
}

void tst_ConsoleE2E::flickOverAStopBarStops()
{
    QFETCH(QPoint, label);
    QFETCH(char, command);
    QFETCH(QPoint, beyond);
    QVERIFY2(startConnectedConsole(), qPrintable(m_failure));
    QVERIFY2(steer(label, command, 5), qPrintable(m_failure));

    const qsizetype mark = m_line->receivedCount();
    QVERIFY(m_console->moveTo(beyond));
    QVERIFY2(waitForStopAfter(mark), qPrintable(m_failure));
    QTest::qWait(QuietMs);
    const QByteArray bytes = m_line->receivedSince(mark);
    const QByteArray pattern = "^" + QByteArray(1, command) + "*5$";
    QVERIFY2(matches(bytes, pattern.constData()), qPrintable(runs(bytes)));
}

// Steering with the keyboard

void tst_ConsoleE2E::steeringKeyRepeatsDirectionUntilReleased_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("numLock");
    QTest::addColumn<char>("command");
    QTest::newRow("W") << QStringLiteral("w") << false << '8';
    QTest::newRow("S") << QStringLiteral("s") << false << '2';
    QTest::newRow("A") << QStringLiteral("a") << false << '4';
    QTest::newRow("D") << QStringLiteral("d") << false << '6';
    // The keypad keys by their Num Lock off names: asked for KP_8, xdotool
    // would add a modifier of its own, whose release is a key release too.
    QTest::newRow("keypad 8") << QStringLiteral("KP_Up") << true << '8';
    QTest::newRow("keypad 2") << QStringLiteral("KP_Down") << true << '2';
    QTest::newRow("keypad 4") << QStringLiteral("KP_Left") << true << '4';
    QTest::newRow("keypad 6") << QStringLiteral("KP_Right") << true << '6';
}

void tst_ConsoleE2E::steeringKeyRepeatsDirectionUntilReleased()
{
    QFETCH(QString, key);
    QFETCH(bool, numLock);
    QFETCH(char, command);
    QVERIFY2(startConsole(m_line->devicePath()), qPrintable(m_failure));
    // Before connecting: the Num Lock key's own release would write a stop.
    QString error;
    QVERIFY2(m_x->setNumLock(numLock, &error), qPrintable(error));
    QVERIFY(m_console->click(ConnectButton.center()));
    QTRY_VERIFY_WITH_TIMEOUT(m_line->isHeldOpen(), WaitMs);
    QVERIFY(m_console->click(KeyboardButton.center()));

    const qsizetype mark = m_line->receivedCount();
    QVERIFY(m_console->keyDown(key));
    QTRY_VERIFY_WITH_TIMEOUT(m_line->receivedSince(mark).count(command) >= 10, WaitMs);
    QVERIFY(m_console->keyUp(key));
    QVERIFY2(waitForStopAfter(mark), qPrintable(m_failure));
    QTest::qWait(QuietMs);

    const QByteArray bytes = m_line->receivedSince(mark);
    const QByteArray pattern = "^" + QByteArray(1, command) + "+5$";
    QVERIFY2(matches(bytes, pattern.constData()), qPrintable(runs(bytes)));
}

void tst_ConsoleE2E::heldKeyWritesOneStopOnlyWhenReleased()
{
    QVERIFY2(startConnectedConsole(), qPrintable(m_failure));

    // First prove this server repeats held keys, or the stray count below
    // would pass for want of repeats: a held W types a row of w into the log.
    QVERIFY(m_console->click(LogBox.center()));
    QVERIFY(m_console->keyDown(QStringLiteral("w")));
    QTest::qWait(1000);
    QVERIFY(m_console->keyUp(QStringLiteral("w")));
    QString typed;
    QVERIFY2(QTest::qWaitFor([&] { return (typed = logText()).count(u'w') >= 5; }, WaitMs),
             qPrintable(typed));
    // Keys steer only through the keyboard button.
    QCOMPARE(m_line->receivedSince(0), QByteArray());

    QVERIFY(m_console->click(KeyboardButton.center()));
    const qsizetype mark = m_line->receivedCount();
    QVERIFY(m_console->keyDown(QStringLiteral("w")));
    // Held for about a second of forward commands.
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const QList<qint64> arrivals = m_line->arrivalsSince(mark);
            return arrivals.size() > 1 && arrivals.last() - arrivals.first() >= 1000 * NsPerMs;
        }(),
        WaitMs);
    QVERIFY(m_console->keyUp(QStringLiteral("w")));
    QVERIFY2(waitForStopAfter(mark), qPrintable(m_failure));
    QTest::qWait(QuietMs);

    const QByteArray bytes = m_line->receivedSince(mark);
    const qsizetype strayStops = bytes.count('5') - 1;
    qInfo("held W: %lld '8', %lld stray '5' (%lld w typed while proving auto-repeat)",
          qint64(bytes.count('8')), qint64(strayStops), qint64(typed.count(u'w')));
    QVERIFY2(matches(bytes, "^8+5$"), qPrintable(runs(bytes)));
    QVERIFY2(bytes.count('8') >= 20, qPrintable(runs(bytes)));
}

void tst_ConsoleE2E::secondKeyWhileFirstHeldSwitchesDirection()
{
    QVERIFY2(startConnectedConsole(), qPrintable(m_failure));
    QVERIFY(m_console->click(KeyboardButton.center()));

    const qsizetype mark = m_line->receivedCount();
    QVERIFY(m_console->keyDown(QStringLiteral("w")));
    QTRY_VERIFY_WITH_TIMEOUT(m_line->receivedSince(mark).count('8') >= 10, WaitMs);
    QVERIFY(m_console->keyDown(QStringLiteral("d")));
    QTRY_VERIFY_WITH_TIMEOUT(m_line->receivedSince(mark).count('6') >= 10, WaitMs);
    QVERIFY(m_console->keyUp(QStringLiteral("d")));
    QVERIFY(m_console->keyUp(QStringLiteral("w")));
    QTRY_VERIFY_WITH_TIMEOUT(m_line->receivedSince(mark).count('5') >= 2, WaitMs);
    QTest::qWait(QuietMs);

    // Every release stops, so letting go of both keys writes two stops.
    const QByteArray bytes = m_line->receivedSince(mark);
    QVERIFY2(matches(bytes, "^8+6+55$"), qPrintable(runs(bytes)));
}

void tst_ConsoleE2E::arrowKeyStopsAndKeepsTheKeyboardButtonSteering()
{
    QVERIFY2(startConnectedConsole(), qPrintable(m_failure));
    QVERIFY(m_console->click(KeyboardButton.center()));

    const qsizetype mark = m_line->receivedCount();
    QVERIFY(m_console->key(QStringLiteral("Up")));
    QVERIFY2(waitForStopAfter(mark), qPrintable(m_failure));
    QVERIFY(m_console->keyDown(QStringLiteral("w")));
    QTRY_VERIFY_WITH_TIMEOUT(m_line->receivedSince(mark).count('8') >= 10, WaitMs);
    QVERIFY(m_console->keyUp(QStringLiteral("w")));
    QTRY_VERIFY_WITH_TIMEOUT(m_line->receivedSince(mark).count('5') >= 2, WaitMs);
    QTest::qWait(QuietMs);

    const QByteArray bytes = m_line->receivedSince(mark);
    QVERIFY2(matches(bytes, "^58+5$"), qPrintable(runs(bytes)));
}

// Text from the robot

void tst_ConsoleE2E::logShowsReceivedText_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QString>("shownAfterFirst");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QString>("shownAfterSecond");
    QTest::newRow("CR LF after the text")
        << QByteArray("OK") << QStringLiteral("OK") << QByteArray("\r\n") << QStringLiteral("OK\n");
    QTest::newRow("CR LF split between writes")
        << QByteArray("OK\r") << QStringLiteral("OK\n") << QByteArray("\nnext")
        << QStringLiteral("OK\nnext");
    QTest::newRow("character split between writes")
        << QByteArray("caf\xc3") << QStringLiteral("caf") << QByteArray("\xa9")
        << QStringLiteral("caf\u00e9");
    QTest::newRow("invalid byte") << QByteArray("ab\xff") << QStringLiteral("ab\ufffd")
                                  << QByteArray("cd\r\n") << QStringLiteral("ab\ufffdcd\n");
    // However many U+FFFD stand for the broken sequence, as many as for the
    // same bytes in one piece; the A that broke it is kept.
    QTest::newRow("broken sequence, then text")
        << QByteArray("x\xe2\x82") << QStringLiteral("x") << QByteArray("Ay")
        << QString::fromUtf8("x\xe2\x82"
                             "Ay");
}

void tst_ConsoleE2E::logShowsReceivedText()
{
    QFETCH(QByteArray, first);
    QFETCH(QString, shownAfterFirst);
    QFETCH(QByteArray, second);
    QFETCH(QString, shownAfterSecond);
    QVERIFY2(startConnectedConsole(), qPrintable(m_failure));

    // Waiting for the first part to show makes the second a separate arrival.
    QVERIFY(m_line->write(first));
    QString seen;
    QVERIFY2(waitForLog(shownAfterFirst, &seen), qPrintable(seen.toUtf8().toPercentEncoding()));
    QVERIFY(m_line->write(second));
    QVERIFY2(waitForLog(shownAfterSecond, &seen), qPrintable(seen.toUtf8().toPercentEncoding()));
}

void tst_ConsoleE2E::floodOfTextKeepsConsoleResponsive()
{
    QVERIFY2(startConnectedConsole(), qPrintable(m_failure));

    constexpr int LineCount = 4000;
    const auto floodLine = [](int i) {
        return QStringLiteral("line %1 café 0123456789 abcdefghijklmnopqrstuvwxyz")
            .arg(i, 5, 10, QLatin1Char('0'));
    };
    QByteArray flood;
    for (int i = 0; i < LineCount; ++i)
        flood += floodLine(i).toUtf8() + "\r\n";
    QVERIFY(flood.size() >= 200 * 1000);

    // About 4 KB a write, each cut inside a character or between CR and LF.
    qsizetype from = 0;
    for (int chunk = 0; from < flood.size(); ++chunk) {
        const char cutAfter = chunk % 2 ? '\r' : '\xc3';
        qsizetype to = flood.indexOf(cutAfter, qMin(from + 4096, flood.size()));
        to = to < 0 ? flood.size() : to + 1;
        QVERIFY2(m_line->write(flood.mid(from, to - from)), "the console stopped reading");
        from = to;
    }

    const qsizetype mark = m_line->receivedCount();
    const qint64 steeredAt = m_line->now();
    QVERIFY2(steer(ForwardLabel, '8', 10), qPrintable(m_failure));
    const QList<qint64> arrivals = m_line->arrivalsSince(mark);
    qInfo("10 forward commands %lld ms after steering, right after the flood",
          (arrivals.at(9) - steeredAt) / NsPerMs);
    const qsizetype stop = m_line->receivedCount();
    QVERIFY(m_console->moveTo(StopAbove.center()));
    QVERIFY2(waitForStopAfter(stop), qPrintable(m_failure));

    const QString lastLine = floodLine(LineCount - 1) + u'\n';
    QString log;
    QVERIFY2(QTest::qWaitFor([&] { return (log = logText()).endsWith(lastLine); }, WaitMs),
             qPrintable(log.right(200)));
    QVERIFY2(!log.contains(QChar::ReplacementCharacter), "a cut character was not rejoined");
    // Lines end to end, in order, none lost or doubled (the log may drop its oldest).
    const QStringList lines = log.split(u'\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.size() * 2 > LineCount, qPrintable(QString::number(lines.size())));
    QCOMPARE(log.count(u'\n'), lines.size());
    // The oldest line may have been cut by such a drop.
    const qsizetype firstWhole = lines.first().startsWith(QLatin1String("line ")) ? 0 : 1;
    for (qsizetype i = firstWhole + 1; i < lines.size(); ++i) {
        const int previous = lines.at(i - 1).mid(5, 5).toInt();
        QVERIFY2(lines.at(i).mid(5, 5).toInt() == previous + 1, qPrintable(lines.at(i)));
    }
}

// Closing the window

void tst_ConsoleE2E::closingWhileDrivingWritesOneStopAndReleasesPort()
{
    QVERIFY2(startConnectedConsole(), qPrintable(m_failure));
    QVERIFY2(steer(ForwardLabel, '8', 10), qPrintable(m_failure));

    const qsizetype mark = m_line->receivedCount();
    QVERIFY2(waitForCloseAndRelease(), qPrintable(m_failure));

    const QByteArray bytes = m_line->receivedSince(mark);
    QVERIFY2(matches(bytes, "^8*5$"), qPrintable(runs(bytes)));
}

void tst_ConsoleE2E::closingWhileIdleWritesNothing()
{
    QVERIFY2(startConnectedConsole(), qPrintable(m_failure));
    // Driven once and stopped, so "idle" is not just "never used".
    QVERIFY2(steer(ForwardLabel, '8', 5), qPrintable(m_failure));
    const qsizetype stop = m_line->receivedCount();
    QVERIFY(m_console->moveTo(StopAbove.center()));
    QVERIFY2(waitForStopAfter(stop), qPrintable(m_failure));
    QTest::qWait(QuietMs);

    const qsizetype mark = m_line->receivedCount();
    QVERIFY2(waitForCloseAndRelease(), qPrintable(m_failure));
    QCOMPARE(m_line->receivedSince(mark), QByteArray());
}

// Ending without the close button

void tst_ConsoleE2E::terminationSignalWhileDrivingWritesOneStopAndReleasesPort_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void tst_ConsoleE2E::terminationSignalWhileDrivingWritesOneStopAndReleasesPort()
{
    QFETCH(int, signalNumber);
    QVERIFY2(startConnectedConsole(), qPrintable(m_failure));
    QVERIFY2(steer(ForwardLabel, '8', 10), qPrintable(m_failure));

    const qsizetype mark = m_line->receivedCount();
    QVERIFY2(m_console->sendSignal(signalNumber), qPrintable(m_console->errorString()));
    QVERIFY2(waitForExitAndRelease(), qPrintable(m_failure));
    QVERIFY(m_console->exitedCleanly());

    const QByteArray bytes = m_line->receivedSince(mark);
    QVERIFY2(matches(bytes, "^8*5$"), qPrintable(runs(bytes)));
}

void tst_ConsoleE2E::losingXServerWhileDrivingWritesOneStopAndReleasesPort()
{
    // A server of its own to lose: the shared one serves the other tests.
    XServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    const XTools x(server.clientEnvironment());
    QVERIFY2(startConnectedConsole(&x), qPrintable(m_failure));
    QVERIFY2(steer(ForwardLabel, '8', 10), qPrintable(m_failure));

    const qsizetype mark = m_line->receivedCount();
    server.kill();
    // Qt ends the program with a failure status of its own: only the line is judged.
    QVERIFY2(waitForExitAndRelease(), qPrintable(m_failure));

    const QByteArray bytes = m_line->receivedSince(mark);
    QVERIFY2(matches(bytes, "^8*5$"), qPrintable(runs(bytes)));
}

QTEST_GUILESS_MAIN(tst_ConsoleE2E)
#include "tst_console_e2e.moc"
