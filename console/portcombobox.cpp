#include "portcombobox.h"

#include "plaintooltip.h"
#include "portdirectory.h"

#include <QAbstractItemView>
#include <QFileInfo>
#include <QHelpEvent>
#include <QSerialPortInfo>
#include <QToolTip>

namespace {
bool sameDevice(const QSerialPortInfo &info, const QString &device)
{
    if (info.systemLocation() == device || info.portName() == device)
        return true;
    // A stable link such as /dev/serial/by-id/... names the same node.
    const QString resolved = QFileInfo(device).canonicalFilePath();
    return !resolved.isEmpty() && resolved == QFileInfo(info.systemLocation()).canonicalFilePath();
}
} // namespace

PortComboBox::PortComboBox(const PortDirectory &directory, QWidget *parent)
    : QComboBox(parent)
    , m_directory(directory)
{
    view()->viewport()->installEventFilter(this);
}

QString PortComboBox::entryToolTip(int listPosition) const
{
    // Listed once: asking the system costs milliseconds on the window thread.
    const auto known = QSerialPortInfo::availablePorts();
    const qint16 port = PortDirectory::portForListPosition(listPosition);
    const QString device = m_directory.deviceFor(port, known);
    QStringList lines{portLine(port, device)};
    if (device.isEmpty())
        return lines.constFirst();
    for (const QSerialPortInfo &info : known) {
        if (!sameDevice(info, device))
            continue;
        if (!info.description().isEmpty())
            lines << info.description();
        if (!info.serialNumber().isEmpty())
            lines << tr("Serial number %1").arg(info.serialNumber());
        break;
    }
    return lines.join(u'\n');
}

QString PortComboBox::portLine(qint16 port, const QString &device)
{
    return device.isEmpty() ? tr("Port %1: no serial device found").arg(port)
                            : tr("Port %1: %2").arg(port).arg(device);
}

bool PortComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip || watched != view()->viewport())
        return QComboBox::eventFilter(watched, event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QModelIndex entry = view()->indexAt(help->pos());
    if (!entry.isValid())
        return QComboBox::eventFilter(watched, event);
    QToolTip::showText(help->globalPos(), PlainToolTip::fromPlainText(entryToolTip(entry.row())),
                       view()->viewport(), view()->visualRect(entry));
    return true;
}
