#pragma once

#include <QObject>
#include <QString>

class SerialLink;

// Opens and closes the serial link for the operator. Knows nothing of widgets:
// the window asks it to open a list position and shows what it reports.
class Connection : public QObject
{
    Q_OBJECT

public:
    // settings: the line settings applied on every open, e.g. "57600,n,8,1".
    Connection(SerialLink &link, QString settings, QObject *parent = nullptr);

    // The port list shows "1" to "16"; list position p stands for port p + 1,
    // so "no selection" (-1) asks for port 0, which the link refuses.
    static qint16 portForListPosition(int position);

    // Selects the port and the line settings, then opens. False if any of the
    // three is refused; the link is then still closed and errorString() says why.
    bool open(int listPosition);
    // Always leaves the link closed; a failure to close is of no use to anyone.
    void close();

    QString errorString() const { return m_error; }

signals:
    // The open port was lost without the operator asking.
    void lost(const QString &reason);

private:
    SerialLink &m_link;
    const QString m_settings;
    QString m_error;
};
