#include "engine/file_collection.h"

#include <cstdint>
#include <cstring>

#include "engine/backup_manifest.h"
#include "engine/file_kinds.h"
#include "util/file_system.h"

namespace {

// True when a name below the walked folder (its first `start` characters) begins with the
// temporary prefix: a file the engine is writing, or anything inside such a folder.
bool isTemporary(const std::string& path, std::size_t start)
{
    const std::size_t prefixLength = std::strlen(workFolderPrefix);
    for (std::size_t name = start; name < path.size();) {
        if (path.compare(name, prefixLength, workFolderPrefix) == 0)
            return true;
        const std::size_t slash = path.find_first_of(pathSeparators, name);
        if (slash == std::string::npos)
            break;
        name = slash + 1;
    }
    return false;
}

} // namespace

std::vector<std::string> enabledSuffixes(const OptionValues& options)
{
    std::vector<std::string> suffixes;
    for (const FileKind& kind : fileKinds())
        if (kindEnabledForWalk(kind, options))
            suffixes.insert(suffixes.end(), kind.suffixes.begin(), kind.suffixes.end());
    return suffixes;
}

PathList collectFiles(const std::string& folder, const OptionValues& options)
{
    const std::string below = withTrailingSeparator(folder);
    PathList files(below);
    const std::vector<std::string> suffixes = enabledSuffixes(options);
    if (suffixes.empty())
        return files;
    // Suffixes match in any case: a Windows user's IMG_0001.JPG is a JPEG file there, and a
    // folder copied from a camera or a Windows machine must not lose it here. Each kind is kept
    // as compactly as the whole list: a big tree must not need memory by the whole path.
    std::vector<PathList> kinds(suffixes.size(), PathList(below));
    // A backup of ours holds originals: compressing them would leave no way back. A user's
    // folder that only looks like one (no valid manifest) is walked as any other.
    const FolderMark backups{manifestName, isBackupFolder};
    walkFilesWithSuffixesIgnoringCase(
        folder, suffixes, true,
        [&](std::size_t suffix, const std::string& path) {
            if (!isTemporary(path, below.size()))
                kinds[suffix].push_back(path);
        },
        &backups);
    for (PathList& kind : kinds) {
        if (files.empty())
            files = std::move(kind);
        else
            files.append(kind);
        kind = PathList();
    }
    return files;
}

bool inShard(const std::string& relativePath, const Shard& shard)
{
    if (shard.count <= 1)
        return true;
    // FNV-1a: simple, fixed and spread well enough for names that differ in a character. The
    // folders are separated by "/" on every system, so Linux and Windows machines agree.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : relativePath) {
        hash ^= static_cast<unsigned char>(c == pathSeparator ? '/' : c);
        hash *= 1099511628211ull;
    }
    return hash % shard.count == shard.index - 1;
}
