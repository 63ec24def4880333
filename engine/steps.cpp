#include "engine/steps.h"

#include <cstdio>

#include <sys/stat.h>

#include "engine/tool_command.h"
#include "util/live_file.h"
#include "util/strings.h"

const ToolName pngcrushTool{"pngcrush", "pngcrush.exe"};
const ToolName optipngTool{"OptiPNG", "OptiPNG"};
const ToolName pngoutTool{"pngout", "pngout"};
const ToolName exiftoolTool{"exiftool", "exiftool"};
const ToolName upxTool{"upx", "upx.exe"};

const Step stripStep{"     Stripping MetaData... ", exiftoolTool,
                     "-overwrite_original -all=", StepOutput::InPlace, nullptr};
const Step crushStep{"     Pass 1/3... ", pngcrushTool, "-brute -reduce", StepOutput::NewFile,
                     "_pngcrush.png"};
const Step optimizeStep{"     Pass 2/3... ", optipngTool, "-o7", StepOutput::InPlace, nullptr};
const Step finalPassStep{"     Pass 3/3... ", pngoutTool, "", StepOutput::InPlace, nullptr};
const Step fastStep{"     Fast Compression... ", pngoutTool, "", StepOutput::InPlace, nullptr};
const Step packStep{"     Compressing... ", upxTool, "", StepOutput::InPlace, nullptr};

namespace {

// A NewFile step's result replaces the file only when it is a real, smaller image.
void placeNewFile(const std::string& path, const std::string& output)
{
    const std::int64_t newSize = fileSize(output);
    if (newSize < 0)
        return;
    const std::int64_t originalSize = fileSize(path);
    // An empty result is a run that failed, never a smaller image. One rename over the
    // original, so a crash never leaves the image only under the temporary name; the result
    // takes the original's permissions, so a private file does not become readable to others.
    struct stat original {};
    if (newSize > 0 && newSize < originalSize && ::stat(path.c_str(), &original) == 0) {
        ::chmod(output.c_str(), original.st_mode & 07777);
        if (std::rename(output.c_str(), path.c_str()) != 0)
            std::remove(output.c_str());
    } else {
        std::remove(output.c_str());
    }
}

} // namespace

std::string newFilePath(const Step& step, const std::string& path)
{
    const std::string stem = path.size() >= 4 ? path.substr(0, path.size() - 4) : std::string();
    return stem + (step.newFileSuffix ? step.newFileSuffix : "");
}

std::string stepCommand(const Step& step, const std::string& path)
{
    std::string command = step.tool.command;
    if (*step.options) {
        command += ' ';
        command += step.options;
    }
    command += ' ';
    command += quotedPathArgument(path);
    if (step.output == StepOutput::NewFile) {
        command += ' ';
        command += quotedPathArgument(newFilePath(step, path));
    }
    return command;
}

std::string stepName(const Step& step)
{
    std::string name = step.label;
    trim(name);
    while (!name.empty() && name.back() == '.')
        name.pop_back();
    return name;
}

StepResult runStep(const JobContext& job, const Step& step, const std::string& path, StepMode mode)
{
    StepResult result;
    result.name = stepName(step);
    {
        SizeReport report(job, step.label, path, mode.logging);
        result.sizeBefore = report.sizeAtStart();
        if (step.output == StepOutput::NewFile) {
            const std::string output = newFilePath(step, path);
            // A file already bearing the new file's name is someone's file: the program would
            // overwrite it and the step would then delete or rename it. Leave both alone.
            if (fileSize(output) < 0) {
                job.runner.run(stepCommand(step, path), mode.highPriority);
                placeNewFile(path, output);
            }
        } else {
            job.runner.run(stepCommand(step, path), mode.highPriority);
        }
    }
    result.sizeAfter = fileSize(path);
    return result;
}
