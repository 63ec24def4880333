// The Optimize option with the real jpegtran, gifsicle and qpdf on files made here: each kind
// gets smaller with the same picture, pages and frames; a tool that lies (grey pixels, a frame or
// a page dropped) is undone; an encrypted PDF is left as it is.
#include <cstdlib>
#include <filesystem>
#include <map>

#include "program_fixture.h"
#include "support/pdf_objects.h"
#include "util/live_file.h"

namespace {

bool convert(const std::vector<std::string>& arguments)
{
    return runProgram(findOnPath("convert"), arguments).exitStatus == 0;
}

// What every frame shows, as one hash: equal hashes, equal pictures.
std::string pixels(const std::string& image)
{
    return runProgram("/bin/sh",
                      {"-c", "convert \"$0\" -coalesce -depth 16 rgba:- | sha256sum", image})
        .out;
}

std::string qpdfSays(const std::vector<std::string>& arguments)
{
    return runProgram(findOnPath("qpdf"), arguments).out;
}

// Two pages of plain text in uncompressed content streams, with an xref table that points right.
std::string twoPagePdf()
{
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] /Contents 5 0 R "
        "/Resources << /Font << /F1 7 0 R >> >> >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] /Contents 6 0 R "
        "/Resources << /Font << /F1 7 0 R >> >> >>",
    };
    for (const char* text : {"first page", "second page"}) {
        std::string content;
        for (int line = 0; line < 40; ++line)
            content += "BT /F1 10 Tf 20 " + std::to_string(280 - line * 7) + " Td (" + text +
                       ", line " + std::to_string(line) + ") Tj ET\n";
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" +
                          content + "endstream");
    }
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    return pdfOfObjects(objects);
}

class OptimizePassesTest : public ProgramTest {
protected:
    void SetUp() override
    {
        // A record of finished files of the test's own, so a second run can skip.
        const char* cache = std::getenv("XDG_CACHE_HOME");
        hadCache = cache != nullptr;
        savedCache = cache ? cache : "";
        setenv("XDG_CACHE_HOME", temp.file("cache").c_str(), 1);
        for (const char* tool : {"convert", "jpegtran", "gifsicle", "qpdf"})
            if (findOnPath(tool).empty())
                GTEST_SKIP() << tool << " is not installed";
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(convert({"-seed", "3", "-size", "96x64", "plasma:fractal", "-quality", "92",
                             folder + "/photo.jpg"}));
        // Three full frames that differ in a small square each: room for frame optimisation.
        ASSERT_TRUE(convert({"-size",
                             "48x48",
                             "xc:white",
                             "(",
                             "+clone",
                             "-fill",
                             "red",
                             "-draw",
                             "rectangle 2,2 6,6",
                             ")",
                             "(",
                             "+clone",
                             "-fill",
                             "blue",
                             "-draw",
                             "rectangle 20,20 26,26",
                             ")",
                             "-set",
                             "delay",
                             "10",
                             "-loop",
                             "0",
                             folder + "/anim.gif"}));
        writeFile(folder + "/doc.pdf", twoPagePdf());
        ASSERT_NE(qpdfSays({"--check", folder + "/doc.pdf"}).find("No syntax or stream encoding"),
                  std::string::npos);
        for (const char* name : {"photo.jpg", "anim.gif", "doc.pdf"})
            originals[name] = readFile(folder + "/" + name);
    }

    void TearDown() override
    {
        if (hadCache)
            setenv("XDG_CACHE_HOME", savedCache.c_str(), 1);
        else
            unsetenv("XDG_CACHE_HOME");
    }

