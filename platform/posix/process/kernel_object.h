// Handles the layer hands out: every kind of object behind a HANDLE registers here, so that
// CloseHandle and WaitForSingleObject work for all of them and reject handles that are not ours.
#pragma once

#include "platform/win32/base.h"

#include <memory>

namespace posix_process {

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // WAIT_OBJECT_0 once signalled, WAIT_TIMEOUT when the time ran out, WAIT_FAILED on error
    // (with the last error set). INFINITE waits without limit.
    virtual DWORD wait(DWORD milliseconds) = 0;
};

// Takes ownership of the object and returns its new handle.
HANDLE registerHandle(std::shared_ptr<KernelObject> object);

// The object behind a handle, or null for a handle that is not open. The returned reference
// keeps the object alive even if another thread closes the handle meanwhile.
std::shared_ptr<KernelObject> lookupHandle(HANDLE handle);

} // namespace posix_process
