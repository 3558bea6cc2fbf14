#pragma once

#include "programcommandline.h"
#include "simoptions.h"

class SimCommandLine : public ProgramCommandLine
{
public:
    SimCommandLine();

    // Whether the run needs a display at all.
    bool needsWindow() const;
    const SimOptions &options() const { return m_options; }

private:
    bool readOptions() override;
    bool readCount(const QCommandLineOption &option, qint64 minimum, qint64 maximum, qint64 *value);
    bool readFloodRate(const QCommandLineOption &option, qint64 *value);
    bool readMilliseconds(const QCommandLineOption &option, qint64 minimum,
                          std::chrono::milliseconds *value);

    QCommandLineOption m_headless;
    QCommandLineOption m_watchdog;
    QCommandLineOption m_poseInterval;
    QCommandLineOption m_floodText;
    QCommandLineOption m_floodRandom;
    QCommandLineOption m_link;
    QCommandLineOption m_screenshot;
    QCommandLineOption m_screenshotDelay;
    SimOptions m_options;
};
