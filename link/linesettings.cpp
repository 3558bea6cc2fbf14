#include "linesettings.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <iterator>

namespace {

constexpr int FieldCount = 4;

struct ParityLetter
{
    QChar letter;
    QSerialPort::Parity parity;
};

constexpr ParityLetter ParityLetters[] = {
    {u'n', QSerialPort::NoParity},    {u'e', QSerialPort::EvenParity},
    {u'o', QSerialPort::OddParity},   {u'm', QSerialPort::MarkParity},
    {u's', QSerialPort::SpaceParity},
};

} // namespace

std::optional<LineSettings> LineSettings::parse(const QString &text, QString *error)
{
    const auto fail = [&](const QString &why) -> std::optional<LineSettings> {
        if (error)
            *error = tr("Invalid line settings \"%1\": %2").arg(text, why);
        return std::nullopt;
    };

    const QStringList fields = text.split(u',');
    if (fields.size() != FieldCount)
        return fail(tr("expected baud,parity,data bits,stop bits such as 57600,n,8,1"));

    LineSettings settings;

    // Digits only: toInt() alone would also take "+57600" and surrounding blanks.
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    const QString baud = fields.at(0).trimmed();
    bool baudOk = digits.match(baud).hasMatch();
    settings.m_baudRate = baudOk ? baud.toInt(&baudOk) : 0;
    if (!baudOk || settings.m_baudRate <= 0)
        return fail(tr("baud rate must be a positive whole number"));

    const QString parity = fields.at(1).trimmed().toLower();
    const auto letter = std::find_if(std::begin(ParityLetters), std::end(ParityLetters),
                                     [&parity](const ParityLetter &p) {
                                         return parity.size() == 1 && parity.at(0) == p.letter;
                                     });
    if (letter == std::end(ParityLetters))
        return fail(tr("parity must be one of n, e, o, m, s"));
    settings.m_parity = letter->parity;

    const QString dataBits = fields.at(2).trimmed();
    if (dataBits == u"5")
        settings.m_dataBits = QSerialPort::Data5;
    else if (dataBits == u"6")
        settings.m_dataBits = QSerialPort::Data6;
    else if (dataBits == u"7")
        settings.m_dataBits = QSerialPort::Data7;
    else if (dataBits == u"8")
        settings.m_dataBits = QSerialPort::Data8;
    else
        return fail(tr("data bits must be 5, 6, 7 or 8"));

    const QString stopBits = fields.at(3).trimmed();
    if (stopBits == u"1")
        settings.m_stopBits = QSerialPort::OneStop;
    else if (stopBits == u"1.5")
        settings.m_stopBits = QSerialPort::OneAndHalfStop;
    else if (stopBits == u"2")
        settings.m_stopBits = QSerialPort::TwoStop;
    else
        return fail(tr("stop bits must be 1, 1.5 or 2"));

    return settings;
}

QString LineSettings::toString() const
{
    const auto letter =
        std::find_if(std::begin(ParityLetters), std::end(ParityLetters),
                     [this](const ParityLetter &p) { return p.parity == m_parity; });
    const QString stop = m_stopBits == QSerialPort::OneAndHalfStop ? QStringLiteral("1.5")
                                                                   : QString::number(m_stopBits);
    return QStringLiteral("%1,%2,%3,%4")
        .arg(QString::number(m_baudRate), QString(letter->letter), QString::number(m_dataBits),
             stop);
}

bool LineSettings::applyTo(QSerialPort &port) const
{
    return port.setBaudRate(m_baudRate) && port.setDataBits(m_dataBits) &&
           port.setParity(m_parity) && port.setStopBits(m_stopBits);
}
