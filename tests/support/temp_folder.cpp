#include "support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "support/fake_image.h"

TempFolder::TempFolder()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tarnwick-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        throw std::runtime_error("cannot make a temporary folder from " + pattern);
    folder = buffer.data();
}

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
    return relative.empty() ? folder : folder + "/" + relative;
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
