// The checks allocate and free megabytes per step (a JPEG's coefficients, a GIF's canvas). Where
// the C library would hand such blocks back to the system at once, every check faults fresh
// pages in, which on a virtual machine cost two thirds of a JPEG check's time; this keeps freed
// blocks of up to a check's size in the process for the next check instead.
#pragma once

// Idempotent; process-wide.
void keepFreedCheckMemory();
