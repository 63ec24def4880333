#include "toolkit/message_box.h"

#include "toolkit/application.h"
#include "toolkit/frame.h"

namespace {

constexpr const char* defaultCaption = "Alert!";

// Without an application or a main window the box simply has no owner.
HWND owner()
{
    liveApplication* application = currentApplication();
    liveFrame* main = application ? application->getMainWindow() : nullptr;
    return main ? main->handle : nullptr;
}

} // namespace

liveMessageBox::liveMessageBox(const char* text, UINT type)
{
    MessageBoxA(owner(), text ? text : "", defaultCaption, type);
}

liveMessageBox::liveMessageBox(const std::string& text, const std::string& caption, UINT type)
{
    MessageBoxA(owner(), text.c_str(), caption.c_str(), type);
}

liveMessageBox::liveMessageBox(const std::string& text, UINT type)
{
    MessageBoxA(owner(), text.c_str(), defaultCaption, type);
}
