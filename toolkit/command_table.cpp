#include "toolkit/command_table.h"

#include <memory>
#include <mutex>
#include <vector>

#include "util/thread.h"

namespace {

struct Entry {
    liveCallback callback;
    liveDispatcher dispatcher;
    std::unique_ptr<liveMenuItem> record;
};

// Filled on the interface thread while the command thread reads it, hence the lock.
struct CommandTable {
    std::mutex lock;
    std::vector<Entry> entries;
    std::uint32_t next = firstCommandId;
    std::uint32_t radioGroupStart = 0;
};

CommandTable& table()
{
    static CommandTable instance;
    return instance;
}

struct EntryView {
    liveCallback callback = nullptr;
    liveDispatcher dispatcher = nullptr;
    liveMenuItem* record = nullptr;
};

bool entryAt(std::uint32_t index, EntryView& view)
{
    CommandTable& commands = table();
    std::lock_guard<std::mutex> guard(commands.lock);
    if (index >= commands.entries.size())
        return false;
    const Entry& entry = commands.entries[index];
    view = EntryView{entry.callback, entry.dispatcher, entry.record.get()};
    return true;
}

} // namespace

std::uint32_t registerCommand(liveCallback callback, liveDispatcher dispatcher,
                              liveMenuItem* record)
{
    CommandTable& commands = table();
    std::lock_guard<std::mutex> guard(commands.lock);
    commands.entries.push_back(Entry{callback, dispatcher, std::unique_ptr<liveMenuItem>(record)});
    return commands.next++;
}

std::uint32_t nextCommandId()
{
    CommandTable& commands = table();
    std::lock_guard<std::mutex> guard(commands.lock);
    return commands.next;
}

void setCommandCallback(std::uint32_t identifier, liveCallback callback)
{
    CommandTable& commands = table();
    std::lock_guard<std::mutex> guard(commands.lock);
    const std::uint32_t index = identifier - firstCommandId;
    if (identifier >= firstCommandId && index < commands.entries.size())
        commands.entries[index].callback = callback;
}

void setItemCallback(liveMenuItem* item, liveCallback callback)
{
    if (item)
        setCommandCallback(item->id, callback);
}

void beginRadioGroup()
{
    CommandTable& commands = table();
    std::lock_guard<std::mutex> guard(commands.lock);
    commands.radioGroupStart = commands.next;
}

std::uint32_t radioGroupStart()
{
    CommandTable& commands = table();
    std::lock_guard<std::mutex> guard(commands.lock);
    return commands.radioGroupStart;
}

void endRadioGroup()
{
    CommandTable& commands = table();
    std::lock_guard<std::mutex> guard(commands.lock);
    for (std::uint32_t id = commands.radioGroupStart; id < commands.next; ++id) {
        const std::uint32_t index = id - firstCommandId;
        if (id >= firstCommandId && index < commands.entries.size() &&
            commands.entries[index].record)
            commands.entries[index].record->groupLast = commands.next;
    }
    commands.radioGroupStart = commands.next;
}

void runCommand(std::uint32_t identifier)
{
    if (identifier < firstCommandId)
        return;
    const std::uint32_t index = identifier - firstCommandId;
    EntryView view;
    if (entryAt(index, view) && view.dispatcher)
        view.dispatcher(index);
}

void plainDispatcher(std::uint32_t index)
{
    EntryView view;
    if (!entryAt(index, view) || !view.callback)
        return;
    if (view.record && view.record->itemThread) {
        const liveCallback callback = view.callback;
        view.record->itemThread->start([callback] { callback(); });
        return;
    }
    view.callback();
}

void checkDispatcher(std::uint32_t index)
{
    EntryView view;
    if (!entryAt(index, view) || !view.record)
        return;
    const liveMenuItem& item = *view.record;
    const UINT state = GetMenuState(item.menu, item.id, MF_BYCOMMAND);
    // Tested as a bit: a checked item that also carries another state flag is still checked.
    const bool checked = state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
    CheckMenuItem(item.menu, item.id, checked ? MF_UNCHECKED : MF_CHECKED);
    plainDispatcher(index);
}

void radioDispatcher(std::uint32_t index)
{
    EntryView view;
    if (!entryAt(index, view) || !view.record)
        return;
    const liveMenuItem& item = *view.record;
    // groupLast lies one beyond the group; the item there belongs to someone else and keeps its
    // mark.
    const std::uint32_t last = item.groupLast > item.groupFirst ? item.groupLast - 1 : item.id;
    CheckMenuRadioItem(item.menu, item.groupFirst, last, item.id, MF_BYCOMMAND);
    plainDispatcher(index);
}

void buttonDispatcher(std::uint32_t index)
{
    EntryView view;
    if (entryAt(index, view) && view.callback)
        view.callback();
}
