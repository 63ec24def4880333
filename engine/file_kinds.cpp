#include "engine/file_kinds.h"

#include <algorithm>

#include "util/strings.h"

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
