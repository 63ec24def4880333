// Handles with generation numbers: a handle names one slot and the generation it was issued in,
// so a stale handle (its object removed, the slot perhaps reused) is recognised without ever
// touching freed memory. Like Win32's own, handles fit in 31 bits, so code that passes one
// through a 32-bit value keeps working: generation (15 bits), table tag (2), slot (14).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace winlayer {

// The tags of the layer's tables.
enum HandleTag : unsigned { kWindowHandles = 1, kMenuHandles = 2, kDropHandles = 3 };

template <typename T> class HandleTable {
public:
    // tag (1 to 3) keeps the handles of different tables apart (a menu is never a window).
    explicit HandleTable(unsigned tag) : tag_(tag & 3) {}

    // Stores the object and returns its new handle value; 0 when the table is full.
    std::uintptr_t add(std::shared_ptr<T> object)
    {
        std::lock_guard lock(mutex_);
        std::uint32_t index;
        if (!free_.empty()) {
            index = free_.front();
            free_.pop_front();
        } else if (slots_.size() < kMaxSlots) {
            index = static_cast<std::uint32_t>(slots_.size());
            slots_.push_back({});
        } else {
            return 0;
        }
        slots_[index].object = std::move(object);
        return encode(index, slots_[index].generation);
    }

    // The object behind a handle, or null when the handle is not (or no longer) valid.
    std::shared_ptr<T> find(std::uintptr_t handle) const
    {
        std::lock_guard lock(mutex_);
        const Slot* slot = slotOf(handle);
        return slot ? slot->object : nullptr;
    }

    // Invalidates the handle; returns the object it named (null if it was not valid).
    std::shared_ptr<T> remove(std::uintptr_t handle)
    {
        std::lock_guard lock(mutex_);
        Slot* slot = const_cast<Slot*>(slotOf(handle));
        if (!slot)
            return nullptr;
        std::shared_ptr<T> object = std::move(slot->object);
        slot->object.reset();
        slot->generation = slot->generation == kGenerationMask ? 1 : slot->generation + 1;
        free_.push_back(indexOf(handle));
        return object;
    }

    std::vector<std::shared_ptr<T>> all() const
    {
        std::lock_guard lock(mutex_);
        std::vector<std::shared_ptr<T>> objects;
        for (const Slot& slot : slots_)
            if (slot.object)
                objects.push_back(slot.object);
        return objects;
    }

private:
    static constexpr unsigned kIndexBits = 14;
    static constexpr unsigned kTagShift = 14;
    static constexpr unsigned kGenerationShift = 16;
    static constexpr std::uintptr_t kIndexMask = (std::uintptr_t{1} << kIndexBits) - 1;
    static constexpr std::uint32_t kGenerationMask = 0x7FFF;
    static constexpr std::size_t kMaxSlots = kIndexMask; // slot + 1 must fit the index bits

    struct Slot {
        std::uint32_t generation = 1;
        std::shared_ptr<T> object;
    };

    std::uintptr_t encode(std::uint32_t index, std::uint32_t generation) const
    {
        return (std::uintptr_t{generation} << kGenerationShift) |
               (std::uintptr_t{tag_} << kTagShift) | (index + 1);
    }
    static std::uint32_t indexOf(std::uintptr_t handle)
    {
        return static_cast<std::uint32_t>((handle & kIndexMask) - 1);
    }

    const Slot* slotOf(std::uintptr_t handle) const
    {
        if ((handle >> 31) != 0 || ((handle >> kTagShift) & 3) != tag_ ||
            (handle & kIndexMask) == 0)
            return nullptr;
        std::uint32_t index = indexOf(handle);
        if (index >= slots_.size())
            return nullptr;
        const Slot& slot = slots_[index];
        auto generation =
            static_cast<std::uint32_t>((handle >> kGenerationShift) & kGenerationMask);
        if (!slot.object || slot.generation != generation)
            return nullptr;
        return &slot;
    }

    unsigned tag_;
    mutable std::mutex mutex_;
    std::vector<Slot> slots_;
    std::deque<std::uint32_t> free_; // oldest first, so a slot rests long before reuse
};

} // namespace winlayer
