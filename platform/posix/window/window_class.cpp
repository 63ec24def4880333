#include "platform/posix/window/window_class.h"

#include "platform/posix/window/window_object.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace winlayer {
namespace {

std::string lowerCopy(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

struct ClassRegistry {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<const WindowClass>> byName;
    ATOM nextAtom = 0xC000;

    ClassRegistry()
    {
        addSystem("edit", ClassKind::Edit);
        addSystem("BUTTON", ClassKind::Button);
        addSystem(STATUSCLASSNAMEA, ClassKind::StatusBar);
    }

    void addSystem(const char* name, ClassKind kind)
    {
        auto windowClass = std::make_shared<WindowClass>();
        windowClass->name = name;
        windowClass->atom = nextAtom++;
        windowClass->kind = kind;
        windowClass->style = CS_GLOBALCLASS;
        byName[lowerCopy(name)] = std::move(windowClass);
    }

    std::shared_ptr<const WindowClass> findLocked(LPCSTR nameOrAtom) const
    {
        if (!nameOrAtom)
            return nullptr;
        if (IS_INTRESOURCE(nameOrAtom)) {
            auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(nameOrAtom));
            for (const auto& entry : byName)
                if (entry.second->atom == atom)
                    return entry.second;
            return nullptr;
        }
        auto found = byName.find(lowerCopy(nameOrAtom));
        return found == byName.end() ? nullptr : found->second;
    }
};

ClassRegistry& registry()
{
    static ClassRegistry& instance = *new ClassRegistry; // outlives every thread's clean-up
    return instance;
}

} // namespace

std::shared_ptr<const WindowClass> findWindowClass(LPCSTR nameOrAtom)
{
    ClassRegistry& classes = registry();
    std::lock_guard lock(classes.mutex);
    return classes.findLocked(nameOrAtom);
}

} // namespace winlayer

using namespace winlayer;

ATOM RegisterClassExA(const WNDCLASSEXA* lpwcx)
{
    // 48 is the structure's size in 32-bit programs; accepted so such code keeps working.
    if (!lpwcx || (lpwcx->cbSize != sizeof(WNDCLASSEXA) && lpwcx->cbSize != 48) ||
        !lpwcx->lpfnWndProc || !lpwcx->lpszClassName || IS_INTRESOURCE(lpwcx->lpszClassName) ||
        !*lpwcx->lpszClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    ClassRegistry& classes = registry();
    std::lock_guard lock(classes.mutex);
    std::string key = lowerCopy(lpwcx->lpszClassName);
    if (classes.byName.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto windowClass = std::make_shared<WindowClass>();
    windowClass->name = lpwcx->lpszClassName;
    windowClass->atom = classes.nextAtom++;
    windowClass->style = lpwcx->style;
    windowClass->proc = lpwcx->lpfnWndProc;
    windowClass->instance = lpwcx->hInstance;
    windowClass->icon = lpwcx->hIcon;
    windowClass->smallIcon = lpwcx->hIconSm;
    windowClass->cursor = lpwcx->hCursor;
    windowClass->background = lpwcx->hbrBackground;
    ATOM atom = windowClass->atom;
    classes.byName[key] = std::move(windowClass);
    return atom;
}

BOOL UnregisterClassA(LPCSTR lpClassName, HINSTANCE)
{
    ClassRegistry& classes = registry();
    std::shared_ptr<const WindowClass> windowClass;
    {
        std::lock_guard lock(classes.mutex);
        windowClass = classes.findLocked(lpClassName);
    }
    if (!windowClass) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (windowClass->kind != ClassKind::User) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    for (const auto& window : allWindows()) {
        if (window->windowClass == windowClass) {
            SetLastError(ERROR_CLASS_HAS_WINDOWS);
            return FALSE;
        }
    }
    std::lock_guard lock(classes.mutex);
    classes.byName.erase(lowerCopy(windowClass->name));
    return TRUE;
}
