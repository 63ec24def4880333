#include "app/binary_input.h"

#include <fcntl.h>
#include <io.h>

void readAsBytes(std::FILE* stream)
{
    _setmode(_fileno(stream), _O_BINARY);
}
