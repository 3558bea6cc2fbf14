#pragma once

#include "programcommandline.h"

// The console takes no arguments of its own beyond --help and --version.
class ConsoleCommandLine : public ProgramCommandLine
{
public:
    ConsoleCommandLine();

    // Qt's own -platform, passed on to the application object; empty when not given.
    QString platform() const;

private:
    QCommandLineOption m_platform;
};
