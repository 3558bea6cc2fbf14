#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

// What the programs' command lines have in common: --help, --version and no
// positional arguments. Parsing needs no application object, so that these
// and mistakes are answered even without a display.
class ProgramCommandLine
{
public:
    // Exit status for a command line that cannot be used.
    static constexpr int ExitUsage = 2;

    // Arguments include the program name first. False on anything unusable;
    // errorText() then says what.
    bool parse(const QStringList &arguments);
    // parse() on main()'s arguments; a mistake is also told on stderr.
    bool parse(int argc, char **argv);
    QString errorText() const { return m_error; }
    bool helpRequested() const { return m_parser.isSet(m_help); }
    bool versionRequested() const { return m_parser.isSet(m_version); }
    QString helpText() const { return m_parser.helpText(); }
    // Prints whichever of the two was asked for. The help's usage line names
    // the program from the application object's arguments, so one must exist.
    void printHelpOrVersion(const char *version) const;

protected:
    ProgramCommandLine(const char *program, const char *description);
    ~ProgramCommandLine() = default;

    // The program's own options, once the common ones leave something to do.
    // False on a mistake, with m_error set.
    virtual bool readOptions() { return true; }

    QCommandLineParser m_parser;
    QString m_error;

private:
    const char *m_program;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
};
