#include "devicelistwatch.h"

// udev makes and removes every serial device's node and links in /dev.
DeviceNotices *DeviceNotices::forThisSystem(QObject *parent)
{
    return new FolderNotices(QStringLiteral("/dev"), parent);
}
