#pragma once

#include <QCoreApplication>
#include <QSerialPort>
#include <QString>

#include <optional>

// Baud rate, parity, data bits and stop bits of a serial line, read from the
// operator's settings string "baud,parity,data bits,stop bits", e.g. "57600,n,8,1".
// Parity is one letter, n e o m s (any case); data bits 5 to 8; stop bits 1, 1.5 or 2.
class LineSettings
{
    Q_DECLARE_TR_FUNCTIONS(LineSettings)

public:
    // QSerialPort's own defaults: a connection sets its line before every open.
    LineSettings() = default;

    // nullopt for a malformed string; *error (if given) then names the faulty field.
    static std::optional<LineSettings> parse(const QString &text, QString *error = nullptr);

    qint32 baudRate() const { return m_baudRate; }
    QSerialPort::Parity parity() const { return m_parity; }
    QSerialPort::DataBits dataBits() const { return m_dataBits; }
    QSerialPort::StopBits stopBits() const { return m_stopBits; }

    // Canonical form, e.g. "9600,e,7,1.5".
    QString toString() const;

    // On a closed port this only records the settings for the next open. On an
    // open port false means the device refused one; port.errorString() says why.
    bool applyTo(QSerialPort &port) const;

    friend bool operator==(const LineSettings &a, const LineSettings &b)
    {
        return a.m_baudRate == b.m_baudRate && a.m_parity == b.m_parity &&
               a.m_dataBits == b.m_dataBits && a.m_stopBits == b.m_stopBits;
    }
    friend bool operator!=(const LineSettings &a, const LineSettings &b) { return !(a == b); }

private:
    qint32 m_baudRate = QSerialPort::Baud9600;
    QSerialPort::Parity m_parity = QSerialPort::NoParity;
    QSerialPort::DataBits m_dataBits = QSerialPort::Data8;
    QSerialPort::StopBits m_stopBits = QSerialPort::OneStop;
};
