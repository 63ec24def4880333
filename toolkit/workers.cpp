#include "toolkit/workers.h"

#include <chrono>

#include "platform/win32.h"
#include "platform/winlayer/waits.h"

// Declared in this order so static shutdown ends dropThread's run first, then commandThread's:
// a running job finishes before the process does.
Thread commandThread;
Thread dropThread;

namespace {

struct Queues {
    liveWorkQueue commands{commandThread};
    liveWorkQueue drops{dropThread};
    ~Queues()
    {
        dropThread.join();
        commandThread.join();
    }
};

Queues queues;

// Waits for queue to go idle while answering messages other threads send to this thread's windows.
void waitServing(liveWorkQueue& queue)
{
    winlayer::waitServingSentMessages([&queue](DWORD milliseconds) {
        return queue.waitIdle(std::chrono::milliseconds(milliseconds));
    });
}

} // namespace

liveWorkQueue& commandQueue()
{
    return queues.commands;
}

liveWorkQueue& dropQueue()
{
    return queues.drops;
}

void waitForWorkers()
{
    waitServing(queues.drops);
    waitServing(queues.commands);
}

void waitForInput(unsigned milliseconds)
{
    winlayer::waitForInput(milliseconds);
}
