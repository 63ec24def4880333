// Only text/uri-list is taken: a drop of anything else is refused while it is still dragged.
#include "platform/gtk/drop_target.h"

#include "platform/gtk/uri_list.h"
#include "platform/winlayer/drops.h"

#include <string>
#include <string_view>
#include <vector>

namespace gtkdisplay {
namespace {

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
        posted = !paths.empty() && winlayer::postDropFiles(static_cast<HWND>(window), paths);
    }
    gtk_drag_finish(context, posted, FALSE, time);
    // The source waits for XdndFinished; a program about to exit must not keep it in a buffer.
    gdk_display_flush(gtk_widget_get_display(widget));
}

} // namespace

void acceptFileDrops(GtkWidget* widget, HWND target)
{
    // GTK hands the data only to a widget whose target list names its type.
    gtk_drag_dest_add_uri_targets(widget);
    g_signal_connect(widget, "drag-motion", G_CALLBACK(onDragMotion), target);
    g_signal_connect(widget, "drag-drop", G_CALLBACK(onDragDrop), target);
    g_signal_connect(widget, "drag-data-received", G_CALLBACK(onDropReceived), target);
}

void acceptFileDropsOnWindow(GtkWidget* window, HWND target)
{
    gtk_drag_dest_set(
        window, GtkDestDefaults(0), nullptr, 0,
        static_cast<GdkDragAction>(GDK_ACTION_COPY | GDK_ACTION_MOVE | GDK_ACTION_LINK));
    acceptFileDrops(window, target);
}

} // namespace gtkdisplay
