#pragma once

#include "motion.h"

#include <optional>

// The one-byte command set the console sends.
class CommandParser
{
public:
    // Empty for any byte that is not a command.
    static std::optional<Motion> parse(char byte);
    static char byteFor(Motion motion);
};
