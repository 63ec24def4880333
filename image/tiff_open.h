// Opens a TIFF file for reading by its UTF-8 name, the one thing of the TIFF check each system
// does its own way (Windows through the wide name).
#pragma once

#include <string>

#include <tiffio.h>

// TIFFOpenExt with mode "rm"; null when it cannot be opened.
TIFF* openTiffForReading(const std::string& path, TIFFOpenOptions* options);
