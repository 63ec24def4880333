// Menus: items, check and radio marks, lookups by command through popups, and destruction.
#include "platform/winlayer/check_items.h"
#include "platform/window/message_log.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using namespace window_test;

namespace {

std::string menuString(HMENU menu, UINT item, UINT flags)
{
    char buffer[64];
    int length = GetMenuStringA(menu, item, buffer, sizeof buffer, flags);
    return std::string(buffer, static_cast<std::size_t>(length));
}

struct Bar {
    HMENU bar = CreateMenu();
    HMENU options = CreatePopupMenu();
    HMENU help = CreatePopupMenu();
    Bar()
    {
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(options), "&Options");
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
        AppendMenuA(options, MF_CHECKED, 1024, "&Full Compression");
        AppendMenuA(options, MF_UNCHECKED, 1025, "Strip &MetaData");
        AppendMenuA(options, MF_SEPARATOR, 256, "");
        AppendMenuA(options, MF_STRING, 1026, "E&xit");
        AppendMenuA(help, MF_STRING, 1027, "&About");
    }
};

TEST(Menus, ItemsKeepTheirOrderTextsAndIdentifiers)
{
    Bar menus;
    EXPECT_EQ(GetMenuItemCount(menus.bar), 2);
    EXPECT_EQ(GetMenuItemCount(menus.options), 4);
    EXPECT_EQ(GetSubMenu(menus.bar, 0), menus.options);
    EXPECT_EQ(GetSubMenu(menus.bar, 1), menus.help);
    EXPECT_EQ(GetSubMenu(menus.options, 0), nullptr);
    EXPECT_EQ(GetMenuItemID(menus.bar, 0), static_cast<UINT>(-1)); // a popup
    EXPECT_EQ(GetMenuItemID(menus.options, 3), 1026u);
    EXPECT_EQ(GetMenuItemID(menus.options, 9), static_cast<UINT>(-1));
    EXPECT_EQ(menuString(menus.bar, 0, MF_BYPOSITION), "&Options");
    EXPECT_EQ(menuString(menus.bar, 1027, MF_BYCOMMAND), "&About"); // found through the popup
    EXPECT_EQ(menuString(menus.options, 2, MF_BYPOSITION), "");
    EXPECT_EQ(GetMenuStringA(menus.options, 1024, nullptr, 0, MF_BYCOMMAND), 17);
    char cut[5];
    EXPECT_EQ(GetMenuStringA(menus.options, 1024, cut, sizeof cut, MF_BYCOMMAND), 4);
    EXPECT_STREQ(cut, "&Ful");

    auto items = winlayer::menuState(menus.options);
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(items->size(), 4u);
    EXPECT_EQ((*items)[2].flags, MF_SEPARATOR);
    DestroyMenu(menus.bar);
}

TEST(Menus, MenuStateReportsExactlyTheCheckMark)
{
    Bar menus;
    // A check dispatcher compares the state with MF_CHECKED itself.
    EXPECT_EQ(GetMenuState(menus.options, 1024, MF_BYCOMMAND), MF_CHECKED);
    EXPECT_EQ(GetMenuState(menus.options, 1025, MF_BYCOMMAND), MF_UNCHECKED);
    EXPECT_EQ(GetMenuState(menus.bar, 1024, MF_BYCOMMAND), MF_CHECKED);
    EXPECT_EQ(GetMenuState(menus.options, 2, MF_BYPOSITION), MF_SEPARATOR);
    EXPECT_EQ(GetMenuState(menus.options, 4242, MF_BYCOMMAND), static_cast<UINT>(-1));
    // A popup: its flags, and its item count in the high byte.
    EXPECT_EQ(GetMenuState(menus.bar, 0, MF_BYPOSITION), MF_POPUP | (4u << 8));

    EXPECT_EQ(CheckMenuItem(menus.options, 1024, MF_BYCOMMAND | MF_UNCHECKED), MF_CHECKED);
    EXPECT_EQ(GetMenuState(menus.options, 1024, MF_BYCOMMAND), MF_UNCHECKED);
    EXPECT_EQ(CheckMenuItem(menus.bar, 1024, MF_BYCOMMAND | MF_CHECKED), MF_UNCHECKED);
    EXPECT_EQ(GetMenuState(menus.options, 1024, MF_BYCOMMAND), MF_CHECKED);
    EXPECT_EQ(CheckMenuItem(menus.options, 3, MF_BYPOSITION | MF_CHECKED), MF_UNCHECKED);
    EXPECT_EQ(GetMenuState(menus.options, 1026, MF_BYCOMMAND), MF_CHECKED);
    EXPECT_EQ(CheckMenuItem(menus.options, 4242, MF_CHECKED), static_cast<DWORD>(-1));
    DestroyMenu(menus.bar);
}

