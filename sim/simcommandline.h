#pragma once

#include "simoptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

class SimCommandLine
{
public:
    SimCommandLine();

    // Arguments include the program name first. False on anything unusable.
    // Needs no application object, so errors show even without a display.
    bool parse(const QStringList &arguments);
    // Whether the run needs a display at all.
    bool needsWindow() const;
    const SimOptions &options() const { return m_options; }
    QString errorText() const { return m_error; }
    bool helpRequested() const;
    bool versionRequested() const;
    QString helpText() const { return m_parser.helpText(); }

private:
    bool readCount(const QCommandLineOption &option, qint64 minimum, qint64 maximum, qint64 *value);
    bool readFloodRate(const QCommandLineOption &option, qint64 *value);
    bool readMilliseconds(const QCommandLineOption &option, qint64 minimum,
                          std::chrono::milliseconds *value);

    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QCommandLineOption m_headless;
    QCommandLineOption m_watchdog;
    QCommandLineOption m_poseInterval;
    QCommandLineOption m_floodText;
    QCommandLineOption m_floodRandom;
    QCommandLineOption m_link;
    QCommandLineOption m_screenshot;
    QCommandLineOption m_screenshotDelay;
    SimOptions m_options;
    QString m_error;
};
