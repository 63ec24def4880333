// GetSystemInfo and Sleep.
#include "platform/win32/process.h"

#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

void GetSystemInfo(LPSYSTEM_INFO lpSystemInfo)
{
    std::memset(lpSystemInfo, 0, sizeof *lpSystemInfo);
#if defined(__x86_64__)
    lpSystemInfo->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
#elif defined(__aarch64__)
    lpSystemInfo->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_ARM64;
#elif defined(__i386__)
    lpSystemInfo->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
#elif defined(__arm__)
    lpSystemInfo->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_ARM;
#else
    lpSystemInfo->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_UNKNOWN;
#endif
    long page = ::sysconf(_SC_PAGESIZE);
    lpSystemInfo->dwPageSize = page > 0 ? static_cast<DWORD>(page) : 4096;
    lpSystemInfo->dwAllocationGranularity = 65536;
    lpSystemInfo->lpMinimumApplicationAddress =
        reinterpret_cast<LPVOID>(static_cast<std::uintptr_t>(0x10000));
    lpSystemInfo->lpMaximumApplicationAddress =
        reinterpret_cast<LPVOID>(static_cast<std::uintptr_t>(0x7FFFFFFEFFFF));

    // The processors this process may run on (a container or taskset can allow fewer than exist).
    DWORD count = 0;
    DWORD_PTR mask = 0;
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (!CPU_ISSET(cpu, &set))
                continue;
            ++count;
            if (cpu < static_cast<int>(sizeof(DWORD_PTR) * 8))
                mask |= DWORD_PTR{1} << cpu;
        }
    }
    if (count == 0) {
        long online = ::sysconf(_SC_NPROCESSORS_ONLN);
        count = online > 0 ? static_cast<DWORD>(online) : 1;
        mask = count >= sizeof(DWORD_PTR) * 8 ? ~DWORD_PTR{0} : (DWORD_PTR{1} << count) - 1;
    }
    lpSystemInfo->dwNumberOfProcessors = count;
    lpSystemInfo->dwActiveProcessorMask = mask;
}

void Sleep(DWORD dwMilliseconds)
{
    if (dwMilliseconds == INFINITE) {
        while (true)
            ::pause();
    }
    timespec remaining{static_cast<time_t>(dwMilliseconds / 1000),
                       static_cast<long>(dwMilliseconds % 1000) * 1000000L};
    while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}
