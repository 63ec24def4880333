// The driver's thread handoff: notifications from any thread are queued and applied on the
// display thread, which serves GTK from inside PeekMessageA and the layer's waits.
#include "platform/gtk/gtk_display.h"

#include <glib-unix.h>

#include "platform/gtk/display_state.h"
#include "platform/winlayer/display_driver.h"
#include "platform/winlayer/state_queries.h"

namespace gtkdisplay {
namespace {

// GTK events handled in one pump at most, so a flood of them cannot starve the message queue.
constexpr int kMaxEventsPerPump = 64;

// The natural height of a menu bar with one item, as GTK's theme draws it.
int measureMenuBarHeight()
{
    GtkWidget* bar = gtk_menu_bar_new();
    g_object_ref_sink(bar);
    gtk_menu_shell_append(GTK_MENU_SHELL(bar), gtk_menu_item_new_with_mnemonic("_Options"));
    gtk_widget_show_all(bar);
    int minimum = 0;
    int natural = 0;
    gtk_widget_get_preferred_height(bar, &minimum, &natural);
    gtk_widget_destroy(bar);
    g_object_unref(bar);
    return natural > 0 ? natural : 20;
}

gboolean keepWatching(gint, GIOCondition, gpointer)
{
    return G_SOURCE_CONTINUE;
}

gboolean timeUp(gpointer fired)
{
    *static_cast<bool*>(fired) = true;
    return G_SOURCE_REMOVE;
}

} // namespace

void DisplayState::queue(const Change& change)
{
    bool first;
    {
        std::lock_guard guard(lock);
        first = pending.empty() && dirtyEdits.empty();
        pending.push_back(change);
    }
    if (first)
        wake();
}

void DisplayState::wake()
{
    g_main_context_wakeup(g_main_context_default());
}

GtkDisplay::GtkDisplay() : state(std::make_unique<DisplayState>())
{
    state->display = this;
    state->displayThread = std::this_thread::get_id();
}

std::unique_ptr<GtkDisplay> GtkDisplay::open()
{
    if (!gtk_init_check(nullptr, nullptr))
        return nullptr;
    std::unique_ptr<GtkDisplay> display(new GtkDisplay);
    display->state->menuBarHeight = measureMenuBarHeight();
    return display;
}

GtkDisplay::~GtkDisplay()
{
    {
        std::lock_guard guard(state->lock);
        for (auto& request : state->boxes) {
            if (request->dialog)
                gtk_widget_destroy(request->dialog);
            request->dialog = nullptr;
            request->done = true;
        }
        state->boxes.clear();
    }
    state->boxAnswered.notify_all();
    for (auto& [handle, view] : state->views)
        if (!view.parent && view.outer)
            gtk_widget_destroy(view.outer);
    state->views.clear();
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    gdk_display_flush(gdk_display_get_default());
}

void GtkDisplay::setCheckItemQuery(std::function<bool(UINT id)> query)
{
    std::lock_guard guard(state->lock);
    state->checkQuery = std::move(query);
}

void GtkDisplay::flush()
{
    std::vector<Change> changes;
    std::set<HWND> edits;
    {
        std::lock_guard guard(state->lock);
        changes.swap(state->pending);
        edits.swap(state->dirtyEdits);
    }
    for (const Change& change : changes)
        state->applyChange(change);
    for (HWND edit : edits)
        state->refreshText(edit);
    state->showPendingBoxes();
}

void GtkDisplay::windowCreated(HWND window)
{
    // An edit control's mirror starts with the text it was created with; only then do its
    // changes count, so a change reported after its destruction finds nothing to apply to.
    std::optional<winlayer::WindowState> known = winlayer::windowState(window);
    if (known && g_ascii_strcasecmp(known->className.c_str(), "edit") == 0) {
        std::lock_guard guard(state->lock);
        TextMirror& mirror = state->mirrors[window];
        mirror = TextMirror();
        mirror.apply({0, 0, known->text});
    }
    state->queue({Change::Created, window});
}

void GtkDisplay::windowShown(HWND window, bool visible)
{
    Change change{Change::Shown, window};
    change.visible = visible;
    state->queue(change);
}

void GtkDisplay::windowMoved(HWND window, const RECT&)
{
    // The rectangle is read again when the change is applied, so only the latest one counts.
    state->queue({Change::Moved, window});
}

void GtkDisplay::windowTextChanged(HWND window)
{
    state->queue({Change::Title, window});
}

void GtkDisplay::windowDestroyed(HWND window)
{
    {
        std::lock_guard guard(state->lock);
        state->mirrors.erase(window);
        state->dirtyEdits.erase(window);
    }
    state->queue({Change::Destroyed, window});
}

void GtkDisplay::textChanged(HWND edit, const winlayer::TextChange& change)
{
    bool first;
    {
        std::lock_guard guard(state->lock);
        auto mirror = state->mirrors.find(edit);
        if (mirror == state->mirrors.end())
            return; // not created while this display was installed, or already destroyed
        first = state->pending.empty() && state->dirtyEdits.empty();
        mirror->second.apply(change);
        state->dirtyEdits.insert(edit);
    }
    if (first)
        state->wake();
}

void GtkDisplay::statusChanged(HWND statusBar, int)
{
    state->queue({Change::Status, statusBar});
}

void GtkDisplay::menuBarChanged(HWND window)
{
    state->queue({Change::MenuBar, window});
}

void GtkDisplay::menuChanged(HMENU menu)
{
    Change change{Change::Menu};
    change.menu = menu;
    state->queue(change);
}

void GtkDisplay::menuItemStateChanged(HMENU menu, UINT position, UINT flags)
{
    Change change{Change::MenuItem};
    change.menu = menu;
    change.position = position;
    change.flags = flags;
    state->queue(change);
}

void GtkDisplay::pumpEvents()
{
    if (!state->onDisplayThread() || state->pumping)
        return;
    state->pumping = true;
    flush();
    for (int i = 0; i < kMaxEventsPerPump && g_main_context_iteration(nullptr, FALSE); ++i) {
    }
    flush();
    gdk_display_flush(gdk_display_get_default());
    state->pumping = false;
}

void GtkDisplay::waitForInput(int queueDescriptor, DWORD milliseconds)
{
    if (!state->onDisplayThread() || state->pumping) {
        DisplayDriver::waitForInput(queueDescriptor, milliseconds);
        return;
    }
    state->pumping = true;
    flush();
    // Watched only while waiting: the layer drains the descriptor only when it waits itself.
    guint watch = g_unix_fd_add(queueDescriptor, G_IO_IN, keepWatching, nullptr);
    bool fired = false;
    guint timer = 0;
    if (milliseconds != INFINITE)
        timer = g_timeout_add(milliseconds, timeUp, &fired);
    bool idle;
    {
        std::lock_guard guard(state->lock);
        idle = state->pending.empty() && state->dirtyEdits.empty();
    }
    // One blocking iteration: the queue's descriptor, a GTK event, a wake-up from another
    // thread's change or the timer ends it.
    if (idle)
        g_main_context_iteration(nullptr, TRUE);
    if (timer && !fired)
        g_source_remove(timer);
    g_source_remove(watch);
    flush();
    gdk_display_flush(gdk_display_get_default());
    state->pumping = false;
}

winlayer::NonClientMetrics GtkDisplay::nonClientMetrics() const
{
    // The desktop's window manager draws caption and frame outside the X window, so the client
    // area is the whole window but the menu bar.
    return {0, state->menuBarHeight.load(), 0, 1};
}

} // namespace gtkdisplay
