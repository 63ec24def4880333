#include "app/settings.h"

#include <cstdio>
#include <unistd.h>
#include <vector>

#include "engine/engine_state.h"
#include "json/json_node.h"
#include "json/json_parser.h"
#include "json/json_writer.h"
#include "platform/win32/base.h"
#include "platform/win32/process.h"
#include "util/live_file.h"

namespace {

struct OptionKey {
    const char* key;
    std::atomic<bool>& flag;
};

// In the order the file lists them.
const OptionKey optionKeys[] = {
    {"Full", Full}, {"Strip", Strip}, {"Copy", Copy}, {"Apps", Apps}, {"Pngs", Pngs},
    {"Tifs", Tifs}, {"Jpgs", Jpgs},   {"Gifs", Gifs}, {"Pdfs", Pdfs}, {"HogSystem", HogSystem},
};

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
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(0, slash);
}

} // namespace

std::string programFolder()
{
    static const std::string folder = folderOf(moduleFileName());
    return folder;
}

std::string settingsFilePath()
{
    // Without a known program folder there is no settings file, rather than one at the root.
    const std::string folder = programFolder();
    return folder.empty() ? std::string() : folder + "/Tarnwick.config";
}

void loadSettings()
{
    loadSettingsFrom(settingsFilePath());
}

void loadSettingsFrom(const std::string& path)
{
    if (fileSize(path) < 0)
        return;
    std::string text;
    {
        liveFile file(path, fileModeRead);
        text = file.readAll();
    }
    const jsonNodePtr root(parseDocument(text));
    if (!root) {
        std::remove(path.c_str());
        return;
    }
    OptionFlags& flags = processEngineState().options;
    for (const OptionInfo& option : optionTable())
        if (jsonNode* member = root->findChild(option.key))
            flags[option.option] = member->asBool();
}

std::string settingsText()
{
    const jsonNodePtr root(createNode("", "{}"));
    const OptionFlags& flags = processEngineState().options;
    for (const OptionInfo& option : optionTable())
        root->addChild(option.key, flags[option.option] ? "true" : "false");
    return toText(*root, compactText);
}

bool saveSettings()
{
    return saveSettingsTo(settingsFilePath());
}

bool saveSettingsTo(const std::string& path)
{
    if (path.empty())
        return false;
    const std::string text = settingsText();
    const std::string temporary = path + ".new";
    bool written = false;
    {
        liveFile file(temporary, fileModeWrite);
        if (!file.stream)
            return false;
        written = std::fputs(text.c_str(), file.stream) >= 0 && std::fflush(file.stream) == 0 &&
                  fsync(fileno(file.stream)) == 0;
    }
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
