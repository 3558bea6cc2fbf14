#include "portcombobox.h"

#include "plaintooltip.h"
#include "portdirectory.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

PortComboBox::PortComboBox(const PortDirectory &directory, QWidget *parent)
    : QComboBox(parent)
    , m_directory(directory)
{
    view()->viewport()->installEventFilter(this);
}

QString PortComboBox::entryToolTip(int listPosition) const
{
    const qint16 port = PortDirectory::portForListPosition(listPosition);
    const PortDirectory::Device device = m_directory.describe(port);
    QStringList lines{portLine(port, device.path)};
    if (!device.description.isEmpty())
        lines << device.description;
    if (!device.serialNumber.isEmpty())
        lines << tr("Serial number %1").arg(device.serialNumber);
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
