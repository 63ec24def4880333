// setenv and unsetenv for the tests that change the environment; on Windows through the C
// library's own call, where an empty value removes the variable.
#pragma once

#include <cstdlib>

#ifdef _WIN32
inline int setenv(const char* name, const char* value, int)
{
    return _putenv_s(name, value);
}

inline int unsetenv(const char* name)
{
    return _putenv_s(name, "");
}
#endif
