// One comparison per file format, and how a file's first bytes name its format: sameImage tries
// the rows in order and compares with the first whose magic both files carry. A new format is a
// check file of its own and one row here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_check.h"

CheckResult samePng(const std::string& before, const std::string& after);
CheckResult sameJpeg(const std::string& before, const std::string& after);
CheckResult sameGif(const std::string& before, const std::string& after);
CheckResult sameTiff(const std::string& before, const std::string& after);
CheckResult samePdf(const std::string& before, const std::string& after);

struct FormatCheck {
    // Any of them opens a file of the format (string_views, as some magic holds NUL bytes).
    std::vector<std::string_view> magic;
    CheckResult (*same)(const std::string& before, const std::string& after);
    // The magic may stand anywhere in the first kilobyte rather than at the start: a PDF reader
    // accepts its header there.
    bool anywhere = false;
};

inline const std::vector<FormatCheck>& formatChecks()
{
    static const std::vector<FormatCheck> formats{
        {{std::string_view("\x89PNG\r\n\x1a\n", 8)}, samePng},
        {{std::string_view("\xff\xd8\xff", 3)}, sameJpeg},
        {{"GIF87a", "GIF89a"}, sameGif},
        // Classic TIFF and BigTIFF, either byte order.
        {{std::string_view("II*\0", 4), std::string_view("MM\0*", 4), std::string_view("II+\0", 4),
          std::string_view("MM\0+", 4)},
         sameTiff},
        {{"%PDF-"}, samePdf, true},
    };
    return formats;
}
