// The operator's line settings string: whatever parses is written back in a
// form that parses to the same settings.

#include "linesettings.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    const auto settings = LineSettings::parse(text, &error);
    if (!settings) {
        if (error.isEmpty())
            qFatal("refused without saying why");
        return 0;
    }
    const QString canonical = settings->toString();
    const auto again = LineSettings::parse(canonical);
    if (!again || *again != *settings || again->toString() != canonical)
        qFatal("\"%s\" does not read back as itself", qPrintable(canonical));
    return 0;
}
