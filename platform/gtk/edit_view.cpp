// An edit control's text in its text view or entry, kept from the layer's change pieces.
#include "platform/gtk/display_state.h"
#include "platform/gtk/display_text.h"
#include "platform/gtk/gtk_display.h"
#include "platform/gtk/log_follow.h"

namespace gtkdisplay {
namespace {

int markOffset(GtkTextBuffer* buffer, GtkTextMark* mark)
{
    GtkTextIter at;
    gtk_text_buffer_get_iter_at_mark(buffer, &at, mark);
    return gtk_text_iter_get_offset(&at);
}

// Only the new piece goes in: the cost follows the piece, not the log. A selection the user made
// that reaches the end would take the piece in (its marks move with text inserted at them), so
// it is put back as it was, its ends the same way round; a caret alone follows the end.
void appendKeepingSelection(GtkTextBuffer* buffer, const std::string& piece)
{
    GtkTextMark* insertMark = gtk_text_buffer_get_insert(buffer);
    GtkTextMark* boundMark = gtk_text_buffer_get_selection_bound(buffer);
    const int insertAt = markOffset(buffer, insertMark);
    const int boundAt = markOffset(buffer, boundMark);
    GtkTextIter end;
    gtk_text_buffer_get_end_iter(buffer, &end);
    gtk_text_buffer_insert(buffer, &end, piece.c_str(), static_cast<gint>(piece.size()));
    if (insertAt == boundAt ||
        (markOffset(buffer, insertMark) == insertAt && markOffset(buffer, boundMark) == boundAt))
        return;
    GtkTextIter insert;
    GtkTextIter bound;
    gtk_text_buffer_get_iter_at_offset(buffer, &insert, insertAt);
    gtk_text_buffer_get_iter_at_offset(buffer, &bound, boundAt);
    gtk_text_buffer_select_range(buffer, &insert, &bound);
}

} // namespace

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
        appendKeepingSelection(buffer, update.text);
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

std::pair<int, int> GtkDisplay::shownSelection(HWND edit)
{
    auto found = state->views.find(edit);
    if (found == state->views.end() || !found->second.textView)
        return {0, 0};
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(found->second.textView));
    GtkTextIter start;
    GtkTextIter end;
    gtk_text_buffer_get_selection_bounds(buffer, &start, &end);
    return {gtk_text_iter_get_offset(&start), gtk_text_iter_get_offset(&end)};
}

} // namespace gtkdisplay
