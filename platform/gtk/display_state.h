// The GTK display's inner state, shared by its source files. Fields under `lock` are written by
// any thread; everything else belongs to the display thread.
#pragma once

#include <gtk/gtk.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/gtk/text_mirror.h"
#include "platform/win32.h"
#include "platform/winlayer/state_queries.h"

namespace gtkdisplay {

struct Change {
    enum Kind { Created, Shown, Moved, Title, Destroyed, Status, MenuBar, Menu, MenuItem };
    Kind kind;
    HWND window = nullptr;
    HMENU menu = nullptr;
    bool visible = false;
    UINT position = 0;
    UINT flags = 0;
};

// A message box asked for by some thread and shown by the display thread.
struct BoxRequest {
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT type = 0;
    int answer = 0;
    bool done = false;
    bool abandoned = false; // the asking thread gave up (its owner died)
    GtkWidget* dialog = nullptr;
};

// One layer window as GTK shows it.
struct View {
    HWND handle = nullptr;
    HWND parent = nullptr; // null for a top-level window
    HWND top = nullptr;    // the top-level window it belongs to
    std::string className;
    GtkWidget* outer = nullptr;     // the GtkWindow, or what sits in the parent's container
    GtkWidget* container = nullptr; // where child windows are placed (a GtkLayout), or null
    GtkWidget* box = nullptr;       // top-level: the vertical box holding menu bar and client
    GtkWidget* menuBar = nullptr;
    GtkWidget* textView = nullptr;
    GtkWidget* entry = nullptr;
    GtkWidget* button = nullptr;
    std::vector<GtkWidget*> statusLabels;
};

struct MenuItemView {
    HWND top;
    HMENU menu;
    UINT position;
    UINT id;
    GtkWidget* widget;
    bool check;
};

class GtkDisplay;

class DisplayState {
public:
    GtkDisplay* display = nullptr;
    std::thread::id displayThread;
    std::atomic<int> menuBarHeight{0};

    std::mutex lock;
    std::vector<Change> pending;
    std::map<HWND, TextMirror> mirrors;
    std::set<HWND> dirtyEdits;
    std::vector<std::shared_ptr<BoxRequest>> boxes;
    std::condition_variable boxAnswered;
    std::function<bool(UINT)> checkQuery;

    // Display thread only.
    std::map<HWND, View> views;
    std::vector<MenuItemView> menuItems;
    std::set<std::pair<HMENU, UINT>> everChecked; // (menu, id)
    bool updatingMenu = false;
    bool pumping = false;

    bool onDisplayThread() const { return std::this_thread::get_id() == displayThread; }
    // Queues a change and wakes the display thread when it is the first one waiting.
    void queue(const Change& change);
    void wake();

    // window_views.cpp
    void applyChange(const Change& change);
    void buildTopLevel(HWND window);
    void buildChild(HWND window);
    void destroyView(HWND window);
    void placeChild(View& view, const RECT& rect);
    void syncTopLevelGeometry(View& view);

    // status_bar_view.cpp
    void refreshStatus(View& view);

    // edit_view.cpp
    // A new view of an edit control: shows what the mirror holds, or `text` when the control
    // has no mirror yet.
    void showInitialText(HWND edit, const std::string& text);
    void refreshText(HWND edit);

    // menu_views.cpp
    void buildMenuBar(View& top);
    void menuItemChanged(HMENU menu, UINT position, UINT flags);
    // A check item of the layer, an item checked now or ever, or one the older query accepts.
    bool showsAsCheck(HMENU menu, const winlayer::MenuItemState& item);

    // message_dialog.cpp
    void showPendingBoxes();
    void answerBoxesOf(HWND owner);
    int runBoxHere(const std::shared_ptr<BoxRequest>& request);
};

} // namespace gtkdisplay
