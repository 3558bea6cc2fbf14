#include "consoleprocess.h"

#include "xtools.h"

#include <QHash>

#include <algorithm>
#include <utility>

#include <csignal>

#include <sys/resource.h>

const QString ConsoleProcess::WindowTitle = QStringLiteral("Tavimork PC Controlled Robot");

ConsoleProcess::ConsoleProcess(const XTools &x, ConsoleProgram program)
    : m_x(x)
    , m_program(std::move(program))
{
    // The console's own warnings end up in the test log, next to the failure.
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    // Tests end it with fatal signals too: no core files.
    m_process.setChildProcessModifier([] {
        const rlimit none{0, 0};
        ::setrlimit(RLIMIT_CORE, &none);
    });
}

ConsoleProcess::~ConsoleProcess()
{
    // A key left down would go on repeating into whatever the next test starts.
    for (const QString &key : std::as_const(m_heldKeys))
        m_x.xdotool({QStringLiteral("keyup"), key});
    for (const int button : std::as_const(m_heldButtons))
        m_x.xdotool({QStringLiteral("mouseup"), QString::number(button)});
    if (isRunning()) {
        m_process.terminate();
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    forwardWineOutput();
}

bool ConsoleProcess::start(const QString &port1Device, int timeoutMs, int unwatchedMs)
{
    if (m_program.isUnderWine()) {
        m_comLink = std::make_unique<ComPortLink>(m_program, 1, port1Device);
        if (!m_comLink->isValid()) {
            m_error = m_comLink->errorString();
            return false;
        }
        if (!m_wineOutput.open()) {
            m_error = QStringLiteral("cannot make a file for Wine's output: %1")
                          .arg(m_wineOutput.errorString());
            return false;
        }
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.setStandardInputFile(QProcess::nullDevice());
        m_process.setStandardOutputFile(m_wineOutput.fileName(), QIODevice::Append);
        m_process.setStandardErrorFile(m_wineOutput.fileName(), QIODevice::Append);
    }
    m_process.setProcessEnvironment(m_program.environment(m_x.environment(), port1Device));
    m_process.start(m_program.program(), m_program.arguments() + m_consoleArguments);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("cannot start %1: %2")
                      .arg(m_program.executable(), m_process.errorString());
        return false;
    }
    if (unwatchedMs > 0 && m_process.waitForFinished(unwatchedMs)) {
        m_error = QStringLiteral("the console ended before its window showed (%1)")
                      .arg(m_process.exitStatus() == QProcess::CrashExit
                               ? QStringLiteral("crashed")
                               : QStringLiteral("status %1").arg(m_process.exitCode()));
        return false;
    }
    QString searchError;
    m_window =
        m_x.waitForWindow(windowOwner(), XTools::exactTitle(WindowTitle), timeoutMs, &searchError);
    if (m_window.isEmpty()) {
        m_error =
            QStringLiteral("no window titled \"%1\" appeared %2").arg(WindowTitle, searchError);
        return false;
    }
    if (!readGeometry())
        return false;
    // No window manager hands out the focus here; take it as a click would.
    return focusWindow(m_window);
}

void ConsoleProcess::forwardWineOutput()
{
    if (!m_wineOutput.isOpen())
        return;
    m_wineOutput.seek(0);
    const QByteArray output = m_wineOutput.readAll().replace("\r\n", "\n").trimmed();
    if (!output.isEmpty())
        qInfo("the console under Wine wrote:\n%s", output.constData());
}

bool ConsoleProcess::readGeometry()
{
    const QHash<QByteArray, int> values = m_x.xdotoolValues(
        {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), m_window});
    const QByteArrayList wanted{"X", "Y", "WIDTH", "HEIGHT"};
    if (!std::all_of(wanted.cbegin(), wanted.cend(),
                     [&values](const QByteArray &key) { return values.contains(key); })) {
        m_error = QStringLiteral("cannot read the geometry of window %1").arg(m_window);
        return false;
    }
    m_origin = QPoint(values.value("X"), values.value("Y"));
    m_clientSize = QSize(values.value("WIDTH"), values.value("HEIGHT"));
    // Every point the tests use assumes the window's fixed layout.
    if (m_clientSize != ClientSize) {
        m_error = QStringLiteral("client area is %1x%2, not %3x%4")
                      .arg(m_clientSize.width())
                      .arg(m_clientSize.height())
                      .arg(ClientSize.width())
                      .arg(ClientSize.height());
        return false;
    }
    return true;
}

