#include "engine/file_kinds.h"

#include "util/strings.h"

const std::vector<KindStep>& pngPasses()
{
    static const std::vector<KindStep> passes{
        {&crushStep, StepGate::WhenFull, AfterStop::EndSteps},
        {&optimizeStep, StepGate::WhenFull, AfterStop::EndSteps},
        {&finalPassStep, StepGate::Always, AfterStop::GoOn, &fastStep},
    };
    return passes;
}

const std::vector<FileKind>& fileKinds()
{
    static const std::vector<KindStep> pngSteps = [] {
        std::vector<KindStep> steps{{&stripStep, StepGate::WhenStrip, AfterStop::EndFileQuietly}};
        steps.insert(steps.end(), pngPasses().begin(), pngPasses().end());
        return steps;
    }();
    static const std::vector<KindStep> stripOnly{
        {&stripStep, StepGate::WhenStrip, AfterStop::GoOn}};
    static const std::vector<KindStep> packOnly{{&packStep, StepGate::Always, AfterStop::GoOn}};
    static const std::vector<FileKind> kinds{
        {"PNG", {".png"}, Option::Pngs, false, pngSteps, CheckKind::Image},
        {"TIFF", {".tif", ".tiff"}, Option::Tifs, true, stripOnly, CheckKind::Image},
        {"JPEG", {".jpeg", ".jpg"}, Option::Jpgs, true, stripOnly, CheckKind::Image},
        {"PDF", {".pdf"}, Option::Pdfs, true, stripOnly, CheckKind::Document},
        {"GIF", {".gif"}, Option::Gifs, true, stripOnly, CheckKind::Image},
        {"EXE", {".exe", ".dll"}, Option::Apps, false, packOnly, CheckKind::Executable},
    };
    return kinds;
}

const FileKind* kindOfPath(const std::string& path)
{
    const std::string lower = toLowerCopy(path);
    for (const FileKind& kind : fileKinds())
        for (const char* suffix : kind.suffixes)
            if (endsWith(lower, suffix))
                return &kind;
    return nullptr;
}

bool kindEnabledForWalk(const FileKind& kind, const OptionValues& options)
{
    return options[kind.extension] && (!kind.walkNeedsStrip || options[Option::Strip]);
}
