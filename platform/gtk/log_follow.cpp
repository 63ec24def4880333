// The text view measures new lines bit by bit, so the end is chased on every change of the
// scroll range rather than scrolled to once.
#include "platform/gtk/log_follow.h"

namespace gtkdisplay {
namespace {

struct Follow {
    bool following = true;
    bool moving = false;
};

bool atEnd(GtkAdjustment* adjustment)
{
    double bottom = gtk_adjustment_get_value(adjustment) + gtk_adjustment_get_page_size(adjustment);
    return bottom >= gtk_adjustment_get_upper(adjustment) - 1.0;
}

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
    follow.following = atEnd(adjustment);
}

} // namespace

void followEnd(GtkWidget* textView)
{
    auto* follow = new Follow;
    g_object_set_data_full(G_OBJECT(textView), "tarnwick-follow", follow,
                           [](gpointer data) { delete static_cast<Follow*>(data); });
    GtkAdjustment* vertical = gtk_scrollable_get_vadjustment(GTK_SCROLLABLE(textView));
    g_signal_connect(vertical, "changed", G_CALLBACK(onRangeChanged), follow);
    g_signal_connect(vertical, "value-changed", G_CALLBACK(onScrolled), follow);
}

bool scrolledToEnd(GtkWidget* textView)
{
    return atEnd(gtk_scrollable_get_vadjustment(GTK_SCROLLABLE(textView)));
}

} // namespace gtkdisplay
