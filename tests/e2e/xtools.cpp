#include "xtools.h"

#include <QStandardPaths>

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {
xcb_atom_t internAtom(xcb_connection_t *connection, const QByteArray &name)
{
    const auto cookie = xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData());
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// xdotool search's arguments for windows of process pid; none for 0, any process.
QStringList ofProcess(qint64 pid)
{
    return pid ? QStringList{QStringLiteral("--pid"), QString::number(pid)} : QStringList();
}
} // namespace

QString XTools::missingTools()
{
    const std::pair<const char *, const char *> tools[] = {{"Xvfb", "xvfb"},
                                                           {"xdotool", "xdotool"},
                                                           {"xset", "x11-xserver-utils"},
                                                           {"xclip", "xclip"},
                                                           {"setxkbmap", "x11-xkb-utils"}};
    QStringList missing;
    for (const auto &[tool, package] : tools) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            missing << QStringLiteral("%1 (Debian package %2)")
                           .arg(QLatin1String(tool), QLatin1String(package));
    }
    return missing.isEmpty() ? QString() : QStringLiteral("missing: ") + missing.join(u", ");
}

XTools::XTools(QProcessEnvironment environment)
    : m_environment(std::move(environment))
{}

XTools::Result XTools::run(const QString &program, const QStringList &arguments,
                           int timeoutMs) const
{
    Result result;
    QProcess process;
    process.setProcessEnvironment(m_environment);
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs)) {
        result.errors = process.errorString().toLocal8Bit();
        return result;
    }
    process.closeWriteChannel();
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = process.readAllStandardOutput();
    result.errors = process.readAllStandardError();
    return result;
}

bool XTools::xdotool(const QStringList &arguments, QString *error) const
{
    const Result result = run(QStringLiteral("xdotool"), arguments);
    if (!result.ok() && error) {
        *error = QStringLiteral("xdotool %1 failed (%2): %3")
                     .arg(arguments.join(u' '),
                          result.finished ? QString::number(result.exitCode)
                                          : QStringLiteral("timed out"),
                          QString::fromLocal8Bit(result.errors.trimmed()));
    }
    return result.ok();
}

QHash<QByteArray, int> XTools::xdotoolValues(const QStringList &arguments) const
{
    QHash<QByteArray, int> values;
    const Result result = run(QStringLiteral("xdotool"), arguments);
    if (!result.ok())
        return values;
    for (const QByteArray &line : result.output.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1).toInt());
    }
    return values;
}

std::optional<QPoint> XTools::pointer() const
{
    const QHash<QByteArray, int> values =
        xdotoolValues({QStringLiteral("getmouselocation"), QStringLiteral("--shell")});
    if (!values.contains("X") || !values.contains("Y"))
        return std::nullopt;
    return QPoint(values.value("X"), values.value("Y"));
}

QString XTools::exactTitle(const QString &title)
{
    static const QString special = QStringLiteral(".[]{}()\\*+?|^$");
    QString pattern = QStringLiteral("^");
    for (const QChar c : title) {
        if (special.contains(c))
            pattern += u'\\';
        pattern += c;
    }
    return pattern + u'$';
}

XTools::Result XTools::search(const QStringList &arguments, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const Result result =
            run(QStringLiteral("xdotool"), QStringList{QStringLiteral("search")} + arguments,
                int(qMax<qint64>(deadline.remainingTime(), 1)));
        // Debian 12's xdotool (3.20160805) dies of an X error when a window
        // goes while it looks at it, and Wine makes and drops windows of its
        // own as a program starts: that is no answer, so ask again. Nor is
        // being turned away by a server that resets as its last client leaves.
        const bool noAnswer =
            result.errors.contains("X Error") || result.errors.contains("Can't open display");
        if (!noAnswer || deadline.hasExpired())
            return result;
    }
}

QStringList XTools::windows(qint64 pid, const QString &titleRegex) const
{
    const Result result =
        search(QStringList{QStringLiteral("--all"), QStringLiteral("--onlyvisible")} +
                   ofProcess(pid) + QStringList{QStringLiteral("--name"), titleRegex},
               DefaultTimeoutMs);
    // xdotool exits 1 when nothing matches; that is an answer, not a failure.
    return QString::fromLatin1(result.output).split(u'\n', Qt::SkipEmptyParts);
}

QString XTools::waitForWindow(qint64 pid, const QString &titleRegex, int timeoutMs,
                              QString *error) const
{
    const Result result =
        search(QStringList{QStringLiteral("--sync"), QStringLiteral("--all"),
                           QStringLiteral("--onlyvisible")} +
                   ofProcess(pid) + QStringList{QStringLiteral("--name"), titleRegex},
               timeoutMs);
    const QStringList found = QString::fromLatin1(result.output).split(u'\n', Qt::SkipEmptyParts);
    if (found.isEmpty() && result.finished && error)
        *error = QStringLiteral("xdotool search ended with status %1: %2")
                     .arg(result.exitCode)
                     .arg(QString::fromLocal8Bit(result.errors.trimmed()));
    return found.isEmpty() ? QString() : found.first();
}

