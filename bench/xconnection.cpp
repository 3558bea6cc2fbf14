#include "xconnection.h"

XConnection::XConnection(const QString &display)
    : m_connection(xcb_connect(display.toLocal8Bit().constData(), nullptr))
{
    if (xcb_connection_has_error(m_connection))
        m_error = QStringLiteral("cannot connect to display %1").arg(display);
}

XConnection::~XConnection()
{
    xcb_disconnect(m_connection);
}

xcb_window_t XConnection::root() const
{
    return xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
}
