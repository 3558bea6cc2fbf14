#include "logrecording.h"

#include <csignal>

void LogRecording::letFileSizeLimitsFailWrites()
{
    // By default a write past the process's file size limit (ulimit -f)
    // ends the process, robot and all; ignored, the write fails with EFBIG
    // and the recording stops with that reason.
    struct sigaction ignore
    {
    };
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, nullptr);
}
