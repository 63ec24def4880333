// Kills the process at its Nth write() to the file named by KILL_TARGET (LD_PRELOAD shim).
#define _GNU_SOURCE
#include <dlfcn.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int seen;

ssize_t write(int fd, const void* data, size_t size)
{
    static ssize_t (*real)(int, const void*, size_t);
    if (!real)
        real = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
    const char* target = getenv("KILL_TARGET");
    const char* nth = getenv("KILL_AT_WRITE");
    if (target && nth) {
        char link[64], path[PATH_MAX];
        snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        ssize_t n = readlink(link, path, sizeof path - 1);
        if (n > 0) {
            path[n] = 0;
            if (strcmp(path, target) == 0 && ++seen >= atoi(nth))
                raise(SIGKILL);
        }
    }
    return real(fd, data, size);
}
