#include "app/settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "app/settings_files.h"

#include "engine/options.h"
#include "json/json_node.h"
#include "json/json_parser.h"
#include "json/json_writer.h"
#include "platform/win32/base.h"
#include "platform/win32/process.h"
#include "util/file_system.h"
#include "util/live_file.h"

namespace {

std::string moduleFileName()
{
    std::vector<char> buffer(4096);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::string();
        if (length < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of(pathSeparators);
    return slash == std::string::npos ? path : path.substr(0, slash);
}

} // namespace

std::string programFolder()
{
    static const std::string folder = folderOf(moduleFileName());
    return folder;
}

std::string settingsFileFor(const std::string& folder)
{
    // A folder of its own keeps the program portable; an installed one cannot be written to.
    if (!folder.empty() && isPortableFolder(folder))
        return folder + pathSeparator + "Tarnwick.config";
    const std::string user = userSettingsFolder();
    return user.empty() ? std::string() : user + pathSeparator + "Tarnwick.config";
}

std::string settingsFilePath()
{
    return settingsFileFor(programFolder());
}

OptionValues loadSettings()
{
    return loadSettingsFrom(settingsFilePath());
}

OptionValues loadSettingsFrom(const std::string& path, OptionValues options)
{
    std::string text;
    if (!readSmallRegularFile(path, settingsSizeLimit, text))
        return options;
    const jsonNodePtr root(parseDocument(text));
    if (!root) {
        std::remove(path.c_str());
        return options;
    }
    for (const OptionInfo& option : optionTable())
        if (jsonNode* member = root->findChild(option.key))
            options[option.option] = member->asBool();
    return options;
}

std::string settingsText(const OptionValues& options)
{
    const jsonNodePtr root(createNode("", "{}"));
    for (const OptionInfo& option : optionTable())
        root->addChild(option.key, options[option.option] ? "true" : "false");
    return toText(*root, compactText);
}

bool saveSettings(const OptionValues& options)
{
    return saveSettingsCreatingFolder(settingsFilePath(), options);
}

bool saveSettingsCreatingFolder(const std::string& path, const OptionValues& options)
{
    if (path.empty()) {
        std::fputs("tarnwick: cannot save settings: no writable folder for them (neither the "
                   "program's folder nor HOME)\n",
                   stderr);
        return false;
    }
    const std::string folder = path.substr(0, path.find_last_of(pathSeparators));
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "tarnwick: cannot save settings to %s: %s\n", path.c_str(),
                     error.message().c_str());
        return false;
    }
    return saveSettingsTo(path, options);
}

bool saveSettingsTo(const std::string& path, const OptionValues& options)
{
    if (path.empty())
        return false;
    const std::string text = settingsText(options);
    const std::string temporary = path + ".new";
    int failure = 0;
    {
        liveFile file(temporary, fileModeWrite);
        if (!file.stream) {
            failure = errno;
        } else if (std::fputs(text.c_str(), file.stream) < 0 || std::fflush(file.stream) != 0 ||
                   !flushToDisk(file.stream)) {
            failure = errno;
        }
    }
    if (failure == 0 && std::rename(temporary.c_str(), path.c_str()) != 0)
        failure = errno;
    if (failure != 0) {
        std::remove(temporary.c_str());
        std::fprintf(stderr, "tarnwick: cannot save settings to %s: %s\n", path.c_str(),
                     std::strerror(failure));
        return false;
    }
    return true;
}
