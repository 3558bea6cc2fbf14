#include "devicelistwatch.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

#include <dbt.h>

namespace {

// Windows tells every top-level window when a port arrives or leaves
// (WM_DEVICECHANGE), with no registration and nothing running meanwhile.
class BroadcastNotices : public DeviceNotices, public QAbstractNativeEventFilter
{
public:
    explicit BroadcastNotices(QObject *parent)
        : DeviceNotices(parent)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~BroadcastNotices() override
    {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG *const msg = static_cast<const MSG *>(message);
        if (msg->message == WM_DEVICECHANGE &&
            (msg->wParam == DBT_DEVICEARRIVAL || msg->wParam == DBT_DEVICEREMOVECOMPLETE ||
             msg->wParam == DBT_DEVNODES_CHANGED))
            emit noticed();
        return false;
    }
};

} // namespace

DeviceNotices *DeviceNotices::forThisSystem(QObject *parent)
{
    return new BroadcastNotices(parent);
}
