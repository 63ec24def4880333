// The widgets that show the system controls: a multi-line edit control as a scrolled text view,
// a single-line one as an entry, a button as a GtkButton that posts BN_CLICKED, a status bar as
// a row of labels; any other child window is a plain container.
#include "platform/gtk/control_views.h"

#include "platform/gtk/display_text.h"
#include "platform/gtk/drop_target.h"
#include "platform/gtk/log_follow.h"

namespace gtkdisplay {
namespace {

// Space between a text view's edge and its text, in pixels.
constexpr int kTextLeftMargin = 3;

void onButtonClicked(GtkButton*, gpointer window)
{
    HWND button = static_cast<HWND>(window);
    std::optional<winlayer::WindowState> known = winlayer::windowState(button);
    if (!known || !known->parent)
        return;
    PostMessageA(known->parent, WM_COMMAND, MAKEWPARAM(known->id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

void buildMultilineEdit(View& view, const winlayer::WindowState& known)
{
    view.outer = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(view.outer), GTK_POLICY_AUTOMATIC,
                                   (known.style & WS_VSCROLL) ? GTK_POLICY_ALWAYS
                                                              : GTK_POLICY_AUTOMATIC);
    if (known.style & WS_BORDER)
        gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(view.outer), GTK_SHADOW_IN);
    view.textView = gtk_text_view_new();
    // FIXME: text typed into an editable control is not reported back to the layer, so every
    // edit control shows as read-only; selecting and copying still work.
    gtk_text_view_set_editable(GTK_TEXT_VIEW(view.textView), FALSE);
    gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(view.textView), FALSE);
    gtk_text_view_set_left_margin(GTK_TEXT_VIEW(view.textView), kTextLeftMargin);
    // Files dropped on the pane belong to the window, not to the text.
    acceptFileDrops(view.textView, view.handle);
    gtk_container_add(GTK_CONTAINER(view.outer), view.textView);
    followEnd(view.textView);
    gtk_widget_show(view.textView);
}

void buildSingleLineEdit(View& view)
{
    view.entry = gtk_entry_new();
    gtk_editable_set_editable(GTK_EDITABLE(view.entry), FALSE);
    acceptFileDrops(view.entry, view.handle);
    view.outer = view.entry;
}

void buildButton(View& view, const winlayer::WindowState& known)
{
    view.button = gtk_button_new_with_mnemonic(toMnemonicLabel(toDisplayText(known.text)).c_str());
    g_signal_connect(view.button, "clicked", G_CALLBACK(onButtonClicked), view.handle);
    view.outer = view.button;
}

void buildStatusBar(View& view)
{
    view.outer = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_style_context_add_class(gtk_widget_get_style_context(view.outer), "tarnwick-status");
}

} // namespace

bool isClass(const std::string& name, const char* wanted)
{
    return g_ascii_strcasecmp(name.c_str(), wanted) == 0;
}

void buildControlWidgets(View& view, const winlayer::WindowState& known)
{
    if (isClass(known.className, "edit")) {
        if (known.style & ES_MULTILINE)
            buildMultilineEdit(view, known);
        else
            buildSingleLineEdit(view);
    } else if (isClass(known.className, "BUTTON")) {
        buildButton(view, known);
    } else if (isClass(known.className, STATUSCLASSNAMEA)) {
        buildStatusBar(view);
    } else {
        view.container = gtk_layout_new(nullptr, nullptr);
        view.outer = view.container;
    }
}

} // namespace gtkdisplay
