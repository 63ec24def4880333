#include "image/gif_canvas.h"

void KeyPlane::assign(std::size_t count)
{
    bytes = 1;
    middle = {};
    wide = {};
    narrow.assign(count, 0);
}

void KeyPlane::widen(int newBytes)
{
    if (newBytes <= bytes)
        return;
    const std::size_t count = size();
    if (newBytes == 2) {
        middle.assign(narrow.begin(), narrow.end());
    } else {
        wide.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            wide[i] = get(i);
    }
    narrow = {};
    if (newBytes == 4)
        middle = {};
    bytes = newBytes;
}

bool GifCanvas::fits(int bytes, std::size_t savedCount)
{
    const std::size_t pixels = std::size_t{width} * height;
    const std::size_t copying = bytes > keyBytes ? pixels * static_cast<std::size_t>(keyBytes) : 0;
    if ((pixels + savedCount) * static_cast<std::size_t>(bytes) + copying <= budgetBytes)
        return true;
    over = true;
    return false;
}

void GifCanvas::reset(std::uint32_t canvasWidth, std::uint32_t canvasHeight)
{
    width = canvasWidth;
    height = canvasHeight;
    keyBytes = 1;
    over = false;
    plane.assign(fits(1, 0) ? std::size_t{width} * height : 0);
    saved.assign(0);
    colours.assign(1, 0);
    keys.clear();
    keys.emplace(0, 0);
}

std::uint32_t GifCanvas::keyOf(std::uint32_t rgba)
{
    const auto [entry, added] = keys.emplace(rgba, static_cast<std::uint32_t>(colours.size()));
    if (added) {
        colours.push_back(rgba);
        const int bytes = colours.size() > 65536 ? 4 : colours.size() > 256 ? 2 : 1;
        if (over || !fits(bytes, saved.size()))
            return entry->second;
        plane.widen(bytes);
        saved.widen(bytes);
        keyBytes = bytes;
    }
    return entry->second;
}

void GifCanvas::save(std::uint32_t left, std::uint32_t top, std::uint32_t rectWidth,
                     std::uint32_t rectHeight)
{
    const int bytes = colours.size() > 65536 ? 4 : colours.size() > 256 ? 2 : 1;
    if (over || !fits(bytes, std::size_t{rectWidth} * rectHeight))
        return;
    savedLeft = left;
    savedTop = top;
    savedWidth = rectWidth;
    savedHeight = rectHeight;
    saved.assign(std::size_t{rectWidth} * rectHeight);
    saved.widen(bytes);
    for (std::uint32_t y = 0; y < rectHeight; ++y) {
        for (std::uint32_t x = 0; x < rectWidth; ++x)
            saved.set(std::size_t{y} * rectWidth + x,
                      plane.get(std::size_t{top + y} * width + left + x));
    }
}

void GifCanvas::restoreSaved()
{
    for (std::uint32_t y = 0; y < savedHeight; ++y) {
        for (std::uint32_t x = 0; x < savedWidth; ++x)
            plane.set(std::size_t{savedTop + y} * width + savedLeft + x,
                      saved.get(std::size_t{y} * savedWidth + x));
    }
    saved.assign(0);
    savedWidth = savedHeight = 0;
}

void GifCanvas::clear(std::uint32_t left, std::uint32_t top, std::uint32_t rectWidth,
                      std::uint32_t rectHeight)
{
    for (std::uint32_t y = top; y < top + rectHeight; ++y) {
        for (std::uint32_t x = left; x < left + rectWidth; ++x)
            plane.set(std::size_t{y} * width + x, 0);
    }
}

bool sameCanvas(const GifCanvas& one, const GifCanvas& other)
{
    if (one.width != other.width || one.height != other.height)
        return false;
    // Keys stand for distinct colours, so with the same colours met in the same order (the
    // usual case: one palette, kept as it was) the same keys are the same picture.
    if (one.colours == other.colours)
        return one.plane == other.plane;
    return one.plane.compareWith(other.plane,
                                 [&](const auto* mine, const auto* theirs, std::size_t count) {
                                     for (std::size_t i = 0; i < count; ++i)
                                         if (one.colours[mine[i]] != other.colours[theirs[i]])
                                             return false;
                                     return true;
                                 });
}
