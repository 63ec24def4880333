// Translating errno values into the Win32 error codes the layer reports.
#pragma once

#include "platform/win32/base.h"

namespace posix_process {

// The Win32 error code closest to an errno value (ERROR_INVALID_PARAMETER when none is close).
DWORD win32ErrorFromErrno(int error);

// SetLastError(win32ErrorFromErrno(error)).
void setLastErrorFromErrno(int error);

} // namespace posix_process
