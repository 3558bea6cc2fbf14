#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// One run of the real simulator, headless, for the lifetime of the object.
// Its first stdout line names the pseudo-terminal a console should open.
class SimProcess
{
public:
    explicit SimProcess(QString executable);
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts it with --headless plus extraArguments and waits for the device line.
    bool start(const QStringList &extraArguments = {}, int timeoutMs = 30000);
    QString errorString() const { return m_error; }
    QString devicePath() const { return m_devicePath; }

    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // How it ended, for a failure message when it is no longer running.
    QString exitDescription() const;

private:
    const QString m_executable;
    QProcess m_process;
    QString m_devicePath;
    QString m_error;
};
