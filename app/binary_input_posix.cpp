#include "app/binary_input.h"

void readAsBytes(std::FILE*)
{
    // Streams are bytes here already.
}
