#include "engine/png_passes.h"

#include "engine/compress_file.h"
#include "engine/steps.h"

std::string crushTemporaryPath(const std::string& path)
{
    return newFilePath(crushStep, path);
}

void compressPng(const JobContext& job, const std::string& path, StepMode mode)
{
    FileResult ignored;
    runSteps(job, pngPasses(), CheckKind::Image, path, mode, ignored);
}
