#include "engine/file_collection.h"

#include <iterator>

#include "engine/engine_state.h"
#include "util/file_system.h"

std::vector<std::string> enabledSuffixes()
{
    std::vector<std::string> suffixes;
    if (Pngs)
        suffixes.insert(suffixes.end(), {".png"});
    if (Strip && Tifs)
        suffixes.insert(suffixes.end(), {".tif", ".tiff"});
    if (Strip && Jpgs)
        suffixes.insert(suffixes.end(), {".jpeg", ".jpg"});
    if (Strip && Pdfs)
        suffixes.insert(suffixes.end(), {".pdf"});
    if (Strip && Gifs)
        suffixes.insert(suffixes.end(), {".gif"});
    if (Apps)
        suffixes.insert(suffixes.end(), {".exe", ".dll"});
    return suffixes;
}

std::vector<std::string> collectFiles(const std::string& folder)
{
    std::vector<std::string> files;
    const std::vector<std::string> suffixes = enabledSuffixes();
    if (suffixes.empty())
        return files;
    for (std::vector<std::string>& kind : listFilesWithSuffixes(folder, suffixes, true))
        files.insert(files.end(), std::make_move_iterator(kind.begin()),
                     std::make_move_iterator(kind.end()));
    return files;
}
