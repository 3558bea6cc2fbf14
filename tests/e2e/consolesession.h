#pragma once

#include "consoleprocess.h"
#include "consoleprogram.h"
#include "xserver.h"
#include "xtools.h"

#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>

// What every end-to-end test class stands on: a private X server with the
// tools an operator's session offers, and one console per test on it. Its
// helpers report through failure() and return false; the test then fails with
// that, as in QVERIFY2(step(), qPrintable(failure())).
class ConsoleSession : public QObject
{
    Q_OBJECT

protected:
    explicit ConsoleSession(int waitMs);

    // For initTestCase: the X tools, the console and otherPrograms are all
    // there, and the server is up.
    void startServer(const QStringList &otherPrograms = {});
    // For init: no failure yet, held keys repeating as on an operator's
    // desktop, and the pointer off where the console's window will be.
    void startTest();
    // For cleanup.
    void stopConsole() { m_console.reset(); }

    QString failure() const { return m_failure; }
    bool fail(const QString &why);
    // Polls done for as long as the tests wait for anything.
    bool waitFor(const std::function<bool()> &done) const;

    const XTools &x() const { return *m_x; }
    ConsoleProcess &console() { return *m_console; }
    // The native build, or the Windows one under Wine when
    // ConsoleProgram::WineConsoleVariable names it.
    const ConsoleProgram &program() const { return m_program; }

    // Starts the console with port 1 standing for port1Device; on this
    // session's server unless given another, as program() unless given
    // another.
    bool startConsole(const QString &port1Device, const XTools *x = nullptr,
                      const ConsoleProgram *otherProgram = nullptr,
                      const QStringList &arguments = {});
    // Another console of the same program on this session's server, for the
    // test to start and end.
    std::unique_ptr<ConsoleProcess> anotherConsole() const;
    bool click(QRect control);
    // The log box's text as an operator can take it: select all, copy, paste
    // elsewhere. Keys only, so the pointer stays wherever it steers: call with
    // the log box focused. A note of what went wrong when it cannot be copied.
    QString logText();
    // The lines the log has ended (the last may still be arriving), or the note.
    QStringList logLines();

private:
    const int m_waitMs;
    const ConsoleProgram m_program;
    // In this order, so the console goes before the server it is a client of.
    std::unique_ptr<XServer> m_server;
    std::unique_ptr<XTools> m_x;
    std::unique_ptr<ConsoleProcess> m_console;
    QString m_failure;
};

// Runs of equal neighbours as (item, count), to keep failure messages short.
template <typename List>
QList<std::pair<typename List::value_type, qsizetype>> runsIn(const List &items)
{
    QList<std::pair<typename List::value_type, qsizetype>> runs;
    for (const auto &item : items) {
        if (!runs.isEmpty() && runs.last().first == item)
            ++runs.last().second;
        else
            runs.append({item, 1});
    }
    return runs;
}
