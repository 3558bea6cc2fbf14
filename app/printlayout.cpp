// Prints where the console window's controls stand, one per line, in logical
// pixels of its client area: "name left top width height". Scripts that point
// at the real window (the screenshots) read it rather than keeping their own
// copy of the layout.
#include "consolelayout.h"

#include <cstdio>

int main()
{
    const QSize client = ConsoleLayout::clientSize();
    std::printf("window 0 0 %d %d\n", client.width(), client.height());
    for (const ControlDesign &design : ConsoleLayout::Controls) {
        const QRect r = ConsoleLayout::toPixels(design);
        std::printf("%s %d %d %d %d\n", design.name, r.x(), r.y(), r.width(), r.height());
    }
    return 0;
}
