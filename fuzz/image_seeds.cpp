// Writes the image fuzzer's seed corpus into the folder given: small valid files of every kind
// the checks know, each alone (compared with itself) and as a pair with a lossless variant.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image_files.h"

namespace {

std::string folder;
int written = 0;

void save(const std::string& name, const std::string& bytes)
{
    std::FILE* file = std::fopen((folder + "/" + name).c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        std::perror(name.c_str());
        std::exit(1);
    }
    std::fclose(file);
    ++written;
}

void single(const std::string& name, const std::string& file)
{
    save(name, std::string(1, '\0') + file);
}

void pair(const std::string& name, const std::string& one, const std::string& other)
{
    std::string input(1, '\1');
    for (int shift = 0; shift < 32; shift += 8)
        input += static_cast<char>(one.size() >> shift & 0xff);
    save(name, input + one + other);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: image_seeds FOLDER\n");
        return 2;
    }
    folder = argv[1];
    const ImageFolder scratch;
    const TestImage image = patternImage(9, 7, true);
    const std::string profile = testProfile();

    const std::string png = encodePng(image);
    const std::string interlaced = encodePng(image, {PngColour::palette, 8, true, 9, false});
    single("png", png);
    single("png-interlaced", interlaced);
    single("png-16", encodePng(patternImage(5, 3), {PngColour::rgb, 16, false, 6, false}));
    single("png-chunks",
           addPngChunk(addPngChunk(png, "iCCP", iccpBody("icc", profile)), "eXIf", exifBlock(6)));
    pair("png-pair", png, interlaced);

    const std::string jpeg = encodeJpeg(patternImage(17, 9), {90, false, profile, 6, "c"});
    const std::string progressive = encodeJpeg(patternImage(17, 9), {90, true, profile, 6, ""});
    single("jpeg", jpeg);
    single("jpeg-progressive", progressive);
    pair("jpeg-pair", jpeg, progressive);

    const std::vector<std::uint8_t> palette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    const GifFrame first{0, 0, 4, 3, {0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 2, 2}, 10, -1, 3};
    const GifFrame patch{1, 1, 2, 1, {3, 0}, 20, 0, 2};
    const std::string gif = encodeGif(4, 3, palette, {first, patch}, false, 0);
    single("gif", gif);
    pair("gif-pair", gif, encodeGif(4, 3, palette, {first, patch}, true, 0));

    writeTiff(scratch.path("a.tif"), {patternImage(6, 5), patternImage(3, 4)},
              {8, true, profile, 1, 2});
    writeTiff(scratch.path("b.tif"), {patternImage(6, 5)}, {16, false, "", 3, 0});
    single("tiff", scratch.read("a.tif"));
    single("tiff-16", scratch.read("b.tif"));
    pair("tiff-pair", scratch.read("a.tif"), scratch.read("b.tif"));

    const std::string pdf = contentPdf({"BT /F1 9 Tf 5 5 Td (a) Tj ET", "0 0 m 9 9 l S"});
    single("pdf", pdf);
    pair("pdf-pair", pdf, minimalPdf(2));
    std::printf("%d seeds in %s\n", written, folder.c_str());
    return 0;
}
