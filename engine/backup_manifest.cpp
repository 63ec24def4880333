#include "engine/backup_manifest.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>

#include "engine/content_hash.h"
#include "engine/file_queries.h"
#include "json/json_escape.h"
#include "json/json_node.h"
#include "json/json_parser.h"
#include "util/file_system.h"
#include "util/live_file.h"
#include "util/live_file_open.h"

namespace {

constexpr int manifestVersion = 1;
// Each line: this many hex digits of textHash(json), a blank, the JSON object, "\n".
constexpr std::size_t checksumLength = 16;
// No line of ours comes near this: a header must fit in it.
constexpr std::size_t longestHeader = 64 * 1024;

std::string manifestPath(const std::string& folder)
{
    return withTrailingSeparator(folder) + manifestName;
}

std::string quoted(const std::string& value)
{
    return "\"" + escapeJsonStandard(value) + "\"";
}

std::string checksum(const std::string& json)
{
    return textHash(json).substr(0, checksumLength);
}

// The JSON object of one whole, undamaged line; null otherwise.
jsonNodePtr parseLine(const std::string& line)
{
    if (line.size() <= checksumLength + 1 || line[checksumLength] != ' ')
        return nullptr;
    const std::string json = line.substr(checksumLength + 1);
    if (line.compare(0, checksumLength, checksum(json)) != 0)
        return nullptr;
    jsonNodePtr node(parseDocument(json));
    if (!node || node->getKind() != jsonObject)
        return nullptr;
    return node;
}

std::string stringOf(jsonNode& object, const char* name)
{
    jsonNode* child = object.findChild(name);
    return child && child->getKind() == jsonString ? child->getString() : std::string();
}

// A number's raw text, read whole: the node model keeps numbers as floats, too coarse for sizes.
bool integerOf(jsonNode& object, const char* name, std::int64_t& value)
{
    jsonNode* child = object.findChild(name);
    if (!child || child->getKind() != jsonNumber)
        return false;
    const std::string& text = child->getString();
    if (text.empty() || text.find_first_not_of("0123456789-") != std::string::npos)
        return false;
    value = std::stoll(text);
    return true;
}

bool readHeader(jsonNode& header, Manifest& manifest)
{
    std::int64_t version = 0;
    if (!integerOf(header, "tarnwick-backup", version) || version != manifestVersion)
        return false;
    manifest.version = static_cast<int>(version);
    manifest.root = stringOf(header, "root");
    return !manifest.root.empty();
}

BackedUpFile* findFile(Manifest& manifest, const std::string& relative)
{
    // Result lines name files listed before them; the newest listing wins.
    for (auto it = manifest.files.rbegin(); it != manifest.files.rend(); ++it)
        if (it->relative == relative)
            return &*it;
    return nullptr;
}

void readEntry(jsonNode& line, Manifest& manifest)
{
    if (line.findChild("file")) {
        BackedUpFile file;
        file.relative = stringOf(line, "file");
        file.hash = stringOf(line, "hash");
        if (!file.relative.empty() && !file.hash.empty() && integerOf(line, "size", file.size))
            manifest.files.push_back(std::move(file));
        return;
    }
    if (line.findChild("complete")) {
        manifest.complete = true;
        return;
    }
    const std::string hash = stringOf(line, "hash");
    const bool produced = line.findChild("produced") != nullptr;
    BackedUpFile* file = findFile(manifest, stringOf(line, produced ? "produced" : "result"));
    if (!file || hash.empty())
        return;
    if (produced)
        file->produced.push_back(hash);
    else if (line.findChild("result"))
        file->result = hash;
}

// Something no other manifest holds, so a copied one is never taken for the one written here.
std::string uniqueMark(const std::string& folder)
{
    static std::atomic<unsigned> counter{0};
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    return textHash(folder + " " + std::to_string(now) + " " + std::to_string(++counter) + " " +
                    std::to_string(reinterpret_cast<std::uintptr_t>(&counter)));
}

} // namespace

