#include "engine/file_result.h"

const char* fileStatusName(FileStatus status)
{
    switch (status) {
    case FileStatus::Processed:
        return "processed";
    case FileStatus::Skipped:
        return "skipped";
    case FileStatus::Stopped:
        return "stopped";
    case FileStatus::Failed:
        return "failed";
    }
    return "failed";
}
