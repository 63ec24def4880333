// Top-level windows and child windows as GTK widgets: the changes the layer reported applied
// to them, and the user's close, resize and move posted back as messages.
#include "platform/gtk/control_views.h"
#include "platform/gtk/display_state.h"
#include "platform/gtk/display_text.h"
#include "platform/gtk/drop_target.h"
#include "platform/gtk/rect_size.h"
#include "platform/winlayer/display_driver.h"
#include "platform/winlayer/state_queries.h"

#include <algorithm>

namespace gtkdisplay {
namespace {

HWND handleOf(gpointer data)
{
    return static_cast<HWND>(data);
}

// The close box asks the window to close; the layer destroys it, and the view goes with it.
gboolean onDelete(GtkWidget*, GdkEvent*, gpointer window)
{
    PostMessageA(handleOf(window), WM_CLOSE, 0, 0);
    return TRUE;
}

// A user's resize or move becomes WM_SIZE / WM_MOVE; changes the program made itself come back
// here equal to the layer's rectangle and are not reported again.
gboolean onConfigure(GtkWidget* widget, GdkEventConfigure*, gpointer window)
{
    HWND handle = handleOf(window);
    std::optional<winlayer::WindowState> known = winlayer::windowState(handle);
    if (!known)
        return FALSE;
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    gtk_window_get_position(GTK_WINDOW(widget), &x, &y);
    gtk_window_get_size(GTK_WINDOW(widget), &w, &h);
    if (w != rectWidth(known->rect) || h != rectHeight(known->rect))
        winlayer::displayResized(handle, w, h);
    if (x != known->rect.left || y != known->rect.top)
        winlayer::displayMoved(handle, x, y);
    return FALSE;
}

void setVisible(GtkWidget* widget, bool visible)
{
    if (visible)
        gtk_widget_show(widget);
    else
        gtk_widget_hide(widget);
}

} // namespace

void DisplayState::applyChange(const Change& change)
{
    switch (change.kind) {
    case Change::Created: {
        std::optional<winlayer::WindowState> known = winlayer::windowState(change.window);
        if (known && known->parent && views.count(known->parent))
            buildChild(change.window);
        break;
    }
    case Change::Shown: {
        auto found = views.find(change.window);
        if (found == views.end()) {
            std::optional<winlayer::WindowState> known = winlayer::windowState(change.window);
            // A top-level window comes to GTK only when it is first shown.
            if (change.visible && known && !known->parent)
                buildTopLevel(change.window);
            break;
        }
        View& view = found->second;
        if (!view.parent) {
            syncTopLevelGeometry(view);
            if (change.visible)
                gtk_window_present(GTK_WINDOW(view.outer));
            else
                gtk_widget_hide(view.outer);
        } else {
            setVisible(view.outer, change.visible);
        }
        break;
    }
    case Change::Moved: {
        auto found = views.find(change.window);
        if (found == views.end())
            break;
        View& view = found->second;
        if (!view.parent) {
            syncTopLevelGeometry(view);
        } else if (std::optional<winlayer::WindowState> known =
                       winlayer::windowState(change.window)) {
            placeChild(view, known->rect);
            if (!view.statusLabels.empty())
                refreshStatus(view);
        }
        break;
    }
    case Change::Title: {
        auto found = views.find(change.window);
        std::optional<winlayer::WindowState> known = winlayer::windowState(change.window);
        if (found == views.end() || !known)
            break;
        View& view = found->second;
        if (!view.parent)
            gtk_window_set_title(GTK_WINDOW(view.outer), toDisplayText(known->text).c_str());
        else if (view.button)
            gtk_button_set_label(GTK_BUTTON(view.button),
                                 toMnemonicLabel(toDisplayText(known->text)).c_str());
        break;
    }
    case Change::Destroyed:
        answerBoxesOf(change.window);
        destroyView(change.window);
        break;
    case Change::Status: {
        auto found = views.find(change.window);
        if (found != views.end())
            refreshStatus(found->second);
        break;
    }
    case Change::MenuBar: {
        auto found = views.find(change.window);
        if (found != views.end() && !found->second.parent)
            buildMenuBar(found->second);
        break;
    }
    case Change::Menu: {
        // Menus are small: rebuild the bar of every window that shows this menu.
        std::set<HWND> tops;
        for (const MenuItemView& item : menuItems)
            if (item.menu == change.menu)
                tops.insert(item.top);
        for (auto& [handle, view] : views)
            if (!view.parent && view.menuBar) {
                std::optional<winlayer::WindowState> known = winlayer::windowState(handle);
                if (known && known->menu == change.menu)
                    tops.insert(handle);
            }
        for (HWND top : tops)
            if (auto found = views.find(top); found != views.end())
                buildMenuBar(found->second);
        break;
    }
    case Change::MenuItem:
        menuItemChanged(change.menu, change.position, change.flags);
        break;
    }
}

void DisplayState::buildTopLevel(HWND window)
{
    std::optional<winlayer::WindowState> known = winlayer::windowState(window);
    if (!known)
        return;
    View& view = views[window];
    view.handle = window;
    view.top = window;
    view.className = known->className;
    view.outer = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(view.outer), toDisplayText(known->text).c_str());
    gtk_window_set_default_size(GTK_WINDOW(view.outer), rectWidth(known->rect),
                                rectHeight(known->rect));
    gtk_window_move(GTK_WINDOW(view.outer), known->rect.left, known->rect.top);
    view.box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    view.container = gtk_layout_new(nullptr, nullptr);
    gtk_widget_set_hexpand(view.container, TRUE);
    gtk_widget_set_vexpand(view.container, TRUE);
    gtk_box_pack_end(GTK_BOX(view.box), view.container, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(view.outer), view.box);

