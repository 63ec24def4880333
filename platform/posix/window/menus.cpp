// Menus: a table of menu objects with generation handles, their items, and the check marks.
#include "platform/posix/window/handle_table.h"
#include "platform/posix/window/window_object.h"
#include "platform/winlayer/check_items.h"
#include "platform/winlayer/display_driver.h"
#include "platform/winlayer/state_queries.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace {

using winlayer::HandleTable;

struct MenuItem {
    UINT flags;
    UINT_PTR id;
    HMENU subMenu;
    std::string text;
    bool checkItem; // marked with winlayer::markCheckItem
};

struct Menu {
    std::vector<MenuItem> items; // guarded by menuMutex()
};

constexpr UINT kKeptFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_MENUBARBREAK |
                            MF_MENUBREAK | MF_HILITE | MFT_RADIOCHECK | MF_SEPARATOR | MF_DEFAULT;
constexpr int kMaxDepth = 16; // menus nest a few levels; a cycle must not recurse forever

HandleTable<Menu>& menuTable()
{
    static HandleTable<Menu>& instance =
        *new HandleTable<Menu>(winlayer::kMenuHandles); // outlives every thread
    return instance;
}

// One lock for the contents of all menus: they are small and rarely touched.
std::mutex& menuMutex()
{
    static std::mutex& instance = *new std::mutex;
    return instance;
}

std::shared_ptr<Menu> findMenu(HMENU handle)
{
    std::shared_ptr<Menu> menu = menuTable().find(reinterpret_cast<std::uintptr_t>(handle));
    if (!menu)
        SetLastError(ERROR_INVALID_MENU_HANDLE);
    return menu;
}

struct Found {
    HMENU menu = nullptr;
    std::shared_ptr<Menu> object;
    std::size_t position = 0;
    MenuItem* item = nullptr;
};

// By command: depth first through the popups, in item order. Call with menuMutex() held.
Found findItemLocked(HMENU handle, UINT item, UINT flags, int depth = 0)
{
    std::shared_ptr<Menu> menu = menuTable().find(reinterpret_cast<std::uintptr_t>(handle));
    if (!menu || depth > kMaxDepth)
        return {};
    if (flags & MF_BYPOSITION) {
        if (item >= menu->items.size())
            return {};
        return {handle, menu, item, &menu->items[item]};
    }
    for (std::size_t i = 0; i < menu->items.size(); ++i) {
        MenuItem& entry = menu->items[i];
        if (entry.flags & MF_POPUP) {
            Found inner = findItemLocked(entry.subMenu, item, flags, depth + 1);
            if (inner.item)
                return inner;
        } else if (entry.id == item) {
            return {handle, menu, i, &entry};
        }
    }
    return {};
}

HMENU createMenu()
{
    auto handle = reinterpret_cast<HMENU>(menuTable().add(std::make_shared<Menu>()));
    if (!handle)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return handle;
}

} // namespace

HMENU CreateMenu()
{
    return createMenu();
}

HMENU CreatePopupMenu()
{
    return createMenu();
}

BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem)
{
    if (uFlags & (MF_BITMAP | MF_OWNERDRAW)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::shared_ptr<Menu> menu = findMenu(hMenu);
    if (!menu)
        return FALSE;
    MenuItem item{uFlags & kKeptFlags, uIDNewItem, nullptr, "", false};
    if (uFlags & MF_POPUP) {
        item.subMenu = reinterpret_cast<HMENU>(uIDNewItem);
        if (item.subMenu == hMenu || !findMenu(item.subMenu))
            return FALSE;
    }
    if (!(uFlags & MF_SEPARATOR) && lpNewItem)
        item.text = lpNewItem;
    {
        std::lock_guard lock(menuMutex());
        menu->items.push_back(std::move(item));
    }
    winlayer::displayDriver().menuChanged(hMenu);
    return TRUE;
}

namespace {

// Sets the state bits `mask` of an item to those of `request` (which also says MF_BYCOMMAND or
// MF_BYPOSITION) and tells the display; the previous bits, or -1 when there is no such item.
UINT replaceItemState(HMENU menu, UINT item, UINT request, UINT mask)
{
    Found found;
    UINT previous;
    UINT flags;
    {
        std::lock_guard lock(menuMutex());
        found = findItemLocked(menu, item, request);
        if (!found.item)
            return static_cast<UINT>(-1);
        previous = found.item->flags & mask;
        found.item->flags = (found.item->flags & ~mask) | (request & mask);
        flags = found.item->flags;
    }
    winlayer::displayDriver().menuItemStateChanged(found.menu, static_cast<UINT>(found.position),
                                                   flags);
    return previous;
}

} // namespace

DWORD CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck)
{
    return replaceItemState(hMenu, uIDCheckItem, uCheck, MF_CHECKED);
}

BOOL CheckMenuRadioItem(HMENU hmenu, UINT first, UINT last, UINT check, UINT flags)
{
    struct Change {
        UINT position;
        UINT flags;
    };
    std::vector<Change> changes;
    HMENU owner;
    {
        std::lock_guard lock(menuMutex());
        if (check < first || check > last)
            return FALSE;
        // The group is the range within the menu that holds the item to check.
        Found found = findItemLocked(hmenu, check, flags);
        if (!found.item)
            return FALSE;
        owner = found.menu;
        for (std::size_t i = 0; i < found.object->items.size(); ++i) {
            MenuItem& item = found.object->items[i];
            UINT key = (flags & MF_BYPOSITION) ? static_cast<UINT>(i) : static_cast<UINT>(item.id);
            if ((item.flags & (MF_POPUP | MF_SEPARATOR)) || key < first || key > last)
                continue;
            if (i == found.position)
                item.flags |= MF_CHECKED | MFT_RADIOCHECK;
            else
                item.flags &= ~(MF_CHECKED | MFT_RADIOCHECK);
            changes.push_back({static_cast<UINT>(i), item.flags});
        }
    }
    for (const Change& change : changes)
        winlayer::displayDriver().menuItemStateChanged(owner, change.position, change.flags);
    return TRUE;
}

