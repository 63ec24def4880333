#include "platform/gtk/text_mirror.h"

#include <algorithm>
#include <string_view>

#include "platform/gtk/display_text.h"
#include "platform/winlayer/display_driver.h"

namespace gtkdisplay {

void TextMirror::apply(const winlayer::TextChange& change)
{
    std::size_t start = std::min(change.start, text.size());
    std::size_t removed = std::min(change.removed, text.size() - start);
    if (start == text.size() && removed == 0) {
        text.append(change.inserted);
        return;
    }
    text.replace(start, removed, change.inserted);
    // Anything but an append at the end changes what is shown already.
    if (start < shown)
        wholeNeeded = true;
}

TextMirror::Update TextMirror::takeUpdate()
{
    Update update;
    std::string_view all(text);
    if (wholeNeeded) {
        std::size_t upTo = completePrefixLength(all);
        update.whole = true;
        update.text = toDisplayText(all.substr(0, upTo));
        shown = upTo;
        wholeNeeded = false;
        return update;
    }
    std::string_view fresh = all.substr(shown);
    std::size_t upTo = completePrefixLength(fresh);
    update.text = toDisplayText(fresh.substr(0, upTo));
    shown += upTo;
    return update;
}

bool TextMirror::hasUpdate() const
{
    if (wholeNeeded)
        return true;
    return completePrefixLength(std::string_view(text).substr(shown)) > 0;
}

void TextMirror::showAllAgain()
{
    wholeNeeded = true;
}

} // namespace gtkdisplay
