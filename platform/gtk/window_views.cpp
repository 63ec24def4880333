// Top-level windows, child windows and controls as GTK widgets, and the user's actions on them
// as posted messages.
#include "platform/gtk/display_state.h"
#include "platform/gtk/display_text.h"
#include "platform/gtk/gtk_display.h"
#include "platform/gtk/uri_list.h"
#include "platform/winlayer/display_driver.h"
#include "platform/winlayer/drops.h"
#include "platform/winlayer/state_queries.h"

#include <algorithm>
#include <cstdint>

namespace gtkdisplay {
namespace {

HWND handleOf(gpointer data)
{
    return static_cast<HWND>(data);
}

int width(const RECT& rect)
{
    return std::max<LONG>(rect.right - rect.left, 0);
}

int height(const RECT& rect)
{
    return std::max<LONG>(rect.bottom - rect.top, 0);
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
    if (w != width(known->rect) || h != height(known->rect))
        winlayer::displayResized(handle, w, h);
    if (x != known->rect.left || y != known->rect.top)
        winlayer::displayMoved(handle, x, y);
    return FALSE;
}

bool offersUriList(GdkDragContext* context)
{
    GdkAtom uriList = gdk_atom_intern_static_string("text/uri-list");
    for (GList* at = gdk_drag_context_list_targets(context); at; at = at->next)
        if (GDK_POINTER_TO_ATOM(at->data) == uriList)
            return true;
    return false;
}

gboolean onDragMotion(GtkWidget*, GdkDragContext* context, gint, gint, guint time, gpointer)
{
    if (!offersUriList(context)) {
        gdk_drag_status(context, GdkDragAction(0), time);
        return TRUE;
    }
    GdkDragAction suggested = gdk_drag_context_get_suggested_action(context);
    gdk_drag_status(context, suggested ? suggested : GDK_ACTION_COPY, time);
    return TRUE;
}

gboolean onDragDrop(GtkWidget* widget, GdkDragContext* context, gint, gint, guint time, gpointer)
{
    if (!offersUriList(context))
        return FALSE;
    gtk_drag_get_data(widget, context, gdk_atom_intern_static_string("text/uri-list"), time);
    return TRUE;
}

void onDropReceived(GtkWidget* widget, GdkDragContext* context, gint, gint, GtkSelectionData* data,
                    guint, guint time, gpointer window)
{
    // The widget's own handler (a text view's text drop) must not see the file list.
    g_signal_stop_emission_by_name(widget, "drag-data-received");

    const guchar* bytes = gtk_selection_data_get_data(data);
    int length = gtk_selection_data_get_length(data);
    bool posted = false;
    if (bytes && length > 0) {
        std::string_view list(reinterpret_cast<const char*>(bytes),
                              static_cast<std::size_t>(length));
        std::vector<std::string> paths = localPathsFromUriList(list);
        posted = !paths.empty() && winlayer::postDropFiles(handleOf(window), paths);
    }
    gtk_drag_finish(context, posted, FALSE, time);
    // The source waits for XdndFinished; a program about to exit must not keep it in a buffer.
    gdk_display_flush(gtk_widget_get_display(widget));
}

// Files dropped on the widget go to the layer window `target` (or the ancestor that takes them).
void acceptFileDrops(GtkWidget* widget, HWND target)
{
    // GTK hands the data only to a widget whose target list names its type.
    gtk_drag_dest_add_uri_targets(widget);
    g_signal_connect(widget, "drag-motion", G_CALLBACK(onDragMotion), target);
    g_signal_connect(widget, "drag-drop", G_CALLBACK(onDragDrop), target);
    g_signal_connect(widget, "drag-data-received", G_CALLBACK(onDropReceived), target);
}

// A log pane follows its end as it grows, unless the user has scrolled up to read; scrolling
// back to the bottom follows again. The text view measures new lines bit by bit, so the end is
// chased on every change of the scroll range rather than scrolled to once.
struct Follow {
    bool following = true;
    bool moving = false;
};

void scrollToEnd(GtkAdjustment* adjustment, Follow& follow)
{
    follow.moving = true;
    gtk_adjustment_set_value(adjustment, gtk_adjustment_get_upper(adjustment) -
                                             gtk_adjustment_get_page_size(adjustment));
    follow.moving = false;
}

void onRangeChanged(GtkAdjustment* adjustment, gpointer data)
{
    auto& follow = *static_cast<Follow*>(data);
    if (follow.following)
        scrollToEnd(adjustment, follow);
}

void onScrolled(GtkAdjustment* adjustment, gpointer data)
{
    auto& follow = *static_cast<Follow*>(data);
    if (follow.moving)
        return;
    double bottom = gtk_adjustment_get_value(adjustment) + gtk_adjustment_get_page_size(adjustment);
    follow.following = bottom >= gtk_adjustment_get_upper(adjustment) - 1.0;
}

void followEnd(GtkWidget* textView)
{
    auto* follow = new Follow;
    g_object_set_data_full(G_OBJECT(textView), "tarnwick-follow", follow,
                           [](gpointer data) { delete static_cast<Follow*>(data); });
    GtkAdjustment* vertical = gtk_scrollable_get_vadjustment(GTK_SCROLLABLE(textView));
    g_signal_connect(vertical, "changed", G_CALLBACK(onRangeChanged), follow);
    g_signal_connect(vertical, "value-changed", G_CALLBACK(onScrolled), follow);
}

void onButtonClicked(GtkButton*, gpointer window)
{
    HWND button = handleOf(window);
    std::optional<winlayer::WindowState> known = winlayer::windowState(button);
    if (!known || !known->parent)
        return;
    PostMessageA(known->parent, WM_COMMAND, MAKEWPARAM(known->id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

bool isClass(const std::string& name, const char* wanted)
{
    return g_ascii_strcasecmp(name.c_str(), wanted) == 0;
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
    gtk_window_set_default_size(GTK_WINDOW(view.outer), width(known->rect), height(known->rect));
    gtk_window_move(GTK_WINDOW(view.outer), known->rect.left, known->rect.top);
    view.box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    view.container = gtk_layout_new(nullptr, nullptr);
    gtk_widget_set_hexpand(view.container, TRUE);
    gtk_widget_set_vexpand(view.container, TRUE);
    gtk_box_pack_end(GTK_BOX(view.box), view.container, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(view.outer), view.box);

    g_signal_connect(view.outer, "delete-event", G_CALLBACK(onDelete), window);
    g_signal_connect(view.outer, "configure-event", G_CALLBACK(onConfigure), window);
    gtk_drag_dest_set(
        view.outer, GtkDestDefaults(0), nullptr, 0,
        static_cast<GdkDragAction>(GDK_ACTION_COPY | GDK_ACTION_MOVE | GDK_ACTION_LINK));
    acceptFileDrops(view.outer, window);

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

    if (isClass(known->className, "edit")) {
        if (known->style & ES_MULTILINE) {
            view.outer = gtk_scrolled_window_new(nullptr, nullptr);
            gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(view.outer), GTK_POLICY_AUTOMATIC,
                                           (known->style & WS_VSCROLL) ? GTK_POLICY_ALWAYS
                                                                       : GTK_POLICY_AUTOMATIC);
            if (known->style & WS_BORDER)
                gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(view.outer), GTK_SHADOW_IN);
            view.textView = gtk_text_view_new();
            // FIXME: text typed into an editable control is not reported back to the layer, so
            // every edit control shows as read-only; selecting and copying still work.
            gtk_text_view_set_editable(GTK_TEXT_VIEW(view.textView), FALSE);
            gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(view.textView), FALSE);
            gtk_text_view_set_left_margin(GTK_TEXT_VIEW(view.textView), 3);
            // Files dropped on the pane belong to the window, not to the text.
            acceptFileDrops(view.textView, window);
            gtk_container_add(GTK_CONTAINER(view.outer), view.textView);
            followEnd(view.textView);
            gtk_widget_show(view.textView);
        } else {
            view.entry = gtk_entry_new();
            gtk_editable_set_editable(GTK_EDITABLE(view.entry), FALSE);
            acceptFileDrops(view.entry, window);
            view.outer = view.entry;
        }
    } else if (isClass(known->className, "BUTTON")) {
        view.button =
            gtk_button_new_with_mnemonic(toMnemonicLabel(toDisplayText(known->text)).c_str());
        g_signal_connect(view.button, "clicked", G_CALLBACK(onButtonClicked), window);
        view.outer = view.button;
    } else if (isClass(known->className, "msctls_statusbar32")) {
        view.outer = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
        gtk_style_context_add_class(gtk_widget_get_style_context(view.outer), "tarnwick-status");
    } else {
        view.container = gtk_layout_new(nullptr, nullptr);
        view.outer = view.container;
    }

    gtk_layout_put(GTK_LAYOUT(into), view.outer, known->rect.left, known->rect.top);
    View& stored = views[window] = view;
    placeChild(stored, known->rect);
    if (isClass(known->className, "msctls_statusbar32"))
        refreshStatus(stored);
    if (stored.textView || stored.entry) {
        {
            std::lock_guard guard(lock);
            auto mirror = mirrors.find(window);
            if (mirror != mirrors.end()) {
                mirror->second.showAllAgain();
            } else {
                // FIXME: an edit control made before this display was installed shows the text
                // it has now; a change racing this first look can be missed.
                mirrors[window].apply({0, 0, known->text});
            }
        }
        refreshText(window);
    }
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
    gtk_widget_set_size_request(view.outer, width(rect), height(rect));
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
    if (w != width(known->rect) || h != height(known->rect))
        gtk_window_resize(window, std::max(width(known->rect), 1),
                          std::max(height(known->rect), 1));
}

void DisplayState::refreshStatus(View& view)
{
    std::optional<winlayer::StatusBarState> status = winlayer::statusBarState(view.handle);
    if (!status)
        return;
    std::size_t parts = std::max<std::size_t>(status->rightEdges.size(), 1);
    if (view.statusLabels.size() != parts) {
        for (GtkWidget* label : view.statusLabels)
            gtk_widget_destroy(label);
        view.statusLabels.clear();
        for (std::size_t i = 0; i < parts; ++i) {
            GtkWidget* label = gtk_label_new("");
            gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
            gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
            gtk_widget_set_margin_start(label, 4);
            gtk_box_pack_start(GTK_BOX(view.outer), label, FALSE, FALSE, 0);
            gtk_widget_show(label);
            view.statusLabels.push_back(label);
        }
    }
    std::optional<winlayer::WindowState> known = winlayer::windowState(view.handle);
    int barWidth = known ? width(known->rect) : 0;
    int left = 0;
    for (std::size_t i = 0; i < parts; ++i) {
        GtkWidget* label = view.statusLabels[i];
        int edge = i < status->rightEdges.size() ? status->rightEdges[i] : -1;
        bool last = i + 1 == parts;
        // -1, or an edge past the bar, runs to the bar's end.
        if (edge < 0 || edge > barWidth || last)
            edge = std::max(barWidth, left);
        int partWidth = std::max(edge - left, 0);
        // The label's margin is inside the part.
        gtk_widget_set_size_request(label, std::max(partWidth - 4, 0), -1);
        gtk_box_set_child_packing(GTK_BOX(view.outer), label, last, last, 0, GTK_PACK_START);
        std::string text = i < status->texts.size() ? status->texts[i] : "";
        gtk_label_set_text(GTK_LABEL(label), toDisplayText(text).c_str());
        left = edge;
    }
}

void DisplayState::refreshText(HWND edit)
{
    auto found = views.find(edit);
    if (found == views.end())
        return;
    View& view = found->second;
    TextMirror::Update update;
    {
        std::lock_guard guard(lock);
        auto mirror = mirrors.find(edit);
        if (mirror == mirrors.end())
            return;
        update = mirror->second.takeUpdate();
    }
    if (view.entry) {
        std::string all;
        {
            std::lock_guard guard(lock);
            all = toDisplayText(mirrors[edit].bytes());
        }
        gtk_entry_set_text(GTK_ENTRY(view.entry), all.c_str());
        return;
    }
    if (!view.textView)
        return;
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view.textView));
    if (update.whole) {
        gtk_text_buffer_set_text(buffer, update.text.c_str(),
                                 static_cast<gint>(update.text.size()));
    } else if (!update.text.empty()) {
        // Only the new piece goes in: the cost follows the piece, not the log.
        GtkTextIter end;
        gtk_text_buffer_get_end_iter(buffer, &end);
        gtk_text_buffer_insert(buffer, &end, update.text.c_str(),
                               static_cast<gint>(update.text.size()));
    } else {
        return;
    }
}

