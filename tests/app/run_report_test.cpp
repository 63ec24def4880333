// What scripts get from a headless run: JSON lines per file, the tally and the exit status.
#include "app/run_report.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "app/headless_surfaces.h"

TEST(JsonString, KeepsUtf8AndEscapesWhatJsonForbids)
{
    EXPECT_EQ(jsonString(""), "\"\"");
    EXPECT_EQ(jsonString("a b/c.png"), "\"a b/c.png\"");
    EXPECT_EQ(jsonString("say \"hi\"\\"), "\"say \\\"hi\\\"\\\\\"");
    EXPECT_EQ(jsonString("tab\there\nline\rend"), "\"tab\\there\\nline\\rend\"");
    EXPECT_EQ(jsonString(std::string("\x01\x1F\x7F", 3)), "\"\\u0001\\u001F\\u007F\"");
    EXPECT_EQ(jsonString(std::string("nul\0byte", 8)), "\"nul\\u0000byte\"");
    // Two-, three- and four-byte UTF-8 is valid JSON text as it is.
    EXPECT_EQ(jsonString("\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB7"),
              "\"\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB7\"");
}

TEST(JsonString, BytesThatAreNotUtf8BecomeLowSurrogateEscapes)
{
    const struct {
        std::string bytes;
        const char* expected;
    } cases[] = {
        {"\xFF", "\"\\uDCFF\""},                                  // never valid
        {"caf\xE9.png", "\"caf\\uDCE9.png\""},                    // Latin-1 name
        {"\xC3", "\"\\uDCC3\""},                                  // cut short at the end
        {"\xC3(", "\"\\uDCC3(\""},                                // bad continuation
        {"\xC0\xAF", "\"\\uDCC0\\uDCAF\""},                       // overlong "/"
        {"\xE0\x80\xAF", "\"\\uDCE0\\uDC80\\uDCAF\""},            // overlong three-byte form
        {"\xED\xA0\x80", "\"\\uDCED\\uDCA0\\uDC80\""},            // an encoded surrogate
        {"\xF4\x90\x80\x80", "\"\\uDCF4\\uDC90\\uDC80\\uDC80\""}, // above U+10FFFF
        {"\x80\xC3\xA9", "\"\\uDC80\xC3\xA9\""},                  // stray continuation, then valid
    };
    for (const auto& c : cases)
        EXPECT_EQ(jsonString(c.bytes), c.expected);
}

TEST(FileResultJson, WritesEveryFieldAndEveryStepInOrder)
{
    FileResult result;
    result.path = "/p/a\"b.png";
    result.sizeBefore = 2048;
    result.sizeAfter = 1000;
    result.steps.push_back({"Stripping MetaData", 2048, 1900, false, ""});
    result.steps.push_back({"Pass 1/3", 1900, -1, true, "the result is not a PNG"});
    EXPECT_EQ(fileResultJson(result),
              "{\"path\":\"/p/a\\\"b.png\",\"size_before\":2048,\"size_after\":1000,\"steps\":["
              "{\"name\":\"Stripping MetaData\",\"size_before\":2048,\"size_after\":1900,"
              "\"undone\":false,\"reason\":\"\"},"
              "{\"name\":\"Pass 1/3\",\"size_before\":1900,\"size_after\":-1,\"undone\":true,"
              "\"reason\":\"the result is not a PNG\"}],\"status\":\"processed\"}");

    FileResult gone;
    gone.path = "/p/gone.png";
    gone.status = FileStatus::Failed;
    EXPECT_EQ(fileResultJson(gone), "{\"path\":\"/p/gone.png\",\"size_before\":-1,"
                                    "\"size_after\":-1,\"steps\":[],\"status\":\"failed\"}");
}

TEST(RunTally, CountsFilesByStatusAndDecidesTheExitStatus)
{
    RunTally tally;
    for (FileStatus status :
         {FileStatus::Processed, FileStatus::Processed, FileStatus::Skipped, FileStatus::Stopped}) {
        FileResult result;
        result.status = status;
        tally.add(result);
    }
    EXPECT_EQ(tally.files, 4);
    EXPECT_EQ(tally.processed, 2);
    EXPECT_EQ(tally.skipped, 1);
    EXPECT_EQ(tally.stopped, 1);
    EXPECT_EQ(tally.failed, 0);
    EXPECT_EQ(summaryJson(tally, -12, 0), "{\"files\":4,\"processed\":2,\"skipped\":1,"
                                          "\"stopped\":1,\"failed\":0,\"bytes_saved\":-12,"
                                          "\"exit_status\":0}");

    EXPECT_EQ(exitStatusFor({JobOutcome::Done}, tally, false), 0);
    EXPECT_EQ(exitStatusFor({JobOutcome::Done}, tally, true), 130);
    EXPECT_EQ(exitStatusFor({JobOutcome::BackupFailed}, tally, false), 1);
    EXPECT_EQ(exitStatusFor({JobOutcome::PathMissing}, tally, false), 2);
    EXPECT_EQ(exitStatusFor({JobOutcome::UnsupportedFile}, tally, true), 2);
    FileResult failed;
    failed.status = FileStatus::Failed;
    tally.add(failed);
    EXPECT_EQ(exitStatusFor({JobOutcome::Done}, tally, false), 1);
    EXPECT_EQ(exitStatusFor({JobOutcome::Done}, tally, true), 130);
    // Several paths: one missing among others still lets the rest run, and says so.
    RunTally clean;
    EXPECT_EQ(exitStatusFor({JobOutcome::Done, JobOutcome::PathMissing}, clean, false), 1);
    EXPECT_EQ(exitStatusFor({JobOutcome::PathMissing, JobOutcome::UnsupportedFile}, clean, false),
              2);
    EXPECT_EQ(exitStatusFor({JobOutcome::Done, JobOutcome::BackupFailed}, clean, false), 1);
    EXPECT_EQ(exitStatusFor({JobOutcome::Done, JobOutcome::Done}, clean, false), 0);
    // A list that turned out empty asked for nothing, so nothing failed.
    EXPECT_EQ(exitStatusFor(PathTally{}, clean, false), 0);
}

TEST(HeadlessSurfacesJson, EachFinishedFileIsOneLineOnTheJsonStreamAndIsCounted)
{
    std::FILE* json = std::tmpfile();
    ASSERT_NE(json, nullptr);
    HeadlessSurfaces surfaces(nullptr, nullptr);
    FileResult first;
    first.path = "/a.png";
    surfaces.fileFinished(first); // before a stream is set: counted only
    surfaces.setJsonStream(json);
    FileResult second;
    second.path = "/b\nc.png";
    second.status = FileStatus::Skipped;
    surfaces.fileFinished(second);

    std::rewind(json);
    char buffer[512] = {};
    const std::size_t length = std::fread(buffer, 1, sizeof buffer - 1, json);
    std::fclose(json);
    EXPECT_EQ(std::string(buffer, length), fileResultJson(second) + "\n");
    EXPECT_EQ(surfaces.tally().files, 2);
    EXPECT_EQ(surfaces.tally().skipped, 1);
    EXPECT_EQ(surfaces.logText(), "");
}
