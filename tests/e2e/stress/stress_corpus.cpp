#include "tests/e2e/stress/stress_corpus.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Recipe {
    std::string name;
    std::vector<std::string> convert; // ImageMagick's arguments before the output path
    std::vector<std::string> exif;    // exiftool's arguments after the file was made
};

void put32(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

// A small but well-formed ICC profile (header, tag table, a white point), so the decoders and
// the checks have colour information to keep.
std::string iccProfile()
{
    std::string header;
    put32(header, 164);
    header += "none";
    header += std::string("\x02\x10\x00\x00", 4);
    header += "mntrRGB XYZ ";
    header += std::string(12, '\0');
    header += "acspAPPL";
    header += std::string(4 + 8 + 8 + 4, '\0');
    put32(header, 0xF6D6);
    put32(header, 0x10000);
    put32(header, 0xD32D);
    header += "tnwk";
    header += std::string(16 + 28, '\0');
    std::string tags;
    put32(tags, 1);
    tags += "wtpt";
    put32(tags, 144);
    put32(tags, 20);
    std::string body = "XYZ ";
    body += std::string(4, '\0');
    put32(body, 0xF6D6);
    put32(body, 0x10000);
    put32(body, 0xD32D);
    return header + tags + body;
}

std::vector<Recipe> recipes(const std::string& profile)
{
    const std::vector<std::string> icc = {"-ICC_Profile<=" + profile};
    const std::vector<std::string> rotated = {"-n", "-Orientation=6"};
    const std::vector<std::string> both = {"-ICC_Profile<=" + profile, "-n", "-Orientation=8"};
    const std::vector<std::string> tagged = {"-Artist=Stress Test", "-Software=kill stress",
                                             "-Comment=made to be stripped"};
    return {
        {"gradient.png", {"-size", "64x48", "gradient:red-blue"}, {}},
        {"gray.png", {"-size", "96x64", "gradient:white-black", "-colorspace", "Gray"}, {}},
        {"deep16.png", {"-size", "80x60", "gradient:yellow-navy", "-depth", "16"}, {}},
        {"shapes.png",
         {"-size", "120x90", "xc:white", "-fill", "red", "-draw", "circle 60,45 60,10", "-fill",
          "blue", "-draw", "rectangle 5,5 40,30"},
         tagged},
        {"alpha.png",
         {"-size", "100x100", "xc:none", "-fill", "rgba(0,128,0,0.5)", "-draw",
          "circle 50,50 50,10"},
         {}},
        {"palette.png", {"-size", "128x64", "gradient:green-yellow", "-colors", "16"}, {}},
        {"noise.png", {"-size", "64x64", "xc:gray", "+noise", "Random"}, {}},
        {"plasma.png", {"-size", "100x80", "plasma:fractal"}, {}},
        {"icc.png", {"-size", "90x60", "gradient:orange-teal"}, icc},
        {"rotated.png", {"-size", "80x50", "gradient:pink-black"}, rotated},
        {"icc rotated.png", {"-size", "70x40", "gradient:cyan-maroon"}, both},
        {"big noise.png", {"-size", "420x420", "xc:gray", "+noise", "Gaussian"}, {}},
        {"linked.png", {"-size", "110x70", "plasma:fractal"}, {}},
        {"sub/swirl.png", {"-size", "120x120", "gradient:red-blue", "-swirl", "180"}, tagged},
        {"sub/deep/checker.png", {"-size", "96x96", "pattern:checkerboard"}, {}},
        {"photo.jpg", {"-size", "160x120", "plasma:fractal", "-quality", "90"}, tagged},
        {"gradient.jpg", {"-size", "200x100", "gradient:orange-purple", "-quality", "85"}, {}},
        {"icc.jpg", {"-size", "150x100", "plasma:fractal", "-quality", "88"}, icc},
        {"rotated.jpg", {"-size", "140x90", "gradient:navy-gold", "-quality", "80"}, rotated},
        {"icc rotated.jpg", {"-size", "130x70", "plasma:fractal", "-quality", "84"}, both},
        {"progressive.jpg",
         {"-size", "180x120", "plasma:fractal", "-interlace", "Plane", "-quality", "87"},
         tagged},
        {"big one.jpg", {"-size", "1000x800", "plasma:fractal", "-quality", "95"}, tagged},
        {"big two.jpg", {"-size", "1600x1200", "plasma:fractal", "-quality", "97"}, icc},
        {"sub/gray.jpg", {"-size", "120x80", "gradient:black-white", "-colorspace", "Gray"}, {}},
        {"sub/big three.jpg",
         {"-size", "900x900", "xc:gray", "+noise", "Gaussian", "-quality", "92"},
         rotated},
    };
}

} // namespace

bool runQuietly(const std::vector<std::string>& argv)
{
    std::vector<char*> pointers;
    for (const std::string& argument : argv)
        pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execvp(pointers[0], pointers.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> makeCorpus(const std::string& folder, const std::string& scratch)
{
    const std::string profile = scratch + "/profile.icc";
    std::ofstream(profile, std::ios::binary) << iccProfile();
    std::vector<std::string> names;
    for (const Recipe& recipe : recipes(profile)) {
        const std::string path = folder + "/" + recipe.name;
        fs::create_directories(fs::path(path).parent_path());
        std::vector<std::string> make = {"convert"};
        make.insert(make.end(), recipe.convert.begin(), recipe.convert.end());
        make.push_back(path);
        bool made = runQuietly(make);
        if (made && !recipe.exif.empty()) {
            std::vector<std::string> tag = {"exiftool", "-overwrite_original"};
            tag.insert(tag.end(), recipe.exif.begin(), recipe.exif.end());
            tag.push_back(path);
            made = runQuietly(tag);
        }
        if (!made) {
            std::fprintf(stderr, "could not make %s\n", recipe.name.c_str());
            return {};
        }
        names.push_back(recipe.name);
    }
    // A second name of one file, in another folder: its content is rewritten in place.
    std::error_code error;
    fs::create_hard_link(folder + "/linked.png", folder + "/sub/linked too.png", error);
    if (error) {
        std::fprintf(stderr, "could not link: %s\n", error.message().c_str());
        return {};
    }
    names.push_back("sub/linked too.png");
    return names;
}
