#include "app/window/standard_streams.h"

#include <cstdio>

#include "platform/win32.h"

namespace {

bool hasStream(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

} // namespace

void useParentConsole()
{
    const bool hasOutput = hasStream(STD_OUTPUT_HANDLE);
    const bool hasError = hasStream(STD_ERROR_HANDLE);
    if (hasOutput && hasError)
        return;
    // Started from Explorer there is no console to attach to, and nobody to read the reports.
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!hasOutput && std::freopen("CONOUT$", "w", stdout))
        std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (!hasError && std::freopen("CONOUT$", "w", stderr))
        std::setvbuf(stderr, nullptr, _IONBF, 0);
}
