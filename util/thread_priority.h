// Raising the calling thread's priority, one file a platform (thread_priority_posix.cpp,
// thread_priority_win32.cpp).
#pragma once

// Two steps above normal where the system allows it; otherwise the thread keeps its priority.
void raiseOwnPriority();
