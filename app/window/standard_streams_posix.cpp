// Programs on Linux always start with the caller's standard streams.
#include "app/window/standard_streams.h"

void useParentConsole() {}
