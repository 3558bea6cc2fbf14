#pragma once

// One control of the console window as stored in its design: where it stands
// (in twips, a 1440th of an inch), what it says, its font, its place in the
// tab order, and what assistive technology says of it. The window is built
// from a table of these.
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
    // For those who cannot see the captions, and, for the invisible stop
    // zones, for everyone. An empty name: the caption names the control.
    const char *accessibleName;
    const char *accessibleDescription;
};
