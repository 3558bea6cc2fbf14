#include "drivesession.h"

#include <windows.h>

// Time-critical is the highest class an ordinary user may set; it stays
// within the process's own priority class.
void DriveSessionThread::preferThisThreadForDriving()
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
}
