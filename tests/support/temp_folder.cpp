#include "support/temp_folder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "support/fake_image.h"

#ifdef _WIN32
#include <random>

#include <windows.h>

namespace {

// Windows paths are built with backslashes, so the folder's own paths are too.
constexpr char separator = '\\';

std::string makeTemporaryFolder()
{
    char base[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof base, base);
    if (length == 0 || length > MAX_PATH)
        throw std::runtime_error("no temporary folder");
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate =
            std::string(base, length) + "tarnwick-test-" + std::to_string(random());
        if (CreateDirectoryA(candidate.c_str(), nullptr))
            return candidate;
    }
    throw std::runtime_error("cannot make a temporary folder in " + std::string(base, length));
}

} // namespace
#else
namespace {

constexpr char separator = '/';

std::string makeTemporaryFolder()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tarnwick-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        throw std::runtime_error("cannot make a temporary folder from " + pattern);
    return buffer.data();
}

} // namespace
#endif

TempFolder::TempFolder() : folder(makeTemporaryFolder()) {}

TempFolder::~TempFolder()
{
    std::error_code error;
    // Tests make folders read-only on purpose; give write access back before removing.
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        if (it->is_directory(error) && !it->is_symlink(error))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, error);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(folder, error);
}

std::string TempFolder::path(const std::string& relative) const
{
    if (relative.empty())
        return folder;
    std::string own = relative;
    std::replace(own.begin(), own.end(), '/', separator);
    return folder + separator + own;
}

std::string TempFolder::write(const std::string& relative, const std::string& content) const
{
    const std::string full = path(relative);
    writeFile(full, content);
    return full;
}

std::string TempFolder::makeFolder(const std::string& relative) const
{
    const std::string full = path(relative);
    std::filesystem::create_directories(full);
    return full;
}

bool writeFile(const std::string& path, const std::string& content)
{
    std::error_code error;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent, error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out);
}

bool writeFileOfSize(const std::string& path, std::int64_t size)
{
    return writeFile(path, fakeImage(fakeKindOfPath(path), size));
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
