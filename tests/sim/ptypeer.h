#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

// The console's end of the line in tests: plain POSIX calls, and nothing is
// read off the line until received() is asked for, like a stalled console.
class PtyPeer
{
public:
    enum class Settings { Raw, AsFound };

    PtyPeer() = default;
    ~PtyPeer() { close(); }
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    bool open(const QString &path, Settings settings = Settings::Raw)
    {
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios attributes{};
        if (m_fd >= 0 && settings == Settings::Raw && ::tcgetattr(m_fd, &attributes) == 0) {
            ::cfmakeraw(&attributes);
            ::cfsetspeed(&attributes, B57600);
            ::tcsetattr(m_fd, TCSANOW, &attributes);
        }
        return m_fd >= 0;
    }

    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    bool write(const QByteArray &bytes)
    {
        return ::write(m_fd, bytes.constData(), bytes.size()) == bytes.size();
    }

    const QByteArray &received()
    {
        char buffer[4096];
        ssize_t count = 0;
        while (m_fd >= 0 && (count = ::read(m_fd, buffer, sizeof buffer)) > 0)
            m_received.append(buffer, count);
        return m_received;
    }

    // Complete lines so far, without their CR LF.
    QList<QByteArray> lines()
    {
        QList<QByteArray> result = received().split('\n');
        result.removeLast(); // unterminated tail, or empty after the last LF
        for (QByteArray &line : result)
            line.chop(line.endsWith('\r') ? 1 : 0);
        return result;
    }

private:
    int m_fd = -1;
    QByteArray m_received;
};
