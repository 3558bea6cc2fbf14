#include "consolefonts.h"

#include <QFontDatabase>

namespace ConsoleFonts {

namespace {
constexpr auto TahomaFamily = "Tahoma";
constexpr qreal SmallPointSize = 8.25;
constexpr qreal LargePointSize = 9.75;

// Where metric-compatible Tahoma files live when no real Tahoma is installed.
const char *const TahomaFiles[] = {
    "/usr/share/wine/fonts/tahoma.ttf",
    "/usr/share/wine/fonts/tahomabd.ttf",
};

QFont tahoma(qreal pointSize, bool bold)
{
    QFont f(QString::fromLatin1(TahomaFamily));
    f.setPointSizeF(pointSize);
    f.setWeight(bold ? QFont::Bold : QFont::Normal);
    f.setItalic(false);
    f.setUnderline(false);
    f.setStrikeOut(false);
    // Closest general-purpose face if no Tahoma at all can be had.
    f.setStyleHint(QFont::SansSerif);
    return f;
}
} // namespace

void ensureTahoma()
{
    if (QFontDatabase::hasFamily(QString::fromLatin1(TahomaFamily)))
        return;
    for (const char *file : TahomaFiles)
        QFontDatabase::addApplicationFont(QString::fromLatin1(file));
}

QFont windowDefault()
{
    return tahoma(SmallPointSize, false);
}

QFont font(ControlDesign::Font which)
{
    switch (which) {
    case ControlDesign::Font::TahomaSmallBold:
        return tahoma(SmallPointSize, true);
    case ControlDesign::Font::TahomaBold:
        return tahoma(LargePointSize, true);
    case ControlDesign::Font::WindowDefault:
        break;
    }
    return windowDefault();
}

} // namespace ConsoleFonts
