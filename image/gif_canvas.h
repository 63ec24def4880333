// The canvas a GIF's frames are drawn onto, kept as small as its colours allow: each pixel holds
// a key into the colours seen so far, one byte wide while there are at most 256 of them, two up to
// 65536, four beyond. Most GIFs use one palette, so the canvas takes one byte per pixel instead of
// four.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

// Keys of one width at a time; only the vector of the current width is filled.
class KeyPlane {
public:
    std::uint32_t get(std::size_t i) const
    {
        return bytes == 1 ? narrow[i] : bytes == 2 ? std::uint32_t{middle[i]} : wide[i];
    }
    void set(std::size_t i, std::uint32_t key)
    {
        if (bytes == 1)
            narrow[i] = static_cast<std::uint8_t>(key);
        else if (bytes == 2)
            middle[i] = static_cast<std::uint16_t>(key);
        else
            wide[i] = key;
    }
    // All keys 0 (transparent).
    void assign(std::size_t count);
    void widen(int newBytes);
    std::size_t size() const
    {
        return bytes == 1 ? narrow.size() : bytes == 2 ? middle.size() : wide.size();
    }
    // The same keys, width for width.
    bool operator==(const KeyPlane& other) const = default;
    // Calls compare(keysOfThis, keysOfOther, count) with both planes as arrays of their widths.
    template <typename Compare> bool compareWith(const KeyPlane& other, Compare compare) const
    {
        return visit([&](const auto* mine) {
            return other.visit([&](const auto* theirs) { return compare(mine, theirs, size()); });
        });
    }

private:
    template <typename Visit> bool visit(Visit with) const
    {
        return bytes == 1   ? with(narrow.data())
               : bytes == 2 ? with(middle.data())
                            : with(wide.data());
    }

    int bytes = 1;
    std::vector<std::uint8_t> narrow;
    std::vector<std::uint16_t> middle;
    std::vector<std::uint32_t> wide;
};

class GifCanvas {
public:
    // What a canvas may take, its kept rectangle and a widening included: two of them keep a
    // check under its 64 MB.
    static constexpr std::size_t budgetBytes = std::size_t{28} << 20;

    // A transparent canvas; width * height must be checked against the limits by the caller.
    void reset(std::uint32_t width, std::uint32_t height);

    // Whether the canvas would have needed more than budgetBytes: what it holds is no image then.
    bool overBudget() const { return over; }

    // The key of an RGBA colour (red in the high byte, 0 for transparent), added when new; may
    // widen the canvas.
    std::uint32_t keyOf(std::uint32_t rgba);

    void set(std::size_t pixel, std::uint32_t key) { plane.set(pixel, key); }
    std::uint32_t colour(std::size_t pixel) const { return colours[plane.get(pixel)]; }

    // Keeps a rectangle (inside the canvas) for a frame that is undone after it was shown.
    void save(std::uint32_t left, std::uint32_t top, std::uint32_t width, std::uint32_t height);
    void restoreSaved();
    // Makes a rectangle inside the canvas transparent.
    void clear(std::uint32_t left, std::uint32_t top, std::uint32_t width, std::uint32_t height);

    std::uint32_t width = 0;
    std::uint32_t height = 0;

private:
    friend bool sameCanvas(const GifCanvas& one, const GifCanvas& other);

    KeyPlane plane;
    std::vector<std::uint32_t> colours;
    std::unordered_map<std::uint32_t, std::uint32_t> keys;
    // Whether keys bytes wide for the canvas and kept rectangles of `savedCount` pixels fit, with
    // the present plane while it is copied.
    bool fits(int bytes, std::size_t savedCount);

    std::uint32_t savedLeft = 0, savedTop = 0, savedWidth = 0, savedHeight = 0;
    KeyPlane saved;
    int keyBytes = 1;
    bool over = false;
};

// Whether two canvases show the same colours everywhere.
bool sameCanvas(const GifCanvas& one, const GifCanvas& other);
