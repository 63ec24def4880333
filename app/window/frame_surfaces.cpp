#include "app/window/frame_surfaces.h"

#include "app/window/my_frame.h"

void FrameSurfaces::append(const std::string& text)
{
    if (frame.logPane)
        frame.logPane->append(text);
}

void FrameSurfaces::setStatusText(int part, const std::string& text)
{
    if (frame.statusBar)
        SendMessageA(frame.statusBar->handle, SB_SETTEXTA, static_cast<WPARAM>(part),
                     reinterpret_cast<LPARAM>(text.c_str()));
}
