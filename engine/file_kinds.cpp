#include "engine/file_kinds.h"

#include <algorithm>

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
    const KindStep strip{&stripStep, StepGate::WhenStrip, AfterStop::GoOn};
    auto optimizedBy = [](const Step& step) {
        return KindStep{&step, StepGate::WhenOption, AfterStop::GoOn, nullptr, Option::Optimize};
    };
    static const std::vector<FileKind> kinds{
        {"PNG", {".png"}, Option::Pngs, pngSteps, CheckKind::Image},
        {"TIFF", {".tif", ".tiff"}, Option::Tifs, {strip}, CheckKind::Image},
        {"JPEG", {".jpeg", ".jpg"}, Option::Jpgs, {strip, optimizedBy(jpegStep)}, CheckKind::Image},
        {"PDF", {".pdf"}, Option::Pdfs, {strip, optimizedBy(pdfStep)}, CheckKind::Document},
        {"GIF", {".gif"}, Option::Gifs, {strip, optimizedBy(gifStep)}, CheckKind::Image},
        {"EXE",
         {".exe", ".dll"},
         Option::Apps,
         {{&packStep, StepGate::Always, AfterStop::GoOn}},
         CheckKind::Executable},
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

bool gateOpen(const KindStep& entry, const OptionValues& options)
{
    switch (entry.gate) {
    case StepGate::Always:
        return true;
    case StepGate::WhenStrip:
        return options[Option::Strip];
    case StepGate::WhenFull:
        return options[Option::Full];
    case StepGate::WhenOption:
        return options[entry.option];
    }
    return false;
}

bool kindEnabledForWalk(const FileKind& kind, const OptionValues& options)
{
    return options[kind.extension] &&
           std::any_of(kind.steps.begin(), kind.steps.end(),
                       [&options](const KindStep& entry) { return gateOpen(entry, options); });
}
