// Where a job's paths come from, one at a time, so that a list of any length is never held whole.
#pragma once

#include <string>

class PathSource {
public:
    virtual ~PathSource() = default;

    // Sets path to the next one; false once there are none left (or the list cannot be read).
    virtual bool next(std::string& path) = 0;
};
