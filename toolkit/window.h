// liveWindow: a Win32 window with owned children, geometry, event bindings and a layout.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32.h"
#include "toolkit/binding.h"

class liveLayout;

inline constexpr std::int32_t notMeasured = static_cast<std::int32_t>(0xDEADBEEFu);

class liveWindow {
public:
    // Base of every window: no handle yet; tells parent (if any) through addChild.
    explicit liveWindow(liveWindow* parent);
    // Adopts an existing window; no parent is told.
    explicit liveWindow(HWND existing);
    // Creates a hidden plain child window of class "liveWindow".
    liveWindow(liveWindow* parent, int x, int y, int width, int height);
    // Deletes the children, drops the window's bindings and layout, destroys the Win32 window.
    virtual ~liveWindow();

    liveWindow(const liveWindow&) = delete;
    liveWindow& operator=(const liveWindow&) = delete;

    virtual void addChild(liveWindow* child);
    virtual bool isFrame();
    virtual LRESULT sendSize(int width, int height);
    virtual void move(int x, int y, int width, int height);
    // Moves without changing the size, taken from the client area.
    virtual void moveTo(int x, int y);
    virtual void getClientSize(int& width, int& height);
    virtual void getClientRect(int& left, int& top, int& width, int& height);
    // (0, 0) for child windows; frames report their screen position.
    virtual void getPosition(int& x, int& y);
    virtual void close();
    virtual void show();
    virtual void hide();
    virtual void bindMouse(UINT message, liveMouseHandler handler);
    // With a layout, chains handler after the layout instead of binding it.
    virtual void bindSize(liveSizeHandler handler);
    virtual void bindCommand(std::uint32_t code, liveCommandHandler handler);
    virtual void bindPaint(livePaintHandler handler);
    virtual void bindReserved(liveReservedHandler handler);
    virtual void unbindMouse(UINT message, liveMouseHandler handler);
    // With a layout, clears the chained handler whatever handler is named.
    virtual void unbindSize(liveSizeHandler handler);
    virtual void unbindCommand(std::uint32_t code, liveCommandHandler handler);
    virtual void unbindPaint(livePaintHandler handler);
    virtual void unbindReserved(liveReservedHandler handler);
    virtual void addLayoutItem(liveWindow* child, std::int32_t mode);
    virtual void addLayoutItemWithMargins(liveWindow* child, int left, int top, int right,
                                          int bottom, std::int32_t mode);
    virtual void spareHook() {}
    // Binds handler and turns file drops on for the window (off for a null handler).
    virtual void bindDrop(liveDropHandler handler);

    void measureNonClient();
    // Runs the layout on the current client size; 0 without a layout.
    int relayout();

    HWND handle = nullptr;
    std::vector<liveWindow*> children;
    liveWindow* parent = nullptr;
    liveLayout* layout = nullptr;
    std::int32_t nonClientHeight = 0;
    std::int32_t nonClientWidth = notMeasured;

protected:
    // Appends a binding of this window to the current application's table.
    void bind(std::int32_t kind, std::uint32_t subKey, liveAnyHandler handler);
    void unbind(std::int32_t kind, std::uint32_t subKey, liveAnyHandler handler, bool matchSubKey);
    void addItem(liveWindow* child, std::int32_t mode, int left, int top, int right, int bottom);

private:
    void forgetChild(liveWindow* child);
};
