#include "consolesession.h"

#include "consolepoints.h"

#include <QFileInfo>
#include <QTest>

#include <optional>

namespace {
QString cannotCopy(const ConsoleProcess &console)
{
    return QStringLiteral("(cannot copy the log: %1)").arg(console.errorString());
}
} // namespace

ConsoleSession::ConsoleSession(int waitMs)
    : m_waitMs(waitMs)
    , m_program(ConsoleProgram::fromEnvironment(QStringLiteral(TAVIMORK_EXECUTABLE),
                                                QStringLiteral(TAVIMORK_NODEV_SERIAL)))
{}

void ConsoleSession::startServer(const QStringList &otherPrograms)
{
    const QString missing = XTools::missingTools();
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
    const QString notRunnable = m_program.missing();
    QVERIFY2(notRunnable.isEmpty(), qPrintable(notRunnable));
    for (const QString &program : otherPrograms)
        QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program));

    m_server = std::make_unique<XServer>();
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    m_x = std::make_unique<XTools>(m_server->clientEnvironment());
}

void ConsoleSession::startTest()
{
    m_failure.clear();
    QString error;
    // A held key repeats after 250 ms, 30 times a second.
    QVERIFY2(m_x->setKeyRepeat(250, 30, &error), qPrintable(error));
    const QPoint parked = ConsolePoints::ParkedPointer;
    QVERIFY(m_x->xdotool(
        {QStringLiteral("mousemove"), QString::number(parked.x()), QString::number(parked.y())}));
}

bool ConsoleSession::fail(const QString &why)
{
    m_failure = why;
    return false;
}

bool ConsoleSession::waitFor(const std::function<bool()> &done) const
{
    return QTest::qWaitFor(done, m_waitMs);
}

bool ConsoleSession::startConsole(const QString &port1Device, const XTools *x,
                                  const ConsoleProgram *otherProgram, const QStringList &arguments)
{
    m_console =
        std::make_unique<ConsoleProcess>(x ? *x : *m_x, otherProgram ? *otherProgram : m_program);
    m_console->setConsoleArguments(arguments);
    return m_console->start(port1Device) || fail(m_console->errorString());
}

std::unique_ptr<ConsoleProcess> ConsoleSession::anotherConsole() const
{
    return std::make_unique<ConsoleProcess>(*m_x, m_program);
}

bool ConsoleSession::click(QRect control)
{
    return m_console->click(control.center()) || fail(m_console->errorString());
}

QString ConsoleSession::logText()
{
    const std::optional<QString> text = m_console->copyFocusedText();
    return text ? *text : cannotCopy(*m_console);
}

QStringList ConsoleSession::logLines()
{
    const std::optional<QString> text = m_console->copyFocusedText();
    if (!text)
        return {cannotCopy(*m_console)};
    QStringList lines = text->split(u'\n');
    lines.removeLast();
    return lines;
}
