// Valid image files of an exact size, written without any image library: one fixed picture per
// kind, padded with a private chunk, comments or trailing bytes. A tool's fake can change a
// file's size and still hand back the same image, as the engine's checks demand.
#pragma once

#include <cstdint>
#include <string>

enum class FakeKind { png, jpeg, gif, tiff, pdf, executable, other };

// By the last suffix of path, ignoring case: .png, .jpg/.jpeg, .gif, .tif/.tiff, .pdf, .exe/.dll.
FakeKind fakeKindOfPath(const std::string& path);

// The smallest valid file of the kind (0 for other).
std::int64_t fakeImageMinimum(FakeKind kind);

// A file of exactly size bytes showing the kind's picture; with variant, one pixel differs (PNG
// only). A program is "MZ" and a pattern (the fake packer's self-test passes anything). Below
// the kind's minimum, and for other kinds, a repeating pattern that decodes as nothing.
std::string fakeImage(FakeKind kind, std::int64_t size, bool variant = false);

// The program that writes these files (tests/support/fake_image_main.cpp), by its full path:
//   PROGRAM [--variant] SIZE PATH       PATH becomes a file of SIZE bytes of its kind
//   PROGRAM --shrink BYTES PATH         PATH becomes BYTES smaller
//   PROGRAM --shrink BYTES IN OUT       OUT becomes BYTES smaller than IN
// The kind comes from the suffix of the file written; its content is always the kind's picture.
std::string fakeImageProgram();
// The same, quoted for sh.
std::string fakeImageCommand();
