#include "toolkit/menu.h"

#include "platform/winlayer/check_items.h"

namespace {
constexpr UINT separatorId = 256;
constexpr UINT radioFlags = MFT_RADIOCHECK;
} // namespace

liveMenu::liveMenu(HMENU parent, const std::string& label)
{
    handle = CreatePopupMenu();
    AppendMenuA(parent, MF_POPUP, reinterpret_cast<UINT_PTR>(handle), label.c_str());
}

liveMenuItem* liveMenu::add(UINT flags, liveCallback callback, liveDispatcher dispatcher,
                            const std::string& label, Thread* itemThread)
{
    // The identifier the registration below hands out; items are built on one thread.
    AppendMenuA(handle, flags, nextCommandId(), label.c_str());
    auto* item = new liveMenuItem;
    item->menu = handle;
    item->itemThread = itemThread;
    item->id = registerCommand(callback, dispatcher, item);
    return item;
}

liveMenuItem* liveMenu::addItem(liveCallback callback, const std::string& label, Thread* itemThread)
{
    return add(MF_STRING, callback, plainDispatcher, label, itemThread);
}

liveMenuItem* liveMenu::addCheckItem(liveCallback callback, const std::string& label, bool checked,
                                     Thread* itemThread)
{
    liveMenuItem* item =
        add(checked ? MF_CHECKED : MF_UNCHECKED, callback, checkDispatcher, label, itemThread);
    // Unchecked, it would look like a plain item to a display that draws the marks itself.
    winlayer::markCheckItem(handle, item->id);
    return item;
}

liveMenuItem* liveMenu::addRadioItem(liveCallback callback, const std::string& label, bool checked,
                                     Thread* itemThread)
{
    liveMenuItem* item = add(checked ? (radioFlags | MF_CHECKED) : radioFlags, callback,
                             radioDispatcher, label, itemThread);
    item->groupFirst = radioGroupStart();
    return item;
}

void liveMenu::addSeparator()
{
    AppendMenuA(handle, MF_SEPARATOR, separatorId, "");
}

liveMenuBar::liveMenuBar()
{
    handle = CreateMenu();
}

liveMenuBar::~liveMenuBar()
{
    for (liveMenu* popup : popups)
        delete popup;
}

liveMenu* liveMenuBar::addMenu(const std::string& label)
{
    auto* popup = new liveMenu(handle, label);
    popups.push_back(popup);
    return popup;
}
