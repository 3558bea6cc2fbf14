#include "virtualpad.h"

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cmath>

VirtualPad::VirtualPad(const char *name)
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetMainReady();
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
        m_error = QString::fromUtf8(SDL_GetError());
        return;
    }
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
    desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
    desc.name = name;
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index >= 0)
        m_joystick = SDL_JoystickOpen(index);
    if (!m_joystick) {
        m_error = QString::fromUtf8(SDL_GetError());
        return;
    }
    m_instanceId = SDL_JoystickInstanceID(m_joystick);
}

VirtualPad::~VirtualPad()
{
    detach();
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

void VirtualPad::setButton(int button, bool down)
{
    SDL_JoystickSetVirtualButton(m_joystick, button, down ? SDL_PRESSED : SDL_RELEASED);
}

void VirtualPad::setStick(double right, double forward)
{
    const auto axis = [](double value) {
        return Sint16(std::lround(value * 32767));
    };
    SDL_JoystickSetVirtualAxis(m_joystick, SDL_CONTROLLER_AXIS_LEFTX, axis(right));
    // SDL counts down as positive.
    SDL_JoystickSetVirtualAxis(m_joystick, SDL_CONTROLLER_AXIS_LEFTY, axis(-forward));
}

void VirtualPad::detach()
{
    if (!m_joystick)
        return;
    SDL_JoystickClose(m_joystick);
    m_joystick = nullptr;
    for (int index = 0; index < SDL_NumJoysticks(); ++index) {
        if (SDL_JoystickGetDeviceInstanceID(index) == m_instanceId) {
            SDL_JoystickDetachVirtual(index);
            return;
        }
    }
}