bool readManifest(const std::string& folder, Manifest& manifest)
{
    manifest = Manifest();
    liveFile in(manifestPath(folder), fileModeReadBinary);
    if (!in.stream)
        return false;
    const std::string text = in.readAll();
    bool headerRead = false;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        // A line without its end was cut short by a kill or a full disk.
        if (end == std::string::npos)
            break;
        jsonNodePtr line = parseLine(text.substr(start, end - start));
        start = end + 1;
        if (!headerRead) {
            if (!line || !readHeader(*line, manifest))
                return false;
            headerRead = true;
            continue;
        }
        if (line)
            readEntry(*line, manifest);
    }
    return headerRead;
}

bool isBackupFolder(const std::string& folder)
{
    liveFile in(manifestPath(folder), fileModeReadBinary);
    if (!in.stream)
        return false;
    std::string first;
    for (int c; (c = std::fgetc(in.stream)) != EOF && c != '\n';) {
        if (first.size() == longestHeader)
            return false;
        first += static_cast<char>(c);
    }
    jsonNodePtr header = parseLine(first);
    Manifest manifest;
    return header && readHeader(*header, manifest);
}

ManifestWriter::ManifestWriter(const std::string& folder, const std::string& root)
    : folder(folder), rootFolder(root)
{
    file = openWithMode(manifestPath(folder), fileModeAppendReadBinary);
    if (!file)
        return;
    const std::string json = "{\"tarnwick-backup\":" + std::to_string(manifestVersion) +
                             ",\"root\":" + quoted(root) +
                             ",\"mark\":" + quoted(uniqueMark(folder)) + "}";
    header = checksum(json) + " " + json + "\n";
    if (std::fputs(header.c_str(), file) < 0 || !syncStreamToDisk(file)) {
        std::fclose(file);
        file = nullptr;
    }
}

ManifestWriter::~ManifestWriter()
{
    if (file)
        std::fclose(file);
}

bool ManifestWriter::listOriginals()
{
    std::lock_guard<std::mutex> guard(lock);
    if (!file)
        return false;
    {
        liveFile in(manifestPath(folder), fileModeReadBinary);
        if (!in.stream || in.readAll().compare(0, header.size(), header) != 0)
            return false;
    }
    const std::string top = withTrailingSeparator(folder);
    std::vector<std::string> copies;
    listFiles(folder, copies, true);
    std::size_t listed = 0;
    for (const std::string& copy : copies) {
        const std::string relative = copy.substr(top.size());
        if (relative == manifestName)
            continue;
        ++listed;
        const std::string hash = contentHash(copy);
        if (hash.empty())
            return false;
        if (!appendLine("{\"file\":" + quoted(relative) + ",\"size\":" +
                            std::to_string(fileSize(copy)) + ",\"hash\":" + quoted(hash) + "}",
                        false))
            return false;
    }
    return appendLine("{\"complete\":" + std::to_string(listed) + "}", true);
}

bool ManifestWriter::noteProduced(const std::string& relative, const std::string& hash)
{
    std::lock_guard<std::mutex> guard(lock);
    return appendLine("{\"produced\":" + quoted(relative) + ",\"hash\":" + quoted(hash) + "}",
                      true);
}

bool ManifestWriter::noteResult(const std::string& relative, const std::string& hash)
{
    std::lock_guard<std::mutex> guard(lock);
    // The result's content was noted as produced before it replaced the file, so this line only
    // shortens a restore's reasoning: a kill before it reaches the disk loses nothing.
    return appendLine("{\"result\":" + quoted(relative) + ",\"hash\":" + quoted(hash) + "}", false);
}

bool ManifestWriter::appendLine(const std::string& json, bool toDisk)
{
    if (!file)
        return false;
    const std::string line = checksum(json) + " " + json + "\n";
    // One write per line, so a kill leaves whole lines and at most one cut-off last line.
    if (std::fwrite(line.data(), 1, line.size(), file) != line.size())
        return false;
    return toDisk ? syncStreamToDisk(file) : std::fflush(file) == 0;
}
