// Message boxes: always shown by the display thread; a box asked for on another thread waits
// there until the user has closed it.
#include "platform/gtk/display_state.h"
#include "platform/gtk/display_text.h"
#include "platform/gtk/gtk_display.h"
#include "platform/winlayer/waits.h"
#include "platform/winlayer/state_queries.h"

#include <chrono>

namespace gtkdisplay {
namespace {

// The display thread's naps while its own box is open, and how often a thread waiting for a box
// looks whether the box's owner still lives.
constexpr DWORD kBoxNapMilliseconds = 10;
constexpr std::chrono::milliseconds kOwnerCheckInterval{100};

struct ButtonSpec {
    const char* label;
    int answer;
};

std::vector<ButtonSpec> buttonsFor(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {{"_OK", IDOK}, {"_Cancel", IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
        return {{"_Abort", IDABORT}, {"_Retry", IDRETRY}, {"_Ignore", IDIGNORE}};
    case MB_YESNOCANCEL:
        return {{"_Yes", IDYES}, {"_No", IDNO}, {"_Cancel", IDCANCEL}};
    case MB_YESNO:
        return {{"_Yes", IDYES}, {"_No", IDNO}};
    case MB_RETRYCANCEL:
        return {{"_Retry", IDRETRY}, {"_Cancel", IDCANCEL}};
    default:
        return {{"_OK", IDOK}};
    }
}

// The answer when the box is closed without a button: Cancel where there is one, else the
// safe choice.
int closedAnswer(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
        return IDCANCEL;
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    case MB_YESNO:
        return IDNO;
    default:
        return IDOK;
    }
}

GtkMessageType messageType(UINT type)
{
    switch (type & 0xF0) {
    case MB_ICONHAND:
        return GTK_MESSAGE_ERROR;
    case MB_ICONQUESTION:
        return GTK_MESSAGE_QUESTION;
    case MB_ICONEXCLAMATION:
        return GTK_MESSAGE_WARNING;
    case MB_ICONASTERISK:
        return GTK_MESSAGE_INFO;
    default:
        return GTK_MESSAGE_OTHER;
    }
}

struct Pending {
    DisplayState* state;
    std::shared_ptr<BoxRequest> request;
};

void onResponse(GtkDialog* dialog, gint response, gpointer data)
{
    auto* pending = static_cast<Pending*>(data);
    BoxRequest& request = *pending->request;
    {
        std::lock_guard guard(pending->state->lock);
        request.answer = response > 0 ? response : closedAnswer(request.type);
        request.done = true;
        request.dialog = nullptr;
        auto& boxes = pending->state->boxes;
        std::erase(boxes, pending->request);
    }
    pending->state->boxAnswered.notify_all();
    gtk_widget_destroy(GTK_WIDGET(dialog));
}

void freePending(gpointer data, GClosure*)
{
    delete static_cast<Pending*>(data);
}

GtkWidget* makeDialog(DisplayState& state, const std::shared_ptr<BoxRequest>& request)
{
    GtkWindow* parent = nullptr;
    std::optional<winlayer::WindowState> owner =
        request->owner ? winlayer::windowState(request->owner) : std::nullopt;
    if (owner) {
        HWND top = request->owner;
        if (auto found = state.views.find(top); found != state.views.end())
            top = found->second.top;
        if (auto found = state.views.find(top); found != state.views.end() && !found->second.parent)
            parent = GTK_WINDOW(found->second.outer);
    }
    GtkWidget* dialog = gtk_message_dialog_new(
        parent, parent ? GTK_DIALOG_DESTROY_WITH_PARENT : GtkDialogFlags(0),
        messageType(request->type), GTK_BUTTONS_NONE, "%s", toDisplayText(request->text).c_str());
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_title(GTK_WINDOW(dialog), toDisplayText(request->caption).c_str());
    for (const ButtonSpec& button : buttonsFor(request->type))
        gtk_dialog_add_button(GTK_DIALOG(dialog), button.label, button.answer);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), buttonsFor(request->type).front().answer);
    g_signal_connect_data(dialog, "response", G_CALLBACK(onResponse), new Pending{&state, request},
                          freePending, GConnectFlags(0));
    return dialog;
}

} // namespace

void DisplayState::showPendingBoxes()
{
    std::vector<std::shared_ptr<BoxRequest>> fresh;
    {
        std::lock_guard guard(lock);
        for (auto& request : boxes)
            if (!request->dialog && !request->done && !request->abandoned)
                fresh.push_back(request);
    }
    for (auto& request : fresh) {
        if (request->owner && !IsWindow(request->owner)) {
            answerBoxesOf(request->owner);
            continue;
        }
        GtkWidget* dialog = makeDialog(*this, request);
        {
            std::lock_guard guard(lock);
            request->dialog = dialog;
        }
        gtk_widget_show_all(dialog);
        gtk_window_present(GTK_WINDOW(dialog));
    }
}

void DisplayState::answerBoxesOf(HWND owner)
{
    std::vector<GtkWidget*> dialogs;
    {
        std::lock_guard guard(lock);
        for (auto& request : boxes)
            if (request->owner == owner && !request->done) {
                request->answer = closedAnswer(request->type);
                request->done = true;
                if (request->dialog)
                    dialogs.push_back(request->dialog);
                request->dialog = nullptr;
            }
        std::erase_if(boxes,
                      [](const std::shared_ptr<BoxRequest>& request) { return request->done; });
    }
    boxAnswered.notify_all();
    for (GtkWidget* dialog : dialogs)
        gtk_widget_destroy(dialog);
}

int DisplayState::runBoxHere(const std::shared_ptr<BoxRequest>& request)
{
    showPendingBoxes();
    // The display thread keeps serving GTK and the messages other threads send it meanwhile.
    winlayer::waitServingSentMessages([&](DWORD milliseconds) {
        display->flush();
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        {
            std::lock_guard guard(lock);
            if (request->done)
                return true;
        }
        g_usleep(static_cast<gulong>(std::min<DWORD>(milliseconds, kBoxNapMilliseconds)) * 1000);
        return false;
    });
    return request->answer;
}

int GtkDisplay::messageBox(HWND owner, const std::string& text, const std::string& caption,
                           UINT type)
{
    auto request = std::make_shared<BoxRequest>();
    request->owner = owner;
    request->text = text;
    request->caption = caption;
    request->type = type;
    {
        std::lock_guard guard(state->lock);
        state->boxes.push_back(request);
    }
    if (state->onDisplayThread())
        return state->runBoxHere(request);

    state->wake();
    std::unique_lock guard(state->lock);
    // Looks at the owner now and then: a box whose owner died, while the display thread no
    // longer serves GTK, must not keep this thread waiting forever.
    while (!request->done) {
        if (state->boxAnswered.wait_for(guard, kOwnerCheckInterval) == std::cv_status::timeout &&
            !request->done && owner) {
            guard.unlock();
            bool alive = IsWindow(owner);
            guard.lock();
            if (!alive && !request->done) {
                request->abandoned = true;
                request->answer = closedAnswer(type);
                request->done = true;
                // The dialog, if any, is taken down by the display thread with its owner.
            }
        }
    }
    return request->answer;
}

std::vector<std::pair<std::string, std::string>> GtkDisplay::openMessageBoxes()
{
    std::vector<std::pair<std::string, std::string>> open;
    std::lock_guard guard(state->lock);
    for (auto& request : state->boxes)
        if (request->dialog && !request->done)
            open.emplace_back(request->caption, request->text);
    return open;
}

} // namespace gtkdisplay
