// The shapes the settings file takes: written compact, read back from a real file in any
// layout the parser accepts.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "json/json_parser.h"
#include "json/json_writer.h"
#include "support/temp_folder.h"

namespace {

struct Option {
    const char* key;
    bool value;
};

const Option defaults[] = {
    {"Full", true}, {"Strip", true}, {"Copy", true}, {"Apps", false}, {"Pngs", true},
    {"Tifs", true}, {"Jpgs", true},  {"Gifs", true}, {"Pdfs", true},  {"HogSystem", false},
};

class SettingsShape : public ::testing::Test {
protected:
    void SetUp() override { path = folder.path("Tarnwick.config"); }

    void writeFile(const std::string& text)
    {
        std::ofstream out(path, std::ios::binary);
        out << text;
    }
    std::string readFile()
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Reads the file the way the settings do: each key looked up exactly, missing keys default.
    std::vector<bool> load()
    {
        std::vector<bool> values;
        jsonNodePtr root(parseDocument(readFile()));
        for (const Option& option : defaults) {
            jsonNode* member = root ? root->findChild(option.key) : nullptr;
            values.push_back(member ? member->asBool() : option.value);
        }
        return values;
    }

    TempFolder folder;
    std::string path;
};

TEST_F(SettingsShape, DefaultsWriteTheExactCompactLine)
{
    jsonNodePtr root(createNode("", "{}"));
    for (const Option& option : defaults)
        root->addChild(option.key, option.value ? "true" : "false");
    writeFile(toText(*root, -1));
    EXPECT_EQ(
        readFile(),
        "{\"Full\":true,\"Strip\":true,\"Copy\":true,\"Apps\":false,\"Pngs\":true,\"Tifs\":true,"
        "\"Jpgs\":true,\"Gifs\":true,\"Pdfs\":true,\"HogSystem\":false}");
    std::vector<bool> expected;
    for (const Option& option : defaults)
        expected.push_back(option.value);
    EXPECT_EQ(load(), expected);
}

TEST_F(SettingsShape, ReadInAnyLayoutTheParserAccepts)
{
    struct Case {
        const char* text;
        int changed; // index of the option that differs from its default, or -1
    };
    const Case cases[] = {
        {"{\"Full\":false}", 0},
        {"{\"full\":false}", -1},
        {"{\r\n\t// options\r\n\t\"HogSystem\" : true, /* extra */ \"Other\" : 7\r\n}\r\n", 9},
        {"{\"Apps\":true,\"Apps\":false}", 3},
        {"{\"Copy\":\"no\"}", 2},
        {"{\"Copy\":0}", 2},
        {"[{\"Full\":false}]", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        writeFile(c.text);
        std::vector<bool> values = load();
        for (std::size_t i = 0; i < std::size(defaults); ++i) {
            bool expected =
                static_cast<int>(i) == c.changed ? !defaults[i].value : defaults[i].value;
            EXPECT_EQ(values[i], expected) << defaults[i].key;
        }
    }
}

TEST_F(SettingsShape, FilesTheParserRejects)
{
    const char* rejected[] = {"", "Full", "{\"Full\":false", "\xEF\xBB\xBF{\"Full\":false}"};
    for (const char* text : rejected) {
        SCOPED_TRACE(text);
        writeFile(text);
        jsonNodePtr root(parseDocument(readFile()));
        EXPECT_EQ(root, nullptr);
    }
}

} // namespace
