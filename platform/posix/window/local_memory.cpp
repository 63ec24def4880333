// LocalAlloc and friends. Every block is registered, so freeing or locking something that is
// not ours fails instead of corrupting the heap.
#include "platform/win32.h"

#include <cstdlib>
#include <map>
#include <mutex>

namespace {

struct Block {
    void* data;
    bool moveable;
    unsigned locks;
};

struct Blocks {
    std::mutex mutex;
    std::map<HLOCAL, Block> byHandle;
};

Blocks& blocks()
{
    static Blocks& instance = *new Blocks;
    return instance;
}

} // namespace

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes)
{
    void* data = (uFlags & LMEM_ZEROINIT) ? std::calloc(uBytes ? uBytes : 1, 1)
                                          : std::malloc(uBytes ? uBytes : 1);
    if (!data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    bool moveable = (uFlags & LMEM_MOVEABLE) != 0;
    // A moveable block's handle is a token of its own (never dereferenced), so that only
    // LocalLock gives its address away.
    HLOCAL handle = moveable ? static_cast<HLOCAL>(new char) : data;
    std::lock_guard lock(blocks().mutex);
    blocks().byHandle[handle] = {data, moveable, 0};
    return handle;
}

LPVOID LocalLock(HLOCAL hMem)
{
    std::lock_guard lock(blocks().mutex);
    auto found = blocks().byHandle.find(hMem);
    if (found == blocks().byHandle.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (found->second.moveable)
        ++found->second.locks;
    return found->second.data;
}

BOOL LocalUnlock(HLOCAL hMem)
{
    std::lock_guard lock(blocks().mutex);
    auto found = blocks().byHandle.find(hMem);
    if (found == blocks().byHandle.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (found->second.locks == 0) {
        SetLastError(ERROR_SUCCESS); // not locked: FALSE with no error, as Win32 reports it
        return FALSE;
    }
    return --found->second.locks > 0 ? TRUE : FALSE;
}

HLOCAL LocalFree(HLOCAL hMem)
{
    if (!hMem)
        return nullptr;
    void* data;
    {
        std::lock_guard lock(blocks().mutex);
        auto found = blocks().byHandle.find(hMem);
        if (found == blocks().byHandle.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return hMem;
        }
        data = found->second.data;
        if (found->second.moveable)
            delete static_cast<char*>(hMem);
        blocks().byHandle.erase(found);
    }
    std::free(data);
    return nullptr;
}
