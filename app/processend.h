#pragma once

// How the console leaves once main()'s work is done: the stop written, the
// port released, every window and thread gone.
namespace ProcessEnd {

// On Windows the process ends here and then, without the runtime's own
// teardown: a MinGW runtime may wait there forever for a lock that a thread
// the system already ended was holding (seen as a console that never exits
// after its window closed). Elsewhere it returns the status for main() to
// return.
int leave(int status);

} // namespace ProcessEnd
