// One comparison per file kind; sameImage picks one after both files proved to be that kind.
#pragma once

#include <string>

#include "image/image_check.h"

CheckResult samePng(const std::string& before, const std::string& after);
CheckResult sameJpeg(const std::string& before, const std::string& after);
CheckResult sameGif(const std::string& before, const std::string& after);
CheckResult sameTiff(const std::string& before, const std::string& after);
CheckResult samePdf(const std::string& before, const std::string& after);
