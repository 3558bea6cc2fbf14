#pragma once

#include <QComboBox>

class PortDirectory;

// The port list. While it is open, an entry's tooltip names the device behind
// its number, with the description and serial number the system has for it.
// Each asks the system for its serial ports, which takes milliseconds: worked
// out for the entry under the pointer, not for all of them on every edit or
// every time the list opens.
class PortComboBox : public QComboBox
{
    Q_OBJECT

public:
    // directory must outlive the box.
    explicit PortComboBox(const PortDirectory &directory, QWidget *parent = nullptr);

    QString entryToolTip(int listPosition) const;
    // The port and the device behind it (empty: none found), as both the
    // status line and an entry's tooltip name them.
    static QString portLine(qint16 port, const QString &device);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const PortDirectory &m_directory;
};
