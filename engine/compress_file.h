// Compresses one file in place with the tools for its kind and logs its sizes.
#pragma once

#include <string>

#include "engine/report_surfaces.h"
#include "engine/size_report.h"

// Runs the steps for the path's kind (decided on its lower-cased text): upx for .exe/.dll,
// exiftool for .tif/.tiff/.jpeg/.jpg/.pdf/.gif with Strip on, exiftool (Strip) then the PNG
// pipeline for .png. baseFolder only shortens the logged name; it may be empty.
void compressFile(ReportSurfaces& mainWindow, const std::string& path,
                  const std::string& baseFolder, StepMode mode = currentStepMode());

// The name the log shows: path without a leading baseFolder and the separator after it.
std::string displayName(const std::string& path, const std::string& baseFolder);

// Share of the first size that remains, in percent; 100 when the first size is unknown or 0.
double remainingPercent(std::int64_t sizeBefore, std::int64_t sizeAfter);
