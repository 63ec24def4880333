// Copying a text out into a caller's buffer the way WM_GETTEXT does.
#pragma once

#include "platform/win32.h"

#include <cstring>
#include <string>

namespace winlayer {

// At most size - 1 bytes and a terminating zero; returns the bytes copied (without the zero).
inline LRESULT copyTextOut(const std::string& text, WPARAM size, LPARAM buffer)
{
    if (size == 0 || buffer == 0)
        return 0;
    std::size_t count = std::min<std::size_t>(text.size(), size - 1);
    char* out = reinterpret_cast<char*>(buffer);
    std::memcpy(out, text.data(), count);
    out[count] = '\0';
    return static_cast<LRESULT>(count);
}

} // namespace winlayer
