#include "image/tiff_open.h"

#include "image/file_open.h"

TIFF* openTiffForReading(const std::string& path, TIFFOpenOptions* options)
{
    return TIFFOpenWExt(systemPath(path).c_str(), "rm", options);
}
