// Creating and destroying windows.
#pragma once

#include <memory>

namespace winlayer {

struct Window;

// The last step of destruction, without any message: the handle becomes stale, the window's
// queued messages are dropped, waiting senders released, its menu bar destroyed.
void finalizeWindow(const std::shared_ptr<Window>& window);

} // namespace winlayer
