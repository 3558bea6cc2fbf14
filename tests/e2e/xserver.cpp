#include "xserver.h"

#include <QDeadlineTimer>

XServer::XServer(LastClientLeaving lastClientLeaving)
    : m_lastClientLeaving(lastClientLeaving)
{}

XServer::~XServer()
{
    stop();
}

bool XServer::start(int timeoutMs)
{
    // -displayfd 1: Xvfb picks a free display and reports its number on
    // stdout once it accepts clients, which also tells us when it is ready.
    QStringList arguments{QStringLiteral("-displayfd"),  QStringLiteral("1"),
                          QStringLiteral("-screen"),     QStringLiteral("0"),
                          QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                          QStringLiteral("tcp")};
    if (m_lastClientLeaving == LastClientLeaving::Stays)
        arguments << QStringLiteral("-noreset");
    m_process.start(QStringLiteral("Xvfb"), arguments);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("cannot start Xvfb: %1").arg(m_process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray reported;
    while (!reported.contains('\n') &&
           m_process.waitForReadyRead(int(qMax<qint64>(deadline.remainingTime(), 0))))
        reported += m_process.readAllStandardOutput();
    bool ok = false;
    const int number = reported.trimmed().toInt(&ok);
    if (!ok) {
        m_error = QStringLiteral("Xvfb reported no display (\"%1\"): %2")
                      .arg(QString::fromLocal8Bit(reported),
                           QString::fromLocal8Bit(m_process.readAllStandardError()));
        stop();
        return false;
    }
    m_display = QStringLiteral(":%1").arg(number);
    return true;
}

void XServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void XServer::kill()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

QProcessEnvironment XServer::clientEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    // Whatever the caller runs under must not steer Qt programs elsewhere.
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (m_runtimeDir.isValid() && !environment.contains(QStringLiteral("XDG_RUNTIME_DIR")))
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir.path());
    return environment;
}
