#include "consoleaccessibility.h"

#include <QCoreApplication>
#include <QLabel>
#include <QWidget>

#include <array>

namespace ConsoleAccessibility {

namespace {
struct Entry
{
    const char *control;
    // Empty: the caption names the control.
    const char *name;
    const char *description;
};

#define A11Y(text) QT_TRANSLATE_NOOP("ConsoleAccessibility", text)
// clang-format off
constexpr std::array<Entry, 16> Entries = {{
    {"cmdConn",     "",                      A11Y("Opens the selected port")},
    {"cmdDisc",     "",                      A11Y("Closes the port; a repeating direction resumes on the next Connect")},
    {"Combo4",      "",                      A11Y("Port number from 1 to 16; the status line names its device")},
    {"txtInput",    A11Y("Received data"),   A11Y("Text the robot sends")},
    {"Command1",    "",                      A11Y("Empties the received data")},
    {"cmdKeyBoard", A11Y("Keyboard control"),
                    A11Y("While this has the keyboard focus, holding W, S, A or D, or keypad 8, 2, 4 "
                         "or 6, drives forward, backward, left or right; releasing the key stops. "
                         "Escape stops from anywhere in the window")},
    {"lblForward",  "",                      A11Y("Moving the pointer over this drives forward")},
    {"lblBackward", "",                      A11Y("Moving the pointer over this drives backward")},
    {"lblLeft",     "",                      A11Y("Moving the pointer over this turns left")},
    {"lblRight",    "",                      A11Y("Moving the pointer over this turns right")},
    {"lblStop0",    A11Y("Stop zone below"), A11Y("Moving the pointer over this stops the robot")},
    {"lblStop1",    A11Y("Stop zone above"), A11Y("Moving the pointer over this stops the robot")},
    {"lblStop2",    A11Y("Stop zone right"), A11Y("Moving the pointer over this stops the robot")},
    {"lblStop3",    A11Y("Stop zone left"),  A11Y("Moving the pointer over this stops the robot")},
    {"lblStop4",    A11Y("Stop zone in the middle"), A11Y("Moving the pointer over this stops the robot")},
    {"lblStatus",   "",                      A11Y("The port, the connection and what the robot is told")},
}};
// clang-format on
#undef A11Y

QString translated(const char *text)
{
    return QCoreApplication::translate("ConsoleAccessibility", text);
}
} // namespace

void describe(QWidget *window)
{
    for (const Entry &entry : Entries) {
        auto *control = window->findChild<QWidget *>(QLatin1String(entry.control));
        Q_ASSERT(control);
        if (*entry.name)
            control->setAccessibleName(translated(entry.name));
        if (*entry.description)
            control->setAccessibleDescription(translated(entry.description));
    }
    // Names the list, and is how screen readers on Linux find its name.
    auto *portLabel = window->findChild<QLabel *>(QStringLiteral("Label2"));
    portLabel->setBuddy(window->findChild<QWidget *>(QStringLiteral("Combo4")));
}

} // namespace ConsoleAccessibility
