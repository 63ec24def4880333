// Window classes: the ones a program registers and the layer's system control classes.
#pragma once

#include "platform/win32.h"

#include <memory>
#include <string>

namespace winlayer {

enum class ClassKind { User, Edit, Button, StatusBar };

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    ClassKind kind = ClassKind::User;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
};

// The class registered under a name (case-insensitive) or an atom; null if there is none.
std::shared_ptr<const WindowClass> findWindowClass(LPCSTR nameOrAtom);

} // namespace winlayer
