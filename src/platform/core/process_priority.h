#pragma once
// The scheduling priority of the program.

namespace qvn {

// Lowers the program to the idle priority, so that a long unattended run
// leaves the machine to whatever else runs; it is never raised again. On
// this platform it applies to the calling thread and the threads it starts
// afterwards, which is the whole program when called from the first thread
// before any other starts work. The result is not reported.
void set_idle_priority();

}  // namespace qvn
