#include "app/report_lines.h"

#include <utility>

#include "json/json_node.h"
#include "json/json_writer.h"

namespace {

const char* boolText(bool value)
{
    return value ? "true" : "false";
}

} // namespace

std::string fileResultJson(const FileResult& result)
{
    jsonNode line(jsonObject);
    line.addStringChild("path", result.path);
    line.addChild("size_before", std::to_string(result.sizeBefore));
    line.addChild("size_after", std::to_string(result.sizeAfter));
    jsonNode* steps = line.addChild("steps", "[]");
    for (const StepResult& step : result.steps) {
        jsonNode* item = steps->addChild("", "{}");
        item->addStringChild("name", step.name);
        item->addChild("size_before", std::to_string(step.sizeBefore));
        item->addChild("size_after", std::to_string(step.sizeAfter));
        item->addChild("undone", boolText(step.undone));
        item->addStringChild("reason", step.reason);
    }
    line.addStringChild("status", fileStatusName(result.status));
    return toStandardText(line);
}

std::string summaryJson(const RunTally& tally, std::int64_t bytesSaved, int exitStatus)
{
    const std::pair<const char*, std::int64_t> fields[] = {
        {"files", tally.files},      {"processed", tally.processed}, {"skipped", tally.skipped},
        {"stopped", tally.stopped},  {"failed", tally.failed},       {"bytes_saved", bytesSaved},
        {"exit_status", exitStatus},
    };
    jsonNode line(jsonObject);
    for (const auto& [name, value] : fields)
        line.addChild(name, std::to_string(value));
    return toStandardText(line);
}
