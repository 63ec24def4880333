// Where a job's paths come from, one at a time, so that a list of any length is never held whole.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class PathSource {
public:
    virtual ~PathSource() = default;

    // Sets path to the next one; false once there are none left (or the list cannot be read).
    virtual bool next(std::string& path) = 0;
};

// The paths of a vector, in order.
class PathVector : public PathSource {
public:
    explicit PathVector(const std::vector<std::string>& paths) : paths(paths) {}

    bool next(std::string& path) override
    {
        if (at == paths.size())
            return false;
        path = paths[at++];
        return true;
    }

private:
    const std::vector<std::string>& paths;
    std::size_t at = 0;
};
