#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// One run of the real simulator for the lifetime of the object. Its first
// stdout line names the pseudo-terminal a console should open.
class SimProcess
{
public:
    SimProcess();
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts it with arguments and waits for the device line.
    bool start(const QStringList &arguments = {QStringLiteral("--headless")},
               int timeoutMs = 30000);
    QString errorString() const { return m_error; }
    QString devicePath() const { return m_devicePath; }
    // For its environment before the start, and how it ends.
    QProcess &process() { return m_process; }

    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // How it ended, for a failure message when it is no longer running.
    QString exitDescription() const;

private:
    QProcess m_process;
    QString m_devicePath;
    QString m_error;
};
