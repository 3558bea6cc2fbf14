#pragma once

#include "consolelayout.h"
#include "consoleprogram.h"
#include "xtools.h"

#include <QPoint>
#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>

#include <memory>
#include <optional>

// One run of the real console program on an X server, driven from outside
// the way an operator would: pointer and keys through xdotool at points given
// in the window's client coordinates. The port device is only a path, so the
// console can face a pty, a simulator or a real adapter alike; the program is
// the native build or the Windows one under Wine.
class ConsoleProcess
{
public:
    static const QString WindowTitle;
    static constexpr QSize ClientSize = ConsoleLayout::clientSize();

    ConsoleProcess(const XTools &x, ConsoleProgram program);
    ~ConsoleProcess();
    ConsoleProcess(const ConsoleProcess &) = delete;
    ConsoleProcess &operator=(const ConsoleProcess &) = delete;

    // Starts the console with port 1 standing for port1Device and waits until
    // its window is up, at its fixed size, and has the keyboard. For the
    // first unwatchedMs nothing looks at the X server: a look is a client of
    // its own, which would keep a server that resets from resetting while the
    // console connects.
    bool start(const QString &port1Device, int timeoutMs = 30000, int unwatchedMs = 0);
    // Options of the console's own for the next start, after the program's.
    void setConsoleArguments(const QStringList &arguments) { m_consoleArguments = arguments; }
    const ConsoleProgram &program() const { return m_program; }
    QString errorString() const { return m_error; }

    qint64 pid() const { return m_process.processId(); }
    QString window() const { return m_window; }
    QSize clientSize() const { return m_clientSize; }

    bool moveTo(QPoint client);
    bool click(QPoint client);
    // Mouse button 1, 2 or 3, pressed where the pointer is.
    bool buttonDown(int button);
    bool buttonUp(int button);
    bool keyDown(const QString &key);
    bool keyUp(const QString &key);
    // Press and release, e.g. "ctrl+a".
    bool key(const QString &keys);
    // Selects all of the focused control's text and copies it, as an operator
    // would, and reads the clipboard back. The copy may land late: poll.
    std::optional<QString> copyFocusedText();

    // Another window of this console (a message box) by title.
    QString waitForWindow(const QString &titleRegex, int timeoutMs) const;
    bool hasWindow(const QString &titleRegex) const;
    bool focusWindow(const QString &window);

    // The close button of a window manager.
    bool requestClose();
    // As logout, Ctrl+C in a terminal or a service manager would.
    bool sendSignal(int signalNumber);
    // Under Wine: what Windows does to end it or take its port away, by
    // systemends with these arguments (see tests/e2e/windows/systemends.cpp).
    bool runSystemEnds(const QStringList &request);
    bool waitForExit(int timeoutMs);
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    bool exitedCleanly() const;
    // The signal that ended the console, or 0 if it exited.
    int endingSignal() const;

private:
    // The process whose windows are the console's, 0 when it is not known.
    qint64 windowOwner() const { return m_program.startsInWindowsConsole() ? 0 : pid(); }
    bool readGeometry();
    bool act(const QStringList &xdotoolArguments);
    // Under Wine, what the console and Wine wrote, into the test's log.
    void forwardWineOutput();

    // A copy: the X server may be one of a test's own, gone before the console.
    const XTools m_x;
    const ConsoleProgram m_program;
    QStringList m_consoleArguments;
    // Made before the process starts and removed once it has ended.
    std::unique_ptr<ComPortLink> m_comLink;
    // Wine's helper processes inherit the console's output and outlive it: a
    // pipe there would stay open after the console ends. A file does not mind.
    QTemporaryFile m_wineOutput;
    QProcess m_process;
    QString m_window;
    QPoint m_origin;
    QSize m_clientSize;
    QStringList m_heldKeys;
    QList<int> m_heldButtons;
    QString m_error;
};