    // Installs a wrapper around the real tool next to the program, where it is found first.
    void wrap(const std::string& tool, const std::string& script)
    {
        const std::string path = programFolder() + "/" + tool;
        writeFile(path, "#!/bin/sh\n" + script + "\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }

    ProgramRun optimize() { return run({"--optimize", "--no-strip", "--no-backup", folder}); }

    std::string folder = temp.file("pics");
    std::map<std::string, std::string> originals;
    bool hadCache = false;
    std::string savedCache;
};

} // namespace

TEST_F(OptimizePassesTest, EveryKindGetsSmallerAndShowsTheSame)
{
    const std::string reference = temp.file("reference");
    std::filesystem::copy(folder, reference);

    const ProgramRun result = optimize();

    ASSERT_EQ(result.exitStatus, 0) << result.out << result.err;
    for (const char* line :
         {"     Optimizing JPEG...  New Size: ", "     Optimizing GIF...  New Size: ",
          "     Optimizing PDF...  New Size: "})
        EXPECT_NE(result.out.find(line), std::string::npos) << line << "\n" << result.out;
    EXPECT_EQ(result.out.find("Step undone"), std::string::npos) << result.out;
    for (const auto& [name, original] : originals) {
        SCOPED_TRACE(name);
        EXPECT_LT(readFile(folder + "/" + name).size(), original.size());
    }
    EXPECT_EQ(pixels(folder + "/photo.jpg"), pixels(reference + "/photo.jpg"));
    EXPECT_EQ(pixels(folder + "/anim.gif"), pixels(reference + "/anim.gif"));
    EXPECT_EQ(qpdfSays({"--show-npages", folder + "/doc.pdf"}), "2\n");
    EXPECT_NE(qpdfSays({"--check", folder + "/doc.pdf"}).find("No syntax or stream encoding"),
              std::string::npos);

    // Run again with nothing left to gain: the record skips them all.
    const ProgramRun again = optimize();
    EXPECT_EQ(again.exitStatus, 0);
    EXPECT_NE(again.out.find("Skipping photo.jpg"), std::string::npos) << again.out;
}

TEST_F(OptimizePassesTest, AToolThatLiesIsUndoneAndTheFileStaysAsItWas)
{
    // Smaller every time, and wrong every time: grey pixels, one frame, one page.
    wrap("jpegtran", "exec " + findOnPath("jpegtran") + " -grayscale \"$@\"");
    wrap("gifsicle", "exec " + findOnPath("gifsicle") + " \"$@\" '#0'");
    wrap("qpdf", "exec " + findOnPath("qpdf") + " \"$4\" --pages \"$4\" 1 -- \"$5\"");

    const ProgramRun result = optimize();

    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    for (const char* line : {"Optimizing JPEG...  New Size: ", "Optimizing GIF...  New Size: ",
                             "Optimizing PDF...  New Size: "}) {
        const std::size_t at = result.out.find(line);
        ASSERT_NE(at, std::string::npos) << line << "\n" << result.out;
        EXPECT_EQ(result.out.compare(result.out.find('\n', at) + 1, 18, "     Step undone: "), 0)
            << result.out.substr(at, 200);
    }
    for (const auto& [name, original] : originals)
        EXPECT_EQ(readFile(folder + "/" + name), original) << name;
}

TEST_F(OptimizePassesTest, AnEncryptedPdfIsLeftAsItIsAndStillCountsAsProcessed)
{
    const std::string encrypted = folder + "/locked.pdf";
    runProgram(findOnPath("qpdf"),
               {"--encrypt", "", "owner", "256", "--", folder + "/doc.pdf", encrypted});
    ASSERT_TRUE(std::filesystem::exists(encrypted));
    const std::string before = readFile(encrypted);

    const ProgramRun result = run({"--json", "--optimize", "--no-strip", "--no-backup", encrypted});

    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.err.find("     Optimizing PDF...  New Size: "), std::string::npos);
    EXPECT_NE(result.err.find("     Step undone: the document is encrypted\n"), std::string::npos)
        << result.err;
    EXPECT_NE(result.out.find("\"status\":\"processed\""), std::string::npos) << result.out;
    EXPECT_EQ(readFile(encrypted), before);
}
