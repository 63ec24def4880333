// A status bar as a row of labels, one a part, each as wide as its part of the bar.
#include "platform/gtk/display_state.h"
#include "platform/gtk/display_text.h"
#include "platform/gtk/gtk_display.h"
#include "platform/gtk/rect_size.h"
#include "platform/winlayer/state_queries.h"

namespace gtkdisplay {
namespace {

// Space between a part's edge and its text, inside the part.
constexpr int kLabelMargin = 4;

} // namespace

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
            gtk_widget_set_margin_start(label, kLabelMargin);
            gtk_box_pack_start(GTK_BOX(view.outer), label, FALSE, FALSE, 0);
            gtk_widget_show(label);
            view.statusLabels.push_back(label);
        }
    }
    std::optional<winlayer::WindowState> known = winlayer::windowState(view.handle);
    int barWidth = known ? rectWidth(known->rect) : 0;
    int left = 0;
    for (std::size_t i = 0; i < parts; ++i) {
        GtkWidget* label = view.statusLabels[i];
        int edge = i < status->rightEdges.size() ? status->rightEdges[i] : -1;
        bool last = i + 1 == parts;
        // -1, or an edge past the bar, runs to the bar's end.
        if (edge < 0 || edge > barWidth || last)
            edge = std::max(barWidth, left);
        int partWidth = std::max(edge - left, 0);
        gtk_widget_set_size_request(label, std::max(partWidth - kLabelMargin, 0), -1);
        gtk_box_set_child_packing(GTK_BOX(view.outer), label, last, last, 0, GTK_PACK_START);
        std::string text = i < status->texts.size() ? status->texts[i] : "";
        gtk_label_set_text(GTK_LABEL(label), toDisplayText(text).c_str());
        left = edge;
    }
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
