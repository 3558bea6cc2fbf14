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
        if (message.message == WM_DEVICECHANGE &&
            (message.wParam == DBT_DEVICEARRIVAL || message.wParam == DBT_DEVICEREMOVECOMPLETE ||
             message.wParam == DBT_DEVNODES_CHANGED))
            emit noticed();
    }
};

} // namespace

DeviceNotices *DeviceNotices::forThisSystem(QObject *parent)
{
    return new BroadcastNotices(parent);
}