    g_signal_connect(view.outer, "delete-event", G_CALLBACK(onDelete), window);
    g_signal_connect(view.outer, "configure-event", G_CALLBACK(onConfigure), window);
    acceptFileDropsOnWindow(view.outer, window);

    buildMenuBar(view);
    for (HWND child : winlayer::childWindows(window))
        buildChild(child);
    gtk_widget_show(view.box);
    gtk_widget_show(view.container);
    if (known->visible)
        gtk_widget_show(view.outer);
}

void DisplayState::buildChild(HWND window)
{
    if (views.count(window))
        return;
    std::optional<winlayer::WindowState> known = winlayer::windowState(window);
    if (!known || !known->parent)
        return;
    auto parentView = views.find(known->parent);
    if (parentView == views.end() || !parentView->second.container)
        return;
    View view;
    view.handle = window;
    view.parent = known->parent;
    view.top = parentView->second.top;
    view.className = known->className;
    GtkWidget* into = parentView->second.container;
    buildControlWidgets(view, *known);

    gtk_layout_put(GTK_LAYOUT(into), view.outer, known->rect.left, known->rect.top);
    View& stored = views[window] = view;
    placeChild(stored, known->rect);
    if (isClass(known->className, STATUSCLASSNAMEA))
        refreshStatus(stored);
    if (stored.textView || stored.entry)
        showInitialText(window, known->text);
    setVisible(stored.outer, known->visible);
    for (HWND child : winlayer::childWindows(window))
        buildChild(child);
}

void DisplayState::destroyView(HWND window)
{
    auto found = views.find(window);
    if (found == views.end())
        return;
    GtkWidget* outer = found->second.outer;
    // The view and every view below it go; GTK destroys the widgets below with the outer one.
    std::set<HWND> gone{window};
    for (bool grew = true; grew;) {
        grew = false;
        for (auto& [handle, view] : views)
            if (view.parent && gone.count(view.parent) && !gone.count(handle)) {
                gone.insert(handle);
                grew = true;
            }
    }
    for (HWND handle : gone)
        views.erase(handle);
    std::erase_if(menuItems, [&](const MenuItemView& item) { return gone.count(item.top) != 0; });
    if (outer)
        gtk_widget_destroy(outer);
}

void DisplayState::placeChild(View& view, const RECT& rect)
{
    auto parentView = views.find(view.parent);
    if (parentView == views.end() || !parentView->second.container)
        return;
    gtk_layout_move(GTK_LAYOUT(parentView->second.container), view.outer, rect.left, rect.top);
    gtk_widget_set_size_request(view.outer, rectWidth(rect), rectHeight(rect));
}

void DisplayState::syncTopLevelGeometry(View& view)
{
    std::optional<winlayer::WindowState> known = winlayer::windowState(view.handle);
    if (!known)
        return;
    GtkWindow* window = GTK_WINDOW(view.outer);
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    gtk_window_get_position(window, &x, &y);
    gtk_window_get_size(window, &w, &h);
    if (x != known->rect.left || y != known->rect.top)
        gtk_window_move(window, known->rect.left, known->rect.top);
    if (w != rectWidth(known->rect) || h != rectHeight(known->rect))
        gtk_window_resize(window, std::max(rectWidth(known->rect), 1),
                          std::max(rectHeight(known->rect), 1));
}

} // namespace gtkdisplay