UINT EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable)
{
    return replaceItemState(hMenu, uIDEnableItem, uEnable, MF_GRAYED | MF_DISABLED);
}

UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags)
{
    std::lock_guard lock(menuMutex());
    Found found = findItemLocked(hMenu, uId, uFlags);
    if (!found.item)
        return static_cast<UINT>(-1);
    if (found.item->flags & MF_POPUP) {
        // A popup reports its item count in the high byte.
        std::shared_ptr<Menu> sub =
            menuTable().find(reinterpret_cast<std::uintptr_t>(found.item->subMenu));
        UINT count = sub ? static_cast<UINT>(sub->items.size()) : 0;
        return (found.item->flags & 0xFF) | (count << 8);
    }
    return found.item->flags;
}

int GetMenuItemCount(HMENU hMenu)
{
    std::shared_ptr<Menu> menu = findMenu(hMenu);
    if (!menu)
        return -1;
    std::lock_guard lock(menuMutex());
    return static_cast<int>(menu->items.size());
}

HMENU GetSubMenu(HMENU hMenu, int nPos)
{
    std::shared_ptr<Menu> menu = findMenu(hMenu);
    if (!menu || nPos < 0)
        return nullptr;
    std::lock_guard lock(menuMutex());
    if (static_cast<std::size_t>(nPos) >= menu->items.size())
        return nullptr;
    return menu->items[static_cast<std::size_t>(nPos)].subMenu;
}

UINT GetMenuItemID(HMENU hMenu, int nPos)
{
    std::shared_ptr<Menu> menu = findMenu(hMenu);
    if (!menu || nPos < 0)
        return static_cast<UINT>(-1);
    std::lock_guard lock(menuMutex());
    if (static_cast<std::size_t>(nPos) >= menu->items.size())
        return static_cast<UINT>(-1);
    const MenuItem& item = menu->items[static_cast<std::size_t>(nPos)];
    return (item.flags & MF_POPUP) ? static_cast<UINT>(-1) : static_cast<UINT>(item.id);
}

int GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags)
{
    std::lock_guard lock(menuMutex());
    Found found = findItemLocked(hMenu, uIDItem, flags);
    if (!found.item)
        return 0;
    const std::string& text = found.item->text;
    if (!lpString || cchMax <= 0)
        return static_cast<int>(text.size());
    std::size_t count = std::min<std::size_t>(text.size(), static_cast<std::size_t>(cchMax) - 1);
    std::memcpy(lpString, text.data(), count);
    lpString[count] = '\0';
    return static_cast<int>(count);
}

BOOL IsMenu(HMENU hMenu)
{
    return menuTable().find(reinterpret_cast<std::uintptr_t>(hMenu)) ? TRUE : FALSE;
}

BOOL DestroyMenu(HMENU hMenu)
{
    std::shared_ptr<Menu> menu = menuTable().remove(reinterpret_cast<std::uintptr_t>(hMenu));
    if (!menu) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    std::vector<HMENU> popups;
    {
        std::lock_guard lock(menuMutex());
        for (const MenuItem& item : menu->items)
            if (item.flags & MF_POPUP)
                popups.push_back(item.subMenu);
    }
    // Popups destroyed earlier on their own are stale by now and skipped.
    for (HMENU popup : popups)
        if (IsMenu(popup))
            DestroyMenu(popup);
    return TRUE;
}

BOOL SetMenu(HWND hWnd, HMENU hMenu)
{
    std::shared_ptr<winlayer::Window> window = winlayer::findWindow(hWnd);
    if (!window)
        return FALSE;
    if (hMenu && !findMenu(hMenu))
        return FALSE;
    {
        std::lock_guard lock(window->mutex);
        if (window->style & WS_CHILD) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        window->menu = hMenu;
    }
    winlayer::displayDriver().menuBarChanged(hWnd);
    return TRUE;
}

HMENU GetMenu(HWND hWnd)
{
    std::shared_ptr<winlayer::Window> window = winlayer::findWindow(hWnd);
    if (!window)
        return nullptr;
    std::lock_guard lock(window->mutex);
    return (window->style & WS_CHILD) ? nullptr : window->menu;
}

BOOL DrawMenuBar(HWND hWnd)
{
    if (!IsWindow(hWnd))
        return FALSE;
    winlayer::displayDriver().menuBarChanged(hWnd);
    return TRUE;
}

namespace winlayer {

std::optional<std::vector<MenuItemState>> menuState(HMENU menu)
{
    std::shared_ptr<Menu> object = menuTable().find(reinterpret_cast<std::uintptr_t>(menu));
    if (!object)
        return std::nullopt;
    std::lock_guard lock(menuMutex());
    std::vector<MenuItemState> items;
    for (const MenuItem& item : object->items)
        items.push_back({item.flags, (item.flags & MF_POPUP) ? 0 : item.id, item.subMenu, item.text,
                         item.checkItem});
    return items;
}

BOOL markCheckItem(HMENU menu, UINT id)
{
    HMENU owner;
    {
        std::lock_guard lock(menuMutex());
        Found found = findItemLocked(menu, id, MF_BYCOMMAND);
        if (!found.item) {
            SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
            return FALSE;
        }
        found.item->checkItem = true;
        owner = found.menu;
    }
    displayDriver().menuChanged(owner);
    return TRUE;
}

} // namespace winlayer
