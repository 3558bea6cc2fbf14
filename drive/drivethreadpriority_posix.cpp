#include "drivesession.h"

#include <pthread.h>
#include <sched.h>

// SCHED_FIFO at its lowest priority: root, or an rtprio limit such as the
// audio group's, may have it; everyone else is refused.
void DriveSessionThread::preferThisThreadForDriving()
{
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO);
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}
