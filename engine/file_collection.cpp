#include "engine/file_collection.h"

#include <iterator>

#include "engine/engine_state.h"
#include "engine/file_kinds.h"
#include "util/file_system.h"

std::vector<std::string> enabledSuffixes(const OptionFlags& options)
{
    std::vector<std::string> suffixes;
    for (const FileKind& kind : fileKinds())
        if (kindEnabledForWalk(kind, options))
            suffixes.insert(suffixes.end(), kind.suffixes.begin(), kind.suffixes.end());
    return suffixes;
}

std::vector<std::string> enabledSuffixes()
{
    return enabledSuffixes(processEngineState().options);
}

std::vector<std::string> collectFiles(const std::string& folder, const OptionFlags& options)
{
    std::vector<std::string> files;
    const std::vector<std::string> suffixes = enabledSuffixes(options);
    if (suffixes.empty())
        return files;
    for (std::vector<std::string>& kind : listFilesWithSuffixes(folder, suffixes, true))
        files.insert(files.end(), std::make_move_iterator(kind.begin()),
                     std::make_move_iterator(kind.end()));
    return files;
}

std::vector<std::string> collectFiles(const std::string& folder)
{
    return collectFiles(folder, processEngineState().options);
}
