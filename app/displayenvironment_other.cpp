#include "displayenvironment.h"

// Windows and macOS always have their window system; Qt reports its own trouble.
QString displayProblem(const QString &platform)
{
    Q_UNUSED(platform)
    return {};
}
