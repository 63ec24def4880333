// A fast fingerprint of a file's content, to recognise a file already finished whatever its name.
#pragma once

#include <string>

// XXH3-128 of the content of the regular file at path, as 32 lowercase hex digits. Empty when the
// path is a link, a folder, a pipe or a device, or cannot be opened or read.
std::string contentHash(const std::string& path);

// XXH3-128 of text, in the same form.
std::string textHash(const std::string& text);
