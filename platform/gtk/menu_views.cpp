// The menu bar of a top-level window as a GtkMenuBar. Check marks follow the layer both ways:
// the layer's state changes set the GTK mark, and a user's choice only posts WM_COMMAND, leaving
// the mark to the program (whose check dispatcher flips it), so no command runs twice.
#include "platform/gtk/display_state.h"
#include "platform/gtk/display_text.h"
#include "platform/gtk/gtk_display.h"
#include "platform/winlayer/state_queries.h"

namespace gtkdisplay {
namespace {

struct Activation {
    DisplayState* state;
    HWND top;
    HMENU menu;
    UINT id;
};

void freeActivation(gpointer data, GClosure*)
{
    delete static_cast<Activation*>(data);
}

void onActivate(GtkMenuItem* item, gpointer data)
{
    auto* activation = static_cast<Activation*>(data);
    DisplayState* state = activation->state;
    if (state->updatingMenu)
        return;
    if (GTK_IS_CHECK_MENU_ITEM(item)) {
        // GTK has flipped its own mark already: put back the layer's until the program decides.
        UINT flags = GetMenuState(activation->menu, activation->id, MF_BYCOMMAND);
        state->updatingMenu = true;
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item),
                                       flags != static_cast<UINT>(-1) && (flags & MF_CHECKED));
        state->updatingMenu = false;
    }
    PostMessageA(activation->top, WM_COMMAND, MAKEWPARAM(activation->id, 0), 0);
}

} // namespace

bool DisplayState::showsAsCheck(HMENU menu, const winlayer::MenuItemState& item)
{
    UINT id = static_cast<UINT>(item.id);
    if (item.checkItem || (item.flags & (MF_CHECKED | MFT_RADIOCHECK)))
        return true;
    if (everChecked.count({menu, id}))
        return true;
    std::function<bool(UINT)> query;
    {
        std::lock_guard guard(lock);
        query = checkQuery;
    }
    return query && query(id);
}

namespace {

GtkWidget* buildPopup(DisplayState& state, View& top, HMENU menu, int depth);

void fillShell(DisplayState& state, View& top, GtkWidget* shell, HMENU menu, int depth)
{
    std::optional<std::vector<winlayer::MenuItemState>> items = winlayer::menuState(menu);
    if (!items)
        return;
    UINT position = 0;
    for (const winlayer::MenuItemState& item : *items) {
        GtkWidget* widget = nullptr;
        bool check = false;
        std::string label = toMnemonicLabel(toDisplayText(item.text));
        if (item.flags & MF_SEPARATOR) {
            widget = gtk_separator_menu_item_new();
        } else if (item.flags & MF_POPUP) {
            widget = gtk_menu_item_new_with_mnemonic(label.c_str());
            if (item.subMenu)
                gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget),
                                          buildPopup(state, top, item.subMenu, depth + 1));
        } else {
            UINT id = static_cast<UINT>(item.id);
            if (item.flags & MF_CHECKED)
                state.everChecked.insert({menu, id});
            check = state.showsAsCheck(menu, item);
            if (check) {
                widget = gtk_check_menu_item_new_with_mnemonic(label.c_str());
                gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(widget),
                                                      (item.flags & MFT_RADIOCHECK) != 0);
                state.updatingMenu = true;
                gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget),
                                               (item.flags & MF_CHECKED) != 0);
                state.updatingMenu = false;
            } else {
                widget = gtk_menu_item_new_with_mnemonic(label.c_str());
            }
            g_signal_connect_data(widget, "activate", G_CALLBACK(onActivate),
                                  new Activation{&state, top.handle, menu, id}, freeActivation,
                                  GConnectFlags(0));
        }
        gtk_widget_set_sensitive(widget, !(item.flags & (MF_GRAYED | MF_DISABLED)));
        gtk_menu_shell_append(GTK_MENU_SHELL(shell), widget);
        gtk_widget_show(widget);
        state.menuItems.push_back(
            {top.handle, menu, position, static_cast<UINT>(item.id), widget, check});
        ++position;
    }
}

GtkWidget* buildPopup(DisplayState& state, View& top, HMENU menu, int depth)
{
    GtkWidget* popup = gtk_menu_new();
    fillShell(state, top, popup, menu, depth);
    return popup;
}

} // namespace

void DisplayState::buildMenuBar(View& top)
{
    if (top.menuBar) {
        gtk_widget_destroy(top.menuBar);
        top.menuBar = nullptr;
    }
    std::erase_if(menuItems, [&](const MenuItemView& item) { return item.top == top.handle; });
    std::optional<winlayer::WindowState> known = winlayer::windowState(top.handle);
    if (!known || !known->menu)
        return;
    top.menuBar = gtk_menu_bar_new();
    fillShell(*this, top, top.menuBar, known->menu, 0);
    gtk_box_pack_start(GTK_BOX(top.box), top.menuBar, FALSE, FALSE, 0);
    gtk_box_reorder_child(GTK_BOX(top.box), top.menuBar, 0);
    gtk_widget_show(top.menuBar);
}

void DisplayState::menuItemChanged(HMENU menu, UINT position, UINT flags)
{
    for (MenuItemView& item : menuItems) {
        if (item.menu != menu || item.position != position)
            continue;
        if (flags & MF_CHECKED)
            everChecked.insert({menu, item.id});
        if (!item.check && (flags & MF_CHECKED)) {
            // A plain item got a mark: it becomes a check item from now on.
            if (auto found = views.find(item.top); found != views.end())
                buildMenuBar(found->second);
            return;
        }
        if (item.check) {
            updatingMenu = true;
            gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item.widget),
                                           (flags & MF_CHECKED) != 0);
            updatingMenu = false;
        }
        gtk_widget_set_sensitive(item.widget, !(flags & (MF_GRAYED | MF_DISABLED)));
    }
}

std::vector<GtkDisplay::ShownMenuItem> GtkDisplay::shownMenu(HWND topLevel)
{
    std::vector<ShownMenuItem> shown;
    auto found = state->views.find(topLevel);
    if (found == state->views.end() || !found->second.menuBar)
        return shown;
    std::function<void(GtkWidget*, int)> walk = [&](GtkWidget* shell, int depth) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(shell));
        for (GList* at = children; at; at = at->next) {
            GtkWidget* widget = GTK_WIDGET(at->data);
            ShownMenuItem item{depth, "", GTK_IS_SEPARATOR_MENU_ITEM(widget) != 0,
                               GTK_IS_CHECK_MENU_ITEM(widget) != 0, false};
            if (item.check)
                item.active = gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(widget));
            if (!item.separator) {
                const gchar* label = gtk_menu_item_get_label(GTK_MENU_ITEM(widget));
                item.label = label ? label : "";
            }
            shown.push_back(item);
            if (GtkWidget* sub = gtk_menu_item_get_submenu(GTK_MENU_ITEM(widget)))
                walk(sub, depth + 1);
        }
        g_list_free(children);
    };
    walk(found->second.menuBar, 0);
    return shown;
}

} // namespace gtkdisplay
