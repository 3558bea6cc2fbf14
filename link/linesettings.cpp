#include "linesettings.h"

#include <QRegularExpression>
#include <QStringList>

#include <cstddef>

namespace {

constexpr int FieldCount = 4;

// How each setting is written in the settings string, and back.
template <typename Value> struct Spelling
{
    const char16_t *text;
    Value value;
};

constexpr Spelling<QSerialPort::Parity> ParitySpellings[] = {
    {u"n", QSerialPort::NoParity},    {u"e", QSerialPort::EvenParity},
    {u"o", QSerialPort::OddParity},   {u"m", QSerialPort::MarkParity},
    {u"s", QSerialPort::SpaceParity},
};
constexpr Spelling<QSerialPort::DataBits> DataBitsSpellings[] = {
    {u"5", QSerialPort::Data5},
    {u"6", QSerialPort::Data6},
    {u"7", QSerialPort::Data7},
    {u"8", QSerialPort::Data8},
};
constexpr Spelling<QSerialPort::StopBits> StopBitsSpellings[] = {
    {u"1", QSerialPort::OneStop},
    {u"1.5", QSerialPort::OneAndHalfStop},
    {u"2", QSerialPort::TwoStop},
};

template <typename Value, std::size_t Count>
std::optional<Value> valueFor(const Spelling<Value> (&spellings)[Count], QStringView text)
{
    for (const Spelling<Value> &spelling : spellings) {
        if (text == QStringView(spelling.text))
            return spelling.value;
    }
    return std::nullopt;
}

template <typename Value, std::size_t Count>
QString textFor(const Spelling<Value> (&spellings)[Count], Value value)
{
    for (const Spelling<Value> &spelling : spellings) {
        if (spelling.value == value)
            return QString::fromUtf16(spelling.text);
    }
    return QString();
}

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

    const auto parity = valueFor(ParitySpellings, fields.at(1).trimmed().toLower());
    if (!parity)
        return fail(tr("parity must be one of n, e, o, m, s"));
    settings.m_parity = *parity;

    const auto dataBits = valueFor(DataBitsSpellings, fields.at(2).trimmed());
    if (!dataBits)
        return fail(tr("data bits must be 5, 6, 7 or 8"));
    settings.m_dataBits = *dataBits;

    const auto stopBits = valueFor(StopBitsSpellings, fields.at(3).trimmed());
    if (!stopBits)
        return fail(tr("stop bits must be 1, 1.5 or 2"));
    settings.m_stopBits = *stopBits;

    return settings;
}

QString LineSettings::toString() const
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(QString::number(m_baudRate), textFor(ParitySpellings, m_parity),
             textFor(DataBitsSpellings, m_dataBits), textFor(StopBitsSpellings, m_stopBits));
}

bool LineSettings::applyTo(QSerialPort &port) const
{
    return port.setBaudRate(m_baudRate) && port.setDataBits(m_dataBits) &&
           port.setParity(m_parity) && port.setStopBits(m_stopBits);
}
