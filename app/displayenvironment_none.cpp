#include "displayenvironment.h"

// Windows and macOS always have their window system; Qt reports its own trouble.
class DisplayEnvironment::Connection
{
};

DisplayEnvironment::DisplayEnvironment(const QString &platform)
{
    Q_UNUSED(platform)
}

DisplayEnvironment::~DisplayEnvironment() = default;

void DisplayEnvironment::release() {}
