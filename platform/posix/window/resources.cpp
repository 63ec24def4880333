// Stock objects, system colour brushes, the predefined icons and cursors, the program's module
// and the common controls: tokens that stand for what a display would draw with.
#include "platform/win32.h"

namespace {

constexpr int kStockObjects = 18;
constexpr int kSystemColours = 31;
constexpr int kFirstPredefined = 32512;
constexpr int kLastPredefined = 32651;

char stockObjects[kStockObjects];
char systemColourBrushes[kSystemColours];
char predefinedIcons[kLastPredefined - kFirstPredefined + 1];
char predefinedCursors[kLastPredefined - kFirstPredefined + 1];
char programModule;

// A predefined icon or cursor: no module and an integer name in the predefined range.
char* predefined(char* table, HINSTANCE instance, LPCSTR name)
{
    if (instance || !IS_INTRESOURCE(name)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto id = static_cast<int>(reinterpret_cast<ULONG_PTR>(name));
    if (id < kFirstPredefined || id > kLastPredefined) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return &table[id - kFirstPredefined];
}

} // namespace

HGDIOBJ GetStockObject(int i)
{
    // 9 has never been a stock object.
    if (i < 0 || i >= kStockObjects || i == 9)
        return nullptr;
    return &stockObjects[i];
}

BOOL DeleteObject(HGDIOBJ ho)
{
    return ho ? TRUE : FALSE;
}

HBRUSH GetSysColorBrush(int nIndex)
{
    if (nIndex < 0 || nIndex >= kSystemColours)
        return nullptr;
    return reinterpret_cast<HBRUSH>(&systemColourBrushes[nIndex]);
}

HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName)
{
    return reinterpret_cast<HICON>(predefined(predefinedIcons, hInstance, lpIconName));
}

HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName)
{
    return reinterpret_cast<HCURSOR>(predefined(predefinedCursors, hInstance, lpCursorName));
}

HMODULE GetModuleHandleA(LPCSTR lpModuleName)
{
    if (lpModuleName) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(&programModule);
}

void InitCommonControls() {}
