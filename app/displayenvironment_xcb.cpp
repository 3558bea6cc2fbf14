#include "displayenvironment.h"

#include <QByteArray>
#include <QDeadlineTimer>

#include <xcb/xcb.h>

#include <chrono>
#include <thread>

namespace {

// A server that resets drops the clients still connecting; a while of retries
// tells that from no server at all.
constexpr std::chrono::milliseconds ConnectPatience{1000};
constexpr std::chrono::milliseconds ConnectRetryPause{100};

// The platform's name without its options (xcb:nograb).
QString platformName(const QString &platform)
{
    return platform.section(u':', 0, 0).trimmed();
}

} // namespace

class DisplayEnvironment::Connection
{
public:
    explicit Connection(xcb_connection_t *connection)
        : m_connection(connection)
    {}
    ~Connection() { xcb_disconnect(m_connection); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Qt's X11 platform aborts the program when it cannot make one, whether
    // no server listens there or the name is no display name at all. Null
    // when none could be made.
    static std::unique_ptr<Connection> open(const QByteArray &display)
    {
        const QDeadlineTimer deadline(ConnectPatience);
        for (;;) {
            xcb_connection_t *const connection = xcb_connect(display.constData(), nullptr);
            const int error = xcb_connection_has_error(connection);
            if (error == 0)
                return std::make_unique<Connection>(connection);
            xcb_disconnect(connection);
            // Only a failed connection may be a reset's; a bad name stays bad.
            if (error != XCB_CONN_ERROR || deadline.hasExpired())
                return nullptr;
            std::this_thread::sleep_for(ConnectRetryPause);
        }
    }

private:
    xcb_connection_t *const m_connection;
};

DisplayEnvironment::DisplayEnvironment(const QString &platform)
{
    QString chosen = platformName(platform);
    if (chosen.isEmpty())
        chosen = platformName(qEnvironmentVariable("QT_QPA_PLATFORM"));
    if (!chosen.isEmpty() && chosen != QLatin1String("xcb"))
        return;

    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        if (!chosen.isEmpty())
            m_problem = QStringLiteral("the X11 platform is chosen and DISPLAY is not set");
        else if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            m_problem =
                QStringLiteral("neither DISPLAY (X11) nor WAYLAND_DISPLAY (Wayland) is set");
        return;
    }
    if (chosen.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return;
    m_connection = Connection::open(display);
    if (!m_connection)
        m_problem = QStringLiteral("no X server answers at DISPLAY=%1")
                        .arg(QString::fromLocal8Bit(display));
}

DisplayEnvironment::~DisplayEnvironment() = default;

void DisplayEnvironment::release()
{
    m_connection.reset();
}
