// The exiftool arguments that strip what an image does not use (camera data, GPS, XMP, IPTC,
// comments, thumbnails, PNG text) and keep what it does: the ICC profile, PNG sRGB, gAMA, cHRM
// and cICP, and the EXIF orientation. Given before the file name, together with
// -overwrite_original.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> stripArguments();
