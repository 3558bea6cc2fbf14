#include "gamepadbench.h"

#include "drivecommands.h"
#include "drivesession.h"
#include "gamepadsource.h"
#include "periodictimer.h"
#include "portdirectory.h"
#include "processusage.h"
#include "qtseriallink.h"
#include "virtualpad.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QTimer>

#include <SDL_gamecontroller.h>

#include <functional>

namespace {
constexpr int ReplyTimeoutMs = 1000;
constexpr int IdleMs = 3000;

double ms(qint64 nanoseconds)
{
    return double(nanoseconds) / 1e6;
}

// Runs this thread's events (the pad source's timer among them) for a while.
void spin(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs events until `done`, checking every millisecond; false on a time-out.
bool spinUntil(const std::function<bool()> &done)
{
    const QDeadlineTimer deadline(ReplyTimeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        spin(1);
    }
    return true;
}
// This process's CPU use over a few seconds of its event loop, in % of a core.
double idleCpuPercent()
{
    const ProcessUsage usage(QCoreApplication::applicationPid());
    const double before = usage.cpuSeconds();
    spin(IdleMs);
    return (usage.cpuSeconds() - before) * 100.0 * 1000.0 / IdleMs;
}
} // namespace

bool runGamepadBench(const StampedLine &line, int cycles, GamepadResult *result, QString *error)
{
    QProcessEnvironment env;
    env.insert(PortDirectory::overrideVariable(1), line.devicePath());
    const DriveSessionThread drive(
        new DriveSession(std::make_unique<QtSerialLink>(PortDirectory(env, {})),
                         std::make_unique<PeriodicTimer>(RobotLine::RepeatPeriod)));
    DriveSession *session = drive.session();
    const DriveSession::OpenResult opened =
        callAndWait(session, [session] { return session->open(1); });
    if (!opened.opened) {
        *error = QStringLiteral("cannot open the pty: ") + opened.detail;
        return false;
    }

    // Wired as the window wires it.
    GamepadSource pad;
    qint64 seen = -1;
    QObject::connect(&pad, &GamepadSource::direction, session, [&](DriveCommand command) {
        seen = line.now();
        QMetaObject::invokeMethod(session, [session, command] { session->direction(command); });
    });
    QObject::connect(&pad, &GamepadSource::stop, session, [&] {
        seen = line.now();
        QMetaObject::invokeMethod(session, [session] { session->stop(); });
    });
    QObject::connect(session, &DriveSession::heartbeat, &pad, [&pad, session] {
        pad.poll();
        QMetaObject::invokeMethod(session, [session] { session->windowAnswered(); });
    });
    if (!pad.start()) {
        *error = QStringLiteral("SDL: ") + pad.errorString();
        return false;
    }
    result->noPadCpuPercent = idleCpuPercent();
    VirtualPad stick;
    if (!stick.isValid()) {
        *error = QStringLiteral("no virtual pad: ") + stick.errorString();
        return false;
    }
    if (!spinUntil([&pad] { return !pad.padName().isEmpty(); })) {
        *error = QStringLiteral("the pad source never saw the virtual pad");
        return false;
    }

    // What reading an attached pad costs while nobody touches it: the poll
    // timer, and the drive thread with nothing to repeat.
    result->idleCpuPercent = idleCpuPercent();

    for (int i = 0; i < cycles; ++i) {
        stick.setButton(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, true);
        // Pushes land anywhere in the repeat period and the poll period.
        spin(30 + QRandomGenerator::global()->bounded(20));

        // From the pad moving to the byte it asks for: as the bench saw it,
        // and as the console's steering did.
        const auto timeReply = [&](const std::function<void()> &move, char command,
                                   Distribution *fromMove, Distribution *fromSeen) {
            const qsizetype mark = line.receivedCount();
            seen = -1;
            const qint64 moved = line.now();
            move();
            if (!spinUntil([&] { return line.arrivalOf(command, mark) >= 0; })) {
                ++result->missed;
                return mark;
            }
            const qint64 arrived = line.arrivalOf(command, mark);
            fromMove->add(ms(arrived - moved));
            fromSeen->add(ms(arrived - seen));
            return mark;
        };
        timeReply([&] { stick.setStick(0, 1); }, '8', &result->toDirection,
                  &result->seenToDirection);
        spin(100);
        const qsizetype mark =
            timeReply([&] { stick.setButton(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, false); }, '5',
                      &result->toStop, &result->seenToStop);
        spin(50);
        const QByteArray after = line.receivedSince(mark);
        result->bytesAfterStop += int(after.size() - after.count('5'));
        stick.setStick(0, 0);
    }
    return true;
}
