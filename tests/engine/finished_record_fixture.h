// What the record's tests share: timing, distinct hashes, an environment value for one test and
// a fresh database path.
#pragma once

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "support/environment.h"
#include "support/temp_folder.h"

inline double secondsFor(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline std::string hashOf(int n)
{
    return "hash-" + std::to_string(n);
}

// Sets or unsets an environment variable for one test and puts the old value back.
class EnvironmentValue {
public:
    EnvironmentValue(const char* name, const char* value) : name(name)
    {
        if (const char* old = std::getenv(name))
            previous = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvironmentValue()
    {
        if (previous)
            setenv(name, previous->c_str(), 1);
        else
            unsetenv(name);
    }

private:
    const char* name;
    std::optional<std::string> previous;
};

class FinishedRecordTest : public ::testing::Test {
protected:
    TempFolder temp;
    const std::string database = temp.file("cache/tarnwick/finished.sqlite");
};