bool ConsoleProcess::act(const QStringList &xdotoolArguments)
{
    return m_x.xdotool(xdotoolArguments, &m_error);
}

bool ConsoleProcess::moveTo(QPoint client)
{
    const QPoint screen = m_origin + client;
    // --sync would wait forever for a move to where the pointer already is.
    if (m_x.pointer() == screen)
        return true;
    // --sync: return once the pointer is there, so what follows happens after.
    return act({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(screen.x()),
                QString::number(screen.y())});
}

bool ConsoleProcess::click(QPoint client)
{
    return moveTo(client) && act({QStringLiteral("click"), QStringLiteral("1")});
}

bool ConsoleProcess::buttonDown(int button)
{
    if (!act({QStringLiteral("mousedown"), QString::number(button)}))
        return false;
    m_heldButtons.append(button);
    return true;
}

bool ConsoleProcess::buttonUp(int button)
{
    m_heldButtons.removeOne(button);
    return act({QStringLiteral("mouseup"), QString::number(button)});
}

bool ConsoleProcess::keyDown(const QString &key)
{
    if (!act({QStringLiteral("keydown"), key}))
        return false;
    m_heldKeys.append(key);
    return true;
}

bool ConsoleProcess::keyUp(const QString &key)
{
    m_heldKeys.removeOne(key);
    return act({QStringLiteral("keyup"), key});
}

bool ConsoleProcess::key(const QString &keys)
{
    return act({QStringLiteral("key"), keys});
}

std::optional<QString> ConsoleProcess::copyFocusedText()
{
    if (!key(QStringLiteral("ctrl+a")) || !key(QStringLiteral("ctrl+c")))
        return std::nullopt;
    return QString::fromUtf8(m_x.clipboard());
}

QString ConsoleProcess::waitForWindow(const QString &titleRegex, int timeoutMs) const
{
    return m_x.waitForWindow(windowOwner(), titleRegex, timeoutMs);
}

bool ConsoleProcess::hasWindow(const QString &titleRegex) const
{
    return !m_x.windows(windowOwner(), titleRegex).isEmpty();
}

bool ConsoleProcess::focusWindow(const QString &window)
{
    return act({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
}

bool ConsoleProcess::requestClose()
{
    return m_x.requestClose(m_window, &m_error);
}

bool ConsoleProcess::sendSignal(int signalNumber)
{
    if (isRunning() && ::kill(pid_t(pid()), signalNumber) == 0)
        return true;
    m_error = QStringLiteral("cannot send signal %1 to the console").arg(signalNumber);
    return false;
}

bool ConsoleProcess::runSystemEnds(const QStringList &request)
{
    const QString missing = m_program.systemEndsMissing();
    if (!missing.isEmpty()) {
        m_error = missing;
        return false;
    }
    // A file, as for the console: Wine's helpers would hold a pipe open.
    QTemporaryFile output;
    if (!output.open()) {
        m_error = QStringLiteral("cannot make a file for systemends' output");
        return false;
    }
    QProcess systemEnds;
    systemEnds.setProcessEnvironment(m_program.environment(m_x.environment(), QString()));
    systemEnds.setStandardInputFile(QProcess::nullDevice());
    systemEnds.setStandardOutputFile(output.fileName());
    systemEnds.setStandardErrorFile(output.fileName(), QIODevice::Append);
    systemEnds.start(m_program.program(), m_program.systemEndsArguments(request));
    const bool finished = systemEnds.waitForFinished(XTools::DefaultTimeoutMs);
    if (!finished) {
        systemEnds.kill();
        systemEnds.waitForFinished();
    }
    if (finished && systemEnds.exitStatus() == QProcess::NormalExit && systemEnds.exitCode() == 0)
        return true;
    m_error = QStringLiteral("systemends %1 %2: %3")
                  .arg(request.join(u' '),
                       finished ? QStringLiteral("failed") : QStringLiteral("did not finish"),
                       QString::fromLocal8Bit(output.readAll()).trimmed());
    return false;
}

bool ConsoleProcess::waitForExit(int timeoutMs)
{
    return !isRunning() || m_process.waitForFinished(timeoutMs);
}

bool ConsoleProcess::exitedCleanly() const
{
    return !isRunning() && m_process.exitStatus() == QProcess::NormalExit &&
           m_process.exitCode() == 0;
}

int ConsoleProcess::endingSignal() const
{
    // Qt gives a crashed process's signal as its exit code.
    return !isRunning() && m_process.exitStatus() == QProcess::CrashExit ? m_process.exitCode() : 0;
}
