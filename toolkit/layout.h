// liveLayout: re-places chosen children of a window each time its client size changes.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/binding.h"

class liveWindow;

enum liveLayoutMode : std::int32_t {
    layoutFill = 0,
    layoutFillHeight = 1,
    layoutFillWidth = 2,
    layoutSelfSized = 3,
};

struct liveLayoutItem {
    liveWindow* child;
    std::int32_t mode;
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

class liveLayout {
public:
    std::vector<liveLayoutItem> items;
    liveSizeHandler userSizeHandler = nullptr;
    liveWindow* owner = nullptr;
};

// The size handler of a window with a layout: places every item for a client area of
// width x height, then returns the chained user handler's result (0 without one).
int applyLayout(liveWindow* window, int width, int height);
