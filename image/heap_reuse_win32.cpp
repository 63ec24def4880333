#include "image/heap_reuse.h"

// The Windows heap keeps freed blocks of this size for reuse by itself.
void keepFreedCheckMemory() {}
