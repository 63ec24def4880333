// The two single-runner threads of the toolkit: commandThread runs menu commands, button clicks and
// control notifications, dropThread runs dropped files. Work for each is queued, so the window
// procedure never waits for a run still going.
#pragma once

#include "toolkit/work_queue.h"
#include "util/thread.h"

extern Thread commandThread;
extern Thread dropThread;

liveWorkQueue& commandQueue();
liveWorkQueue& dropQueue();

// Waits until every queued drop, then every queued command, has finished. On a thread that owns
// windows it keeps serving messages sent to them meanwhile, so running work can still write.
// run() calls it before deleting the main window; never call it from a command or a drop.
void waitForWorkers();

// Sleeps until input arrives for the calling thread or milliseconds pass.
void waitForInput(unsigned milliseconds);
