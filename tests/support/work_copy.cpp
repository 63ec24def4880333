#include "support/work_copy.h"

#include <filesystem>
#include <sstream>

#include "util/file_system.h"

namespace {

// The path with the platform's one separator: tests build paths with "/", Windows tools get
// backslashes.
std::string normalized(std::string path)
{
    for (char& c : path)
        if (isSeparator(c))
            c = pathSeparator;
    return path;
}

std::string folderOf(const std::string& file)
{
    const std::size_t slash = file.find_last_of(pathSeparator);
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string(1, pathSeparator) : file.substr(0, slash);
}

// The suffix the engine keeps: from the last dot of the last component, when short.
std::string suffixOf(const std::string& file)
{
    const std::size_t slash = file.find_last_of(pathSeparator);
    const std::size_t dot = file.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    const std::string suffix = file.substr(dot);
    return suffix.size() <= 8 ? suffix : std::string();
}

bool allDigits(const std::string& text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace

bool isWorkCopyOf(const std::string& given, const std::string& givenFile, const std::string& tag)
{
    const std::string argument = normalized(given);
    const std::string file = normalized(givenFile);
    const std::string separator(1, pathSeparator);
    const std::string folder = folderOf(file);
    const std::string start = (folder == separator ? "" : folder) + separator + ".tarnwick-";
    const std::string end = separator + "work" + tag + suffixOf(file);
    if (argument.size() < start.size() + end.size() + 8 || argument.compare(0, start.size(), start))
        return false;
    if (argument.compare(argument.size() - end.size(), end.size(), end) != 0)
        return false;
    // What lies between: "<pid>-<6 characters>", none of them a slash.
    const std::string middle =
        argument.substr(start.size(), argument.size() - start.size() - end.size());
    const std::size_t dash = middle.find('-');
    return dash != std::string::npos && allDigits(middle.substr(0, dash)) &&
           middle.size() == dash + 7 && middle.find(pathSeparator) == std::string::npos;
}

std::string workCopy(const std::string& file, const std::string& tag)
{
    return "<work copy" + tag + " of " + file + ">";
}

std::vector<std::string> withWorkCopies(const std::vector<std::string>& calls,
                                        const std::vector<std::string>& files)
{
    std::vector<std::string> result;
    for (const std::string& call : calls) {
        std::string rewritten;
        std::istringstream parts(call);
        bool first = true;
        for (std::string part; std::getline(parts, part, '|'); first = false) {
            if (!first) {
                for (const std::string& file : files) {
                    if (isWorkCopyOf(part, file)) {
                        part = workCopy(file);
                        break;
                    }
                    if (isWorkCopyOf(part, file, "-out")) {
                        part = workCopy(file, "-out");
                        break;
                    }
                }
                rewritten += '|';
            }
            rewritten += part;
        }
        result.push_back(rewritten);
    }
    return result;
}

std::vector<std::string> workFoldersIn(const std::string& folder)
{
    std::vector<std::string> found;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        if (it->path().filename().string().starts_with(".tarnwick-"))
            found.push_back(it->path().string());
    return found;
}
