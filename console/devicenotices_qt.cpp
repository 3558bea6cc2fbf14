#include "devicelistwatch.h"

#include <QSerialPortInfo>
#include <QStringList>
#include <QTimer>

#include <chrono>

namespace {

// A device folder that is no ordinary folder (macOS's devfs tells file
// system watchers nothing), so the port list is compared instead, only
// while someone listens.
class PortListNotices : public DeviceNotices
{
public:
    explicit PortListNotices(QObject *parent)
        : DeviceNotices(parent)
    {
        m_poll.setInterval(std::chrono::seconds(1));
        connect(&m_poll, &QTimer::timeout, this, [this] {
            const QStringList now = ports();
            if (now != m_last) {
                m_last = now;
                emit noticed();
            }
        });
    }

    void setActive(bool active) override
    {
        if (!active) {
            m_poll.stop();
            return;
        }
        m_last = ports();
        m_poll.start();
    }

private:
    static QStringList ports()
    {
        QStringList paths;
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
            paths.append(info.systemLocation());
        paths.sort();
        return paths;
    }

    QTimer m_poll{this};
    QStringList m_last;
};

} // namespace

DeviceNotices *DeviceNotices::forThisSystem(QObject *parent)
{
    return new PortListNotices(parent);
}
