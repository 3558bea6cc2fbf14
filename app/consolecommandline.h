#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

// The console takes no arguments of its own beyond --help and --version.
// Parsed before any application object exists, so that these and mistakes are
// answered without a display.
class ConsoleCommandLine
{
public:
    ConsoleCommandLine();

    // Arguments include the program name first. False on anything unusable.
    bool parse(const QStringList &arguments);
    QString errorText() const { return m_error; }
    bool helpRequested() const;
    bool versionRequested() const;
    // Qt's own -platform, passed on to the application object.
    bool platformChosen() const;
    QString helpText() const { return m_parser.helpText(); }

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QCommandLineOption m_platform;
    QString m_error;
};
