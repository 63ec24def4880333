// The GTK display's text handling, without a display: byte strings made valid UTF-8, menu
// mnemonics, dropped URI lists and the edit-control mirror that feeds the log pane.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gtk/display_text.h"
#include "platform/gtk/text_mirror.h"
#include "platform/gtk/uri_list.h"

using namespace gtkdisplay;

TEST(DisplayText, KeepsValidUtf8AndShowsOtherBytesAsLatin1)
{
    struct Case {
        std::string in;
        std::string out;
    };
    const std::vector<Case> cases{
        {"plain\r\n", "plain\r\n"},
        {"caf\xC3\xA9.png", "caf\xC3\xA9.png"},       // UTF-8 kept
        {"caf\xE9.png", "caf\xC3\xA9.png"},           // Latin-1 e-acute
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},     // four-byte sequence
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},             // overlong form refused
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"}, // surrogate refused
        {std::string("a\0b", 3), "ab"},               // zero byte dropped
        {"\xE2\x82", "\xC3\xA2\xC2\x82"},             // cut-off sequence at the very end
    };
    for (const Case& c : cases)
        EXPECT_EQ(toDisplayText(c.in), c.out) << c.in;
}

TEST(DisplayText, HoldsBackOnlyACutOffSequenceAtTheEnd)
{
    EXPECT_EQ(completePrefixLength("abc"), 3u);
    EXPECT_EQ(completePrefixLength("ab\xC3"), 2u);
    EXPECT_EQ(completePrefixLength("ab\xE2\x82"), 2u);
    EXPECT_EQ(completePrefixLength("ab\xE2\x82\xAC"), 5u);
    EXPECT_EQ(completePrefixLength("ab\xF0\x9F\x98"), 2u);
    // A lead byte followed by a non-continuation can never complete: nothing is held back.
    EXPECT_EQ(completePrefixLength("ab\xE2x"), 4u);
    EXPECT_EQ(completePrefixLength(""), 0u);
}

TEST(DisplayText, MnemonicMarksBecomeUnderscores)
{
    EXPECT_EQ(toMnemonicLabel("&Options"), "_Options");
    EXPECT_EQ(toMnemonicLabel("E&xit"), "E_xit");
    EXPECT_EQ(toMnemonicLabel("Fish && Chips"), "Fish & Chips");
    EXPECT_EQ(toMnemonicLabel("snake_case"), "snake__case");
    EXPECT_EQ(toMnemonicLabel("TIFF / TIF"), "TIFF / TIF");
    EXPECT_EQ(toMnemonicLabel("trailing&"), "trailing");
}

TEST(UriList, LocalPathsArePercentDecodedInOrder)
{
    std::string list = "file:///home/ann/My%20Pictures\r\n"
                       "# a comment line\r\n"
                       "file:///tmp/caf%C3%A9.png\r\n"
                       "http://example.invalid/remote.png\r\n"
                       "\r\n"
                       "file:///tmp/last%25.gif";
    std::vector<std::string> expected{"/home/ann/My Pictures", "/tmp/caf\xC3\xA9.png",
                                      "/tmp/last%.gif"};
    EXPECT_EQ(localPathsFromUriList(list), expected);
}

TEST(UriList, BareLineFeedsAndMalformedEntriesAreHandled)
{
    EXPECT_EQ(localPathsFromUriList("file:///a\nfile:///b\n"),
              (std::vector<std::string>{"/a", "/b"}));
    EXPECT_TRUE(localPathsFromUriList("not a uri\r\nfile:relative\r\n").empty());
    EXPECT_TRUE(localPathsFromUriList("").empty());
}

namespace {

winlayer::TextChange append(std::size_t at, std::string_view text)
{
    return {at, 0, text};
}

} // namespace

TEST(TextMirror, AppendsReachTheDisplayAsNewPiecesOnly)
{
    TextMirror mirror;
    mirror.apply(append(0, "Starting"));
    TextMirror::Update first = mirror.takeUpdate();
    EXPECT_TRUE(first.whole); // a new mirror starts the display over
    EXPECT_EQ(first.text, "Starting");

    mirror.apply(append(8, " at "));
    mirror.apply(append(12, "12:00\r\n"));
    TextMirror::Update second = mirror.takeUpdate();
    EXPECT_FALSE(second.whole);
    EXPECT_EQ(second.text, " at 12:00\r\n");
    EXPECT_FALSE(mirror.hasUpdate());
    EXPECT_EQ(mirror.bytes(), "Starting at 12:00\r\n");
}

TEST(TextMirror, CharacterSplitAcrossPiecesWaitsForItsRest)
{
    TextMirror mirror;
    mirror.takeUpdate();
    mirror.apply(append(0, "caf\xC3"));
    EXPECT_EQ(mirror.takeUpdate().text, "caf");
    mirror.apply(append(4, "\xA9\r\n"));
    EXPECT_EQ(mirror.takeUpdate().text, "\xC3\xA9\r\n");
}

TEST(TextMirror, ReplacingShownTextStartsOverAndReplacingUnshownDoesNot)
{
    TextMirror mirror;
    mirror.apply(append(0, "old text"));
    mirror.takeUpdate();

    // WM_SETTEXT replaces everything.
    mirror.apply({0, 8, "new"});
    TextMirror::Update whole = mirror.takeUpdate();
    EXPECT_TRUE(whole.whole);
    EXPECT_EQ(whole.text, "new");

    // A change inside text not shown yet is still an append for the display.
    mirror.apply(append(3, " tail"));
    mirror.apply({4, 4, "TAIL"});
    TextMirror::Update tail = mirror.takeUpdate();
    EXPECT_FALSE(tail.whole);
    EXPECT_EQ(tail.text, " TAIL");
    EXPECT_EQ(mirror.bytes(), "new TAIL");
}

TEST(TextMirror, OutOfRangeChangesAreClampedNotTrusted)
{
    TextMirror mirror;
    mirror.apply(append(0, "abc"));
    mirror.apply({10, 5, "d"}); // past the end: lands at the end
    EXPECT_EQ(mirror.bytes(), "abcd");
    mirror.apply({1, 100, "X"});
    EXPECT_EQ(mirror.bytes(), "aX");
}
