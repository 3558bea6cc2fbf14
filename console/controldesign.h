#pragma once

// One control of the console window as stored in its design: where it stands
// (in twips, a 1440th of an inch), what it says, its font and its place in the
// tab order. The window is built from a table of these.
struct ControlDesign
{
    enum class Font { WindowDefault, TahomaSmallBold, TahomaBold };

    const char *name;
    const char *caption;
    int left;
    int top;
    int width;
    int height;
    Font font;
    // Position in the tab order; -1 for controls that never take the focus.
    int tabIndex;
    // Labels that grow or shrink to fit their caption at run time.
    bool sizedToCaption;
};
