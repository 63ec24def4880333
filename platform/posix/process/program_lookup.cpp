#include "platform/posix/process/program_lookup.h"

#include "platform/process_additions.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace posix_process {
namespace {

std::string lowerAscii(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool endsWithExe(const std::string& name)
{
    return name.size() > 4 && lowerAscii(name.substr(name.size() - 4)) == ".exe";
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool isExecutableFile(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// Lower-cased name -> the folder's entries with that name, in sorted order.
using Listing = std::map<std::string, std::vector<std::string>>;

struct CachedListing {
    dev_t device;
    ino_t inode;
    timespec modified;
    std::shared_ptr<const Listing> listing;
};

std::mutex cacheMutex;
std::unordered_map<std::string, CachedListing> cache;
constexpr std::size_t cacheLimit = 64;

std::shared_ptr<const Listing> readListing(const std::string& folder)
{
    auto listing = std::make_shared<Listing>();
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return listing;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        (*listing)[lowerAscii(name)].push_back(std::move(name));
    }
    ::closedir(dir);
    for (auto& [key, names] : *listing)
        std::sort(names.begin(), names.end());
    return listing;
}

// A folder's listing, reused while the folder is unchanged. A folder changed within the last
// two seconds is read afresh every time: its modification time has a coarse clock, so an entry
// added in the same tick as the cached reading would not show in the time.
std::shared_ptr<const Listing> folderListing(const std::string& folder)
{
    struct stat info;
    if (::stat(folder.empty() ? "." : folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return std::make_shared<const Listing>();
    }
    {
        std::lock_guard lock(cacheMutex);
        auto it = cache.find(folder);
        if (it != cache.end() && it->second.device == info.st_dev &&
            it->second.inode == info.st_ino && it->second.modified.tv_sec == info.st_mtim.tv_sec &&
            it->second.modified.tv_nsec == info.st_mtim.tv_nsec) {
            return it->second.listing;
        }
    }
    std::shared_ptr<const Listing> listing = readListing(folder);
    timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    if (now.tv_sec - info.st_mtim.tv_sec >= 2) {
        std::lock_guard lock(cacheMutex);
        if (cache.size() >= cacheLimit)
            cache.clear();
        cache[folder] = CachedListing{info.st_dev, info.st_ino, info.st_mtim, listing};
    }
    return listing;
}

bool findInFolder(const std::string& folder, const std::string& name, std::string* foundPath)
{
    std::vector<std::string> candidates{name};
    if (endsWithExe(name)) {
        candidates.push_back(name.substr(0, name.size() - 4));
    } else {
        candidates.push_back(name + ".exe");
    }
    for (const std::string& candidate : candidates) {
        std::string path = joinPath(folder, candidate);
        if (isExecutableFile(path)) {
            if (foundPath)
                *foundPath = path;
            return true;
        }
    }
    std::shared_ptr<const Listing> listing = folderListing(folder);
    for (const std::string& candidate : candidates) {
        auto it = listing->find(lowerAscii(candidate));
        if (it == listing->end())
            continue;
        for (const std::string& entry : it->second) {
            std::string path = joinPath(folder, entry);
            if (isExecutableFile(path)) {
                if (foundPath)
                    *foundPath = path;
                return true;
            }
        }
    }
    return false;
}

} // namespace

bool findProgram(const std::string& name, const std::string& currentFolder,
                 const char* pathVariable, std::string* foundPath)
{
    if (name.empty() || name.find('\0') != std::string::npos)
        return false;
    std::size_t slash = name.rfind('/');
    if (slash != std::string::npos) {
        std::string folder = name.substr(0, slash + 1);
        std::string base = name.substr(slash + 1);
        if (base.empty())
            return false;
        if (folder.front() != '/')
            folder = joinPath(currentFolder, folder);
        return findInFolder(folder, base, foundPath);
    }
    if (findInFolder(currentFolder, name, foundPath))
        return true;
    if (!pathVariable)
        return false;
    std::string_view rest = pathVariable;
    while (true) {
        std::size_t colon = rest.find(':');
        std::string folder(rest.substr(0, colon));
        // An empty entry means the current folder, which was searched first already.
        if (!folder.empty() && findInFolder(folder, name, foundPath))
            return true;
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    return false;
}

} // namespace posix_process

bool cmdFindProgram(const std::string& name, std::string* foundPath)
{
    char buffer[4096];
    std::string currentFolder = ::getcwd(buffer, sizeof buffer) ? buffer : ".";
    return posix_process::findProgram(name, currentFolder, std::getenv("PATH"), foundPath);
}
