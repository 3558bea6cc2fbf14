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

#define TEXT(text) QT_TRANSLATE_NOOP("ConsoleAccessibility", text)
// clang-format off
constexpr std::array<Entry, 16> Entries = {{
    {"cmdConn",     "",                      TEXT("Opens the selected port")},
    {"cmdDisc",     "",                      TEXT("Closes the port; a repeating direction resumes on the next Connect")},
    {"Combo4",      "",                      TEXT("Port number from 1 to 16; the status line names its device")},
    {"txtInput",    TEXT("Received data"),   TEXT("Text the robot sends")},
    {"Command1",    "",                      TEXT("Empties the received data")},
    {"cmdKeyBoard", TEXT("Keyboard control"),
                    TEXT("While this has the keyboard focus, holding W, S, A or D, or keypad 8, 2, 4 "
                         "or 6, drives forward, backward, left or right; releasing the key stops. "
                         "Escape stops from anywhere in the window")},
    {"lblForward",  "",                      TEXT("Moving the pointer over this drives forward")},
    {"lblBackward", "",                      TEXT("Moving the pointer over this drives backward")},
    {"lblLeft",     "",                      TEXT("Moving the pointer over this turns left")},
    {"lblRight",    "",                      TEXT("Moving the pointer over this turns right")},
    {"lblStop0",    TEXT("Stop zone below"), TEXT("Moving the pointer over this stops the robot")},
    {"lblStop1",    TEXT("Stop zone above"), TEXT("Moving the pointer over this stops the robot")},
    {"lblStop2",    TEXT("Stop zone right"), TEXT("Moving the pointer over this stops the robot")},
    {"lblStop3",    TEXT("Stop zone left"),  TEXT("Moving the pointer over this stops the robot")},
    {"lblStop4",    TEXT("Stop zone in the middle"), TEXT("Moving the pointer over this stops the robot")},
    {"lblStatus",   "",                      TEXT("The port, the connection and what the robot is told")},
}};
// clang-format on
#undef TEXT

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
