#include "image/tiff_open.h"

TIFF* openTiffForReading(const std::string& path, TIFFOpenOptions* options)
{
    return TIFFOpenExt(path.c_str(), "rm", options);
}
