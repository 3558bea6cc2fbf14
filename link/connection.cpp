#include "connection.h"

#include "seriallink.h"

#include <limits>
#include <utility>

Connection::Connection(SerialLink &link, QString settings, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_settings(std::move(settings))
{
    connect(&m_link, &SerialLink::portLost, this, &Connection::lost);
}

qint16 Connection::portForListPosition(int position)
{
    const int port = position + 1;
    if (port < std::numeric_limits<qint16>::min() || port > std::numeric_limits<qint16>::max())
        return 0;
    return static_cast<qint16>(port);
}

bool Connection::open(int listPosition)
{
    m_error.clear();
    const bool opened = m_link.setCommPort(portForListPosition(listPosition)) &&
                        m_link.setSettings(m_settings) && m_link.setPortOpen(true);
    if (!opened)
        m_error = m_link.errorString();
    return opened;
}

void Connection::close()
{
    m_link.setPortOpen(false);
}
