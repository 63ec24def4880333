#include "image/heap_reuse.h"

// Any C library header says which C library this is.
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Above a check's largest block (the coefficients of one JPEG stay under 24 MB); what is kept
// free stays bounded by the trim threshold.
constexpr int largestCheckBlock = 32 * 1024 * 1024;
constexpr int keptFree = 64 * 1024 * 1024;

} // namespace

void keepFreedCheckMemory()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, largestCheckBlock);
    mallopt(M_TRIM_THRESHOLD, keptFree);
#else
    // Other C libraries have no such settings; their default stands.
    (void)largestCheckBlock;
    (void)keptFree;
#endif
}
