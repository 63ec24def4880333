#include "platform/posix/process/kernel_object.h"

#include "platform/win32/process.h"

#include <mutex>
#include <unordered_map>

namespace posix_process {
namespace {

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> objects;
};

HandleTable& table()
{
    // Never destroyed: handles may still be closed from static destructors of other files.
    static HandleTable* instance = new HandleTable;
    return *instance;
}

} // namespace

HANDLE registerHandle(std::shared_ptr<KernelObject> object)
{
    HANDLE handle = object.get();
    HandleTable& t = table();
    std::lock_guard lock(t.mutex);
    t.objects.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<KernelObject> lookupHandle(HANDLE handle)
{
    HandleTable& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(handle);
    return it == t.objects.end() ? nullptr : it->second;
}

} // namespace posix_process

BOOL CloseHandle(HANDLE object)
{
    std::shared_ptr<posix_process::KernelObject> released;
    {
        auto& t = posix_process::table();
        std::lock_guard lock(t.mutex);
        auto it = t.objects.find(object);
        if (it == t.objects.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        released = std::move(it->second);
        t.objects.erase(it);
    }
    // The object's destructor runs outside the table's lock: a process object may wait there.
    released.reset();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    std::shared_ptr<posix_process::KernelObject> object = posix_process::lookupHandle(hHandle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return object->wait(dwMilliseconds);
}
