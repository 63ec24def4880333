// Where a headless run's reports go, chosen per platform by the build.
#pragma once

// Gives the program standard output and error where it has none of its own: a window program on
// Windows starts without them, and a run from a console reports in that console. Streams already
// redirected to a file or a pipe are kept.
void useParentConsole();
