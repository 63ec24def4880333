// An edit control's text in its text view or entry, kept from the layer's change pieces.
#include "platform/gtk/display_state.h"
#include "platform/gtk/display_text.h"
#include "platform/gtk/gtk_display.h"
#include "platform/gtk/log_follow.h"

namespace gtkdisplay {

void DisplayState::showInitialText(HWND edit, const std::string& text)
{
    {
        std::lock_guard guard(lock);
        auto mirror = mirrors.find(edit);
        if (mirror != mirrors.end()) {
            mirror->second.showAllAgain();
        } else {
            // FIXME: an edit control made before this display was installed shows the text it
            // has now; a change racing this first look can be missed.
            mirrors[edit].apply({0, 0, text});
        }
    }
    refreshText(edit);
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
    return scrolledToEnd(found->second.textView);
}

} // namespace gtkdisplay
