#pragma once

#include <QString>

struct _SDL_Joystick;

// A gamepad that exists only in SDL: its virtual joystick of the
// game-controller kind, with every button and axis, which SDL's whole stack
// (hot-plug, mapping, events) treats as a real pad. Buttons are SDL's
// SDL_GameControllerButton values. A name SDL knows (one with "Xbox" in it)
// would give it that pad's mapping instead of one button per button.
class VirtualPad
{
public:
    explicit VirtualPad(const char *name = "Test Gamepad");
    ~VirtualPad();
    VirtualPad(const VirtualPad &) = delete;
    VirtualPad &operator=(const VirtualPad &) = delete;

    bool isValid() const { return m_joystick != nullptr; }
    QString errorString() const { return m_error; }

    void setButton(int button, bool down);
    // The left stick, each axis from -1 to 1, forward and right positive.
    void setStick(double right, double forward);
    // Unplugged: SDL reports it removed on its next look.
    void detach();

private:
    _SDL_Joystick *m_joystick = nullptr;
    int m_instanceId = -1;
    QString m_error;
};
