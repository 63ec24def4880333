#include "engine/png_passes.h"

#include "engine/compress_file.h"
#include "engine/steps.h"

std::string crushTemporaryPath(const std::string& path)
{
    return newFilePath(crushStep, path);
}

void stripMetadata(ReportSurfaces& mainWindow, const std::string& path, StepMode mode)
{
    runStep(processJobContext(mainWindow), stripStep, path, mode);
}

void crushPng(ReportSurfaces& mainWindow, const std::string& path, StepMode mode)
{
    runStep(processJobContext(mainWindow), crushStep, path, mode);
}

void optimizePng(ReportSurfaces& mainWindow, const std::string& path, StepMode mode)
{
    runStep(processJobContext(mainWindow), optimizeStep, path, mode);
}

void compressPng(const JobContext& job, const std::string& path, StepMode mode)
{
    FileResult ignored;
    runSteps(job, pngPasses(), path, mode, ignored);
}

void compressPng(ReportSurfaces& mainWindow, const std::string& path, StepMode mode)
{
    compressPng(processJobContext(mainWindow), path, mode);
}
