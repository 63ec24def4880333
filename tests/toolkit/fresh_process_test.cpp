// What holds only in a process where nothing of the toolkit has been used yet; a program of its
// own.
#include <gtest/gtest.h>

#include "toolkit_test_support.h"

namespace {

EventLog seen;
void first()
{
    seen.add("first");
}
void second()
{
    seen.add("second");
}

TEST(FreshProcess, InitializeRegistersOnceAndCommandIdentifiersStartAt1024)
{
    TestApp app;
    EXPECT_EQ(initialize(app), 1);
    EXPECT_EQ(app.inits, 1);
    EXPECT_EQ(initialize(app), 0); // the classes exist already: onInit is not called again
    EXPECT_EQ(app.inits, 1);

    liveFrame* frame = app.createFrame("main", 0, 0, 300, 300);
    auto* bar = new liveMenuBar;
    liveMenu* menu = bar->addMenu("&Options");
    liveMenuItem* a = menu->addItem(first, "A");
    menu->addSeparator();
    liveMenuItem* b = menu->addCheckItem(second, "B", false);
    auto* button = new liveButton(frame, 0, 0, 10, 10, "C");
    frame->setMenuBar(bar);
    EXPECT_EQ(a->id, 1024u);
    EXPECT_EQ(b->id, 1025u);
    EXPECT_EQ(button->commandId, 1026u);
    EXPECT_EQ(GetMenuItemID(menu->handle, 1), 256u);

    for (std::uint32_t identifier : {1023u, 1027u, 60000u, 1025u, 1024u})
        PostMessageA(frame->handle, WM_COMMAND, identifier, 0);
    frame->close();
    app.run();
    EXPECT_EQ(seen.all(), (std::vector<std::string>{"second", "first"}));
}

} // namespace
