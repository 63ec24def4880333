#include "app/job_requests.h"

JobRequest dropRequest(const std::vector<std::string>& paths, const OptionValues& options)
{
    JobRequest request;
    if (!paths.empty())
        request.paths = {paths.front()};
    request.options = options;
    return request;
}

JobRequest commandLineRequest(const CommandLine& command, const OptionValues& options)
{
    JobRequest request;
    request.paths = command.paths;
    request.options = options;
    for (const auto& [option, on] : command.optionChanges)
        request.options[option] = on;
    request.shard = command.shard;
    if (command.jobs > 0) {
        request.options[Option::HogSystem] = true;
        request.workers = command.jobs;
    }
    request.report = command.json ? ReportForm::JsonLines : ReportForm::LogLines;
    return request;
}
