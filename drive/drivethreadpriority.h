#pragma once

// Where the system allows it, the calling thread runs ahead of every ordinary
// thread, so a busy window, X server or compiler on the same cores cannot hold
// up a tick by a scheduler time slice. The drive thread does little work, so
// it takes little from them. Where the system refuses, the
// thread stays an ordinary one (the README says where).
void preferThisThreadForDriving();
