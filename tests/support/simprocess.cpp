#include "simprocess.h"

#include <QDeadlineTimer>

SimProcess::SimProcess()
{
    m_process.setProgram(QStringLiteral(TAVIMORK_SIM_EXECUTABLE));
    // Its warnings (a failed pty, a lost line) belong next to the failure.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

SimProcess::~SimProcess()
{
    if (!isRunning())
        return;
    // SIGTERM is its clean way out; kill only if it does not take it.
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool SimProcess::start(const QStringList &arguments, int timeoutMs)
{
    m_process.setArguments(arguments);
    m_process.start();
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error =
            QStringLiteral("cannot start %1: %2").arg(m_process.program(), m_process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_process.canReadLine() && isRunning() && !deadline.hasExpired())
        m_process.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 100)));
    m_devicePath = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    if (!m_devicePath.startsWith(QLatin1String("/dev/"))) {
        m_error = QStringLiteral("no device line from the simulator (got \"%1\"; %2)")
                      .arg(m_devicePath, exitDescription());
        return false;
    }
    return true;
}

QString SimProcess::exitDescription() const
{
    if (isRunning())
        return QStringLiteral("still running");
    if (m_process.exitStatus() == QProcess::CrashExit)
        return QStringLiteral("crashed");
    return QStringLiteral("exited with code %1").arg(m_process.exitCode());
}
