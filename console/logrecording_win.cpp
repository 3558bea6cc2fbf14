#include "logrecording.h"

void LogRecording::letFileSizeLimitsFailWrites()
{
    // Windows has no file size limit that ends a process: a write past a
    // quota just fails.
}
