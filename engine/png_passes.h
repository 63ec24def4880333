// The image steps by name: metadata stripping (exiftool) and the PNG passes (pngcrush, OptiPNG,
// pngout). The steps themselves are rows of steps.h; the kinds' chains are in file_kinds.h.
#pragma once

#include <string>

#include "engine/report_surfaces.h"
#include "engine/size_report.h"

// Removes the metadata in place: exiftool -overwrite_original -all= "PATH".
void stripMetadata(ReportSurfaces& mainWindow, const std::string& path,
                   StepMode mode = currentStepMode());

// Pass 1/3: pngcrush writes a new file in the step's work folder; it replaces the file only when
// it is strictly smaller and the same image, otherwise it is deleted.
void crushPng(ReportSurfaces& mainWindow, const std::string& path,
              StepMode mode = currentStepMode());

// Pass 2/3: OptiPNG -o7 in place.
void optimizePng(ReportSurfaces& mainWindow, const std::string& path,
                 StepMode mode = currentStepMode());

// The PNG pipeline: the three passes with Full on (stopping between passes when the job is
// stopped), pngout alone ("Fast Compression") with Full off.
void compressPng(const JobContext& job, const std::string& path, StepMode mode);
void compressPng(ReportSurfaces& mainWindow, const std::string& path,
                 StepMode mode = currentStepMode());

// The name pngcrush's output once had beside the file: the path without its last four
// characters, then "_pngcrush.png". Nothing is written there any more; a file of that name is
// the user's.
std::string crushTemporaryPath(const std::string& path);
