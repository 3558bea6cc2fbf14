#include "simcommandline.h"

#include "loadgenerator.h"

namespace {

constexpr qint64 MaxMilliseconds = 3600 * 1000;
constexpr qint64 MinPoseIntervalMs = 10;

const char Description[] =
    "Simulated differential-drive robot on a pseudo-terminal.\n"
    "\n"
    "The first line printed is the device to open as the serial port (57600 8N1).\n"
    "Command bytes: 8 forward, 2 backward, 4 turn left, 6 turn right, 5 stop;\n"
    "other bytes are ignored. Motion stops by itself when no command byte has\n"
    "arrived for the watchdog time.\n"
    "\n"
    // Blank lines between the formats, or the manual page made from this
    // text runs them together into one paragraph.
    "Lines sent back, each ending in CR LF (heading in degrees from 0 to 360,\n"
    "counterclockwise):\n"
    "\n"
    "  pose x=<metres> y=<metres> heading=<degrees>\n"
    "\n"
    "  event drive cmd=<8|2|4|6>\n"
    "\n"
    "  event stop reason=<command|watchdog>\n"
    "\n"
    "  noise <nnnnnn> <filler> (only with --flood-text)";

} // namespace

SimCommandLine::SimCommandLine()
    : ProgramCommandLine("tavimork-sim", Description)
    , m_headless(QStringLiteral("headless"), QStringLiteral("Run without a window or display."))
    , m_watchdog(QStringLiteral("watchdog-ms"),
                 QStringLiteral("Stop when no command byte has come for <ms> (default 250)."),
                 QStringLiteral("ms"))
    , m_poseInterval(QStringLiteral("pose-interval-ms"),
                     QStringLiteral("Send a pose line every <ms> (default 250)."),
                     QStringLiteral("ms"))
    , m_floodText(QStringLiteral("flood-text"),
                  QStringLiteral("Also send filler text lines at <rate> bytes per second (at "
                                 "most %1).")
                      .arg(LoadGenerator::MaxBytesPerSecond),
                  QStringLiteral("rate"))
    , m_floodRandom(QStringLiteral("flood-random"),
                    QStringLiteral("Also send random bytes (NULs and invalid UTF-8 included) at "
                                   "<rate> bytes per second (at most %1).")
                        .arg(LoadGenerator::MaxBytesPerSecond),
                    QStringLiteral("rate"))
    , m_link(QStringLiteral("link"),
             QStringLiteral("Also make a symbolic link to the device at <path>; removed on exit."),
             QStringLiteral("path"))
    , m_screenshot(QStringLiteral("screenshot"),
                   QStringLiteral("Save the window to <file> after a delay, then exit."),
                   QStringLiteral("file"))
    , m_screenshotDelay(QStringLiteral("screenshot-delay-ms"),
                        QStringLiteral("Delay before --screenshot (default 1000)."),
                        QStringLiteral("ms"))
{
    m_parser.addOptions({m_headless, m_watchdog, m_poseInterval, m_floodText, m_floodRandom, m_link,
                         m_screenshot, m_screenshotDelay});
}

bool SimCommandLine::needsWindow() const
{
    return !helpRequested() && !versionRequested() && !m_options.headless;
}

bool SimCommandLine::readOptions()
{
    m_options = SimOptions{};
    m_options.headless = m_parser.isSet(m_headless);
    m_options.linkPath = m_parser.value(m_link);
    m_options.screenshotPath = m_parser.value(m_screenshot);
    if (!readMilliseconds(m_watchdog, 1, &m_options.watchdogTimeout) ||
        !readMilliseconds(m_poseInterval, MinPoseIntervalMs, &m_options.poseInterval) ||
        !readMilliseconds(m_screenshotDelay, 0, &m_options.screenshotDelay) ||
        !readFloodRate(m_floodText, &m_options.floodTextBytesPerSecond) ||
        !readFloodRate(m_floodRandom, &m_options.floodRandomBytesPerSecond)) {
        return false;
    }
    if (m_options.headless && !m_options.screenshotPath.isEmpty()) {
        m_error = QStringLiteral("--screenshot needs the window; drop --headless");
        return false;
    }
    return true;
}

bool SimCommandLine::readCount(const QCommandLineOption &option, qint64 minimum, qint64 maximum,
                               qint64 *value)
{
    if (!m_parser.isSet(option))
        return true;
    const QString text = m_parser.value(option);
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (!ok || number < minimum || number > maximum) {
        m_error = QStringLiteral("--%1 wants a whole number from %2 to %3, not \"%4\"")
                      .arg(option.names().constFirst())
                      .arg(minimum)
                      .arg(maximum)
                      .arg(text);
        return false;
    }
    *value = number;
    return true;
}

bool SimCommandLine::readFloodRate(const QCommandLineOption &option, qint64 *value)
{
    // Refused rather than sent short: a load test must not pass at a rate
    // that never reached the line.
    if (readCount(option, 1, LoadGenerator::MaxBytesPerSecond, value))
        return true;
    m_error += QStringLiteral("; the simulator cannot keep up a higher rate");
    return false;
}

bool SimCommandLine::readMilliseconds(const QCommandLineOption &option, qint64 minimum,
                                      std::chrono::milliseconds *value)
{
    qint64 count = value->count();
    if (!readCount(option, minimum, MaxMilliseconds, &count))
        return false;
    *value = std::chrono::milliseconds(count);
    return true;
}
