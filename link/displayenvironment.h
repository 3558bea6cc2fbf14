#pragma once

#include <QtGlobal>

// Whether a graphical display is configured for the programs' windows.
// Without one Qt aborts while creating a widget application, with a message
// about plugins that does not tell the operator what is missing.
inline bool displayConfigured()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    return true;
#endif
}