TEST(Menus, RadioCheckMarksOneItemOfTheRangeInItsMenu)
{
    HMENU menu = CreatePopupMenu();
    for (UINT id = 2000; id < 2004; ++id)
        AppendMenuA(menu, id == 2000 ? (MFT_RADIOCHECK | MF_CHECKED) : MFT_RADIOCHECK, id, "radio");
    AppendMenuA(menu, MF_CHECKED, 2004, "outside");

    ASSERT_TRUE(CheckMenuRadioItem(menu, 2000, 2003, 2002, MF_BYCOMMAND));
    EXPECT_EQ(GetMenuState(menu, 2002, MF_BYCOMMAND), MF_CHECKED | MFT_RADIOCHECK);
    for (UINT other : {2000u, 2001u, 2003u})
        EXPECT_EQ(GetMenuState(menu, other, MF_BYCOMMAND) & MF_CHECKED, 0u) << other;
    EXPECT_EQ(GetMenuState(menu, 2004, MF_BYCOMMAND), MF_CHECKED); // beyond the range: untouched

    // A range that runs one past the group (the next identifier) still checks within it.
    ASSERT_TRUE(CheckMenuRadioItem(menu, 2000, 2004, 2001, MF_BYCOMMAND));
    EXPECT_EQ(GetMenuState(menu, 2001, MF_BYCOMMAND), MF_CHECKED | MFT_RADIOCHECK);
    EXPECT_EQ(GetMenuState(menu, 2002, MF_BYCOMMAND) & MF_CHECKED, 0u);

    ASSERT_TRUE(CheckMenuRadioItem(menu, 0, 1, 0, MF_BYPOSITION));
    EXPECT_EQ(GetMenuState(menu, 2000, MF_BYCOMMAND), MF_CHECKED | MFT_RADIOCHECK);

    EXPECT_FALSE(CheckMenuRadioItem(menu, 2000, 2003, 2010, MF_BYCOMMAND)); // not in range
    EXPECT_FALSE(CheckMenuRadioItem(menu, 3000, 3003, 3001, MF_BYCOMMAND)); // no such item
    DestroyMenu(menu);
}

TEST(Menus, ChecksFromAnotherThreadAreSeenByTheOwner)
{
    Bar menus;
    std::thread([&] {
        for (int i = 0; i < 101; ++i) {
            UINT state = GetMenuState(menus.options, 1025, MF_BYCOMMAND);
            CheckMenuItem(menus.options, 1025, state == MF_CHECKED ? MF_UNCHECKED : MF_CHECKED);
        }
    }).join();
    EXPECT_EQ(GetMenuState(menus.options, 1025, MF_BYCOMMAND), MF_CHECKED);
    DestroyMenu(menus.bar);
}

TEST(Menus, AMenuBarGoesWithItsWindowAndPopupsDestroyedFirstAreSkipped)
{
    MessageLog log;
    HWND frame = createRecorded(log);
    Bar menus;
    ASSERT_TRUE(SetMenu(frame, menus.bar));
    EXPECT_EQ(GetMenu(frame), menus.bar);
    EXPECT_TRUE(DrawMenuBar(frame));
    // What a frame's destructor does: popups first, then the window with the bar.
    EXPECT_TRUE(DestroyMenu(menus.options));
    EXPECT_FALSE(DestroyMenu(menus.options));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_MENU_HANDLE);
    DestroyWindow(frame);
    for (HMENU menu : {menus.bar, menus.options, menus.help})
        EXPECT_FALSE(IsMenu(menu));
    EXPECT_EQ(GetMenuItemCount(menus.bar), -1);
    EXPECT_EQ(GetMenuState(menus.bar, 1024, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST(Menus, InvalidAppendsAreRefused)
{
    HMENU menu = CreatePopupMenu();
    EXPECT_FALSE(AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), "itself"));
    EXPECT_FALSE(AppendMenuA(menu, MF_OWNERDRAW, 5, nullptr));
    DestroyMenu(menu);
    EXPECT_FALSE(AppendMenuA(menu, MF_STRING, 5, "gone"));
    MessageLog log;
    HWND frame = createRecorded(log);
    HWND child = createRecorded(log, WS_CHILD, frame, 1);
    HMENU bar = CreateMenu();
    EXPECT_FALSE(SetMenu(child, bar));  // child windows have no menu bar
    EXPECT_FALSE(SetMenu(frame, menu)); // stale
    DestroyMenu(bar);
    DestroyWindow(frame);
}

} // namespace

TEST(Menus, MarkedCheckItemStaysOneWhileUncheckedAndFlagsStayWin32)
{
    Bar menus;
    ASSERT_TRUE(winlayer::markCheckItem(menus.bar, 1025)); // found through the popup
    std::vector<winlayer::MenuItemState> items = winlayer::menuState(menus.options).value();
    EXPECT_FALSE(items[0].checkItem); // checked, but never marked
    EXPECT_TRUE(items[1].checkItem);
    EXPECT_EQ(items[1].flags, MF_UNCHECKED);
    EXPECT_EQ(CheckMenuItem(menus.options, 1025, MF_BYCOMMAND | MF_CHECKED), MF_UNCHECKED);
    EXPECT_TRUE(winlayer::menuState(menus.options).value()[1].checkItem);
    EXPECT_FALSE(winlayer::markCheckItem(menus.options, 4242));
    EXPECT_EQ(GetLastError(), ERROR_MENU_ITEM_NOT_FOUND);
}
