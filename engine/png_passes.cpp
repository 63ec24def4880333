#include "engine/png_passes.h"

#include "engine/compress_file.h"
#include "engine/steps.h"

std::string crushTemporaryPath(const std::string& path)
{
    return newFilePath(crushStep, path);
}

namespace {

CheckKind checkFor(const std::string& path)
{
    const FileKind* kind = kindOfPath(path);
    return kind ? kind->check : CheckKind::Image;
}

} // namespace

void stripMetadata(ReportSurfaces& mainWindow, const std::string& path, StepMode mode)
{
    runStep(processJobContext(mainWindow), stripStep, path, mode, checkFor(path));
}

void crushPng(ReportSurfaces& mainWindow, const std::string& path, StepMode mode)
{
    runStep(processJobContext(mainWindow), crushStep, path, mode, CheckKind::Image);
}

void optimizePng(ReportSurfaces& mainWindow, const std::string& path, StepMode mode)
{
    runStep(processJobContext(mainWindow), optimizeStep, path, mode, CheckKind::Image);
}

void compressPng(const JobContext& job, const std::string& path, StepMode mode)
{
    FileResult ignored;
    runSteps(job, pngPasses(), CheckKind::Image, path, mode, ignored);
}

void compressPng(ReportSurfaces& mainWindow, const std::string& path, StepMode mode)
{
    compressPng(processJobContext(mainWindow), path, mode);
}
