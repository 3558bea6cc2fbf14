#include "displayenvironment.h"

#include <QByteArray>

#include <xcb/xcb.h>

namespace {

// The platform's name without its options (xcb:nograb).
QString platformName(const QString &platform)
{
    return platform.section(u':', 0, 0).trimmed();
}

// A test connection: Qt's X11 platform aborts the program when it cannot make
// one, whether no server listens there or the name is no display name at all.
bool xServerAnswers(const QByteArray &display)
{
    xcb_connection_t *const connection = xcb_connect(display.constData(), nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

} // namespace

QString displayProblem(const QString &platform)
{
    QString chosen = platformName(platform);
    if (chosen.isEmpty())
        chosen = platformName(qEnvironmentVariable("QT_QPA_PLATFORM"));
    if (!chosen.isEmpty() && chosen != QLatin1String("xcb"))
        return {};

    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        if (!chosen.isEmpty())
            return QStringLiteral("the X11 platform is chosen and DISPLAY is not set");
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            return {};
        return QStringLiteral("neither DISPLAY (X11) nor WAYLAND_DISPLAY (Wayland) is set");
    }
    if (chosen.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return {};
    if (!xServerAnswers(display))
        return QStringLiteral("no X server answers at DISPLAY=%1")
            .arg(QString::fromLocal8Bit(display));
    return {};
}
