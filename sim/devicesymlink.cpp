#include "devicesymlink.h"

#include <QFile>
#include <QFileInfo>

DeviceSymlink::~DeviceSymlink()
{
    // Another instance may have taken the path over since; leave its link be.
    if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).symLinkTarget() == m_target)
        QFile::remove(m_linkPath);
}

bool DeviceSymlink::create(const QString &linkPath, const QString &target)
{
    const QFileInfo existing(linkPath);
    if (existing.isSymLink()) {
        if (!QFile::remove(linkPath)) {
            m_error = QStringLiteral("cannot remove the old link %1").arg(linkPath);
            return false;
        }
    } else if (existing.exists()) {
        m_error = QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath);
        return false;
    }
    if (!QFile::link(target, linkPath)) {
        m_error = QStringLiteral("cannot create the link %1").arg(linkPath);
        return false;
    }
    m_linkPath = linkPath;
    m_target = QFileInfo(linkPath).symLinkTarget();
    return true;
}