QByteArray XTools::clipboard() const
{
    const Result result =
        run(QStringLiteral("xclip"),
            {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    return result.ok() ? result.output : QByteArray();
}

QString XTools::keyboardState() const
{
    return QString::fromLocal8Bit(run(QStringLiteral("xset"), {QStringLiteral("q")}).output);
}

bool XTools::setKeyRepeat(int delayMs, int ratePerSecond, QString *error) const
{
    const Result on = run(QStringLiteral("xset"), {QStringLiteral("r"), QStringLiteral("on")});
    const Result rate =
        run(QStringLiteral("xset"), {QStringLiteral("r"), QStringLiteral("rate"),
                                     QString::number(delayMs), QString::number(ratePerSecond)});
    // Read back: a held-key check is worthless on a server that does not repeat.
    const QString state = keyboardState();
    const bool repeating = state.contains(QRegularExpression(QStringLiteral("auto repeat:\\s+on")));
    const bool timed = state.contains(
        QRegularExpression(QStringLiteral("auto repeat delay:\\s+%1\\s+repeat rate:\\s+%2\\b")
                               .arg(delayMs)
                               .arg(ratePerSecond)));
    if (on.ok() && rate.ok() && repeating && timed)
        return true;
    if (error) {
        *error = QStringLiteral("xset did not turn auto-repeat on at %1 ms/%2 Hz: %3%4")
                     .arg(delayMs)
                     .arg(ratePerSecond)
                     .arg(QString::fromLocal8Bit(on.errors + rate.errors), state);
    }
    return false;
}

bool XTools::setNumLock(bool on, QString *error) const
{
    static const QRegularExpression numLock(QStringLiteral("Num Lock:\\s+(on|off)"));
    const auto isOn = [this] {
        return numLock.match(keyboardState()).captured(1) == QLatin1String("on");
    };
    if (isOn() != on)
        xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock")}, error);
    // The lock follows the key event on the server's own time.
    if (QTest::qWaitFor([&] { return isOn() == on; }, 5000))
        return true;
    if (error && error->isEmpty())
        *error = QStringLiteral("Num Lock stays %1").arg(on ? "off" : "on");
    return false;
}

QString XTools::keyboardLayouts() const
{
    static const QRegularExpression layout(QStringLiteral("^layout:\\s+(\\S+)$"),
                                           QRegularExpression::MultilineOption);
    const Result query = run(QStringLiteral("setxkbmap"), {QStringLiteral("-query")});
    return layout.match(QString::fromLocal8Bit(query.output)).captured(1);
}

bool XTools::setKeyboardLayouts(const QString &layouts, QString *error) const
{
    const Result set = run(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), layouts});
    // Read back: a layout the server did not take would leave the keys as they were.
    const QString now = keyboardLayouts();
    if (set.ok() && now == layouts)
        return true;
    if (error) {
        *error = QStringLiteral("setxkbmap -layout %1 left the layouts at \"%2\": %3")
                     .arg(layouts, now, QString::fromLocal8Bit(set.errors.trimmed()));
    }
    return false;
}

bool XTools::requestClose(const QString &window, QString *error) const
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    bool ok = false;
    const xcb_window_t id = window.toUInt(&ok);
    if (!ok)
        return fail(QStringLiteral("not a window id: %1").arg(window));

    const QByteArray display = m_environment.value(QStringLiteral("DISPLAY")).toLocal8Bit();
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(display.constData(), nullptr), &xcb_disconnect);
    if (xcb_connection_has_error(connection.get()))
        return fail(QStringLiteral("cannot connect to display %1").arg(display));

    const xcb_atom_t protocols = internAtom(connection.get(), "WM_PROTOCOLS");
    const xcb_atom_t deleteWindow = internAtom(connection.get(), "WM_DELETE_WINDOW");
    if (protocols == XCB_ATOM_NONE || deleteWindow == XCB_ATOM_NONE)
        return fail(QStringLiteral("cannot intern WM_PROTOCOLS/WM_DELETE_WINDOW"));

    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = protocols;
    message.data.data32[0] = deleteWindow;
    message.data.data32[1] = XCB_CURRENT_TIME;
    const auto cookie = xcb_send_event_checked(connection.get(), 0, id, XCB_EVENT_MASK_NO_EVENT,
                                               reinterpret_cast<const char *>(&message));
    std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> sendError(
        xcb_request_check(connection.get(), cookie), &std::free);
    if (sendError)
        return fail(
            QStringLiteral("X error %1 sending WM_DELETE_WINDOW").arg(sendError->error_code));
    return true;
}
