/* A no-op tool that leaves one byte in $TARNWICK_BENCH_TICKS per call, so the benchmark can
   count the files done from outside the program. */
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

int main(void) {
    const char* ticks = getenv("TARNWICK_BENCH_TICKS");
    if (ticks) {
        int fd = open(ticks, O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            (void)!write(fd, "x", 1);
            close(fd);
        }
    }
    return 0;
}
