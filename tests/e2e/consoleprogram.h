#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The console program the end-to-end tests and the bench drive, and how it is
// started: the native build, or the Windows build (tavimork.exe with its DLLs
// and plugins next to it) under Wine. Both are steered the same way from
// outside; what differs is how port 1 reaches them. The native console is told
// its device in TAVIMORK_PORT1; the Windows one keeps its own numbering (port N
// is COMN), so port 1 is the Wine prefix's COM1 link, which ComPortLink makes.
class ConsoleProgram
{
public:
    // Names the Windows build to run under Wine instead of the native one.
    static constexpr const char *WineConsoleVariable = "TAVIMORK_E2E_WINE_CONSOLE";
    // Names tests/e2e/windows' systemends.exe, which ends the Windows build
    // the ways Windows does.
    static constexpr const char *SystemEndsVariable = "TAVIMORK_E2E_SYSTEMENDS";

    static ConsoleProgram native(const QString &executable);
    // In the prefix WINEPREFIX names; every Wine process runs through
    // nodevSerial, where no serial device of this machine can be reached.
    static ConsoleProgram underWine(const QString &executable, const QString &nodevSerial);
    // The Windows build named by WineConsoleVariable if it is set, else
    // nativeExecutable.
    static ConsoleProgram fromEnvironment(const QString &nativeExecutable,
                                          const QString &nodevSerial);

    bool isUnderWine() const { return m_underWine; }
    QString executable() const { return m_executable; }
    // What keeps this program from running here; empty when nothing does.
    QString missing() const;

    // The Windows build started in a Windows console of its own, which it
    // joins, by systemends; its windows then belong to another process than
    // the one started.
    ConsoleProgram inWindowsConsole() const;
    bool startsInWindowsConsole() const { return m_inWindowsConsole; }
    // What keeps systemends from running; empty when nothing does.
    QString systemEndsMissing() const;

    QString program() const;
    QStringList arguments() const;
    // systemends with these arguments, started as program() is.
    QStringList systemEndsArguments(const QStringList &request) const;
    // base with what the program needs to find port 1 at port1Device (the
    // native build) or to run under Wine at all.
    QProcessEnvironment environment(QProcessEnvironment base, const QString &port1Device) const;

    // The prefix's link for COM<port>, which Wine opens for that port.
    QString comLinkPath(int port) const;
    // COM links in the prefix, as "com1 -> /dev/ttyS0"; any there before a
    // test made its own would steer a port number to a device of the machine.
    QStringList comLinks() const;

private:
    ConsoleProgram(QString executable, bool underWine, QString nodevSerial);

    QString m_executable;
    bool m_underWine = false;
    QString m_nodevSerial;
    QString m_winePrefix;
    QString m_systemEnds;
    bool m_inWindowsConsole = false;
};

// The Wine prefix's COM<n> link to a device, for as long as this lives. A
// second console on the same device shares the link that is there; a link to
// anything else is not overwritten, since this test did not make it.
class ComPortLink
{
public:
    ComPortLink(const ConsoleProgram &program, int port, const QString &device);
    ~ComPortLink();
    ComPortLink(const ComPortLink &) = delete;
    ComPortLink &operator=(const ComPortLink &) = delete;

    bool isValid() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }

private:
    QString m_path;
    bool m_made = false;
    QString m_error;
};
