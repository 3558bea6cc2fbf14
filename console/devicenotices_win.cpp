#include "devicelistwatch.h"

#include "windowsmessagefilter_win.h"

#include <dbt.h>

namespace {

// Windows tells every top-level window when a port arrives or leaves
// (WM_DEVICECHANGE), with no registration and nothing running meanwhile.
class BroadcastNotices : public DeviceNotices, public WindowsMessageFilter
{
public:
    explicit BroadcastNotices(QObject *parent)
        : DeviceNotices(parent)
    {}

protected:
    void onMessage(const MSG &message) override
    {
        if (message.message != WM_DEVICECHANGE)
            return;
        if (message.wParam == DBT_DEVICEREMOVECOMPLETE && message.lParam) {
            const auto *header = reinterpret_cast<const DEV_BROADCAST_HDR *>(message.lParam);
            if (header->dbch_devicetype == DBT_DEVTYP_PORT) {
                const auto *port = reinterpret_cast<const DEV_BROADCAST_PORT_W *>(header);
                emit portRemoved(QString::fromWCharArray(port->dbcp_name));
            }
        }
        if (message.wParam == DBT_DEVICEARRIVAL || message.wParam == DBT_DEVICEREMOVECOMPLETE ||
            message.wParam == DBT_DEVNODES_CHANGED)
            emit noticed();
    }
};

} // namespace

DeviceNotices *DeviceNotices::forThisSystem(QObject *parent)
{
    return new BroadcastNotices(parent);
}
