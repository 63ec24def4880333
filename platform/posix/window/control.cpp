#include "platform/posix/window/control.h"

namespace winlayer {

std::unique_ptr<Control> makeControl(ClassKind kind, DWORD style, const std::string& text)
{
    switch (kind) {
    case ClassKind::Edit:
        return makeEditControl(style, text);
    case ClassKind::Button:
        return makeButton(text);
    case ClassKind::StatusBar:
        return makeStatusBar(text);
    case ClassKind::User:
        break;
    }
    return nullptr;
}

} // namespace winlayer
