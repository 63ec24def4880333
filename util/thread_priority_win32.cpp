#include "util/thread_priority.h"

#include <windows.h>

void raiseOwnPriority()
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
}