std::string GtkDisplay::shownText(HWND edit)
{
    auto found = state->views.find(edit);
    if (found == state->views.end())
        return {};
    View& view = found->second;
    if (view.entry)
        return gtk_entry_get_text(GTK_ENTRY(view.entry));
    if (!view.textView)
        return {};
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view.textView));
    GtkTextIter start;
    GtkTextIter end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    gchar* text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
    std::string result(text);
    g_free(text);
    return result;
}

bool GtkDisplay::shownAtEnd(HWND edit)
{
    auto found = state->views.find(edit);
    if (found == state->views.end() || !found->second.textView)
        return false;
    GtkAdjustment* vertical =
        gtk_scrollable_get_vadjustment(GTK_SCROLLABLE(found->second.textView));
    double bottom = gtk_adjustment_get_value(vertical) + gtk_adjustment_get_page_size(vertical);
    return bottom >= gtk_adjustment_get_upper(vertical) - 1.0;
}

std::vector<std::string> GtkDisplay::shownStatusTexts(HWND statusBar)
{
    std::vector<std::string> texts;
    auto found = state->views.find(statusBar);
    if (found == state->views.end())
        return texts;
    for (GtkWidget* label : found->second.statusLabels)
        texts.emplace_back(gtk_label_get_text(GTK_LABEL(label)));
    return texts;
}

} // namespace gtkdisplay
