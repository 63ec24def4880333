#include "engine/tools.h"

bool isStandIn(const Tool& tool)
{
    for (const Tool* other : allTools())
        if (other->standIn == &tool)
            return true;
    return false;
}
