#include "engine/options.h"

#include <algorithm>

namespace {

constexpr bool tableFollowsTheEnum()
{
    for (std::size_t i = 0; i < optionCount; ++i)
        if (static_cast<std::size_t>(optionRows[i].option) != i)
            return false;
    return true;
}
static_assert(tableFollowsTheEnum(), "the table is indexed by Option");

constexpr bool menuPositionsAreAPermutation()
{
    for (std::size_t position = 0; position < optionCount; ++position)
        if (std::count_if(std::begin(optionRows), std::end(optionRows),
                          [position](const OptionInfo& row) {
                              return row.menuPosition == static_cast<int>(position);
                          }) != 1)
            return false;
    return true;
}
static_assert(menuPositionsAreAPermutation(), "each menu position is taken once");

} // namespace

const std::array<OptionInfo, optionCount>& optionTable()
{
    static const std::array<OptionInfo, optionCount> table = [] {
        std::array<OptionInfo, optionCount> rows{};
        std::copy(std::begin(optionRows), std::end(optionRows), rows.begin());
        return rows;
    }();
    return table;
}

const std::array<OptionInfo, optionCount>& optionsInMenuOrder()
{
    static const std::array<OptionInfo, optionCount> ordered = [] {
        std::array<OptionInfo, optionCount> rows = optionTable();
        std::sort(rows.begin(), rows.end(), [](const OptionInfo& a, const OptionInfo& b) {
            return a.menuPosition < b.menuPosition;
        });
        return rows;
    }();
    return ordered;
}

OptionValues::OptionValues()
{
    for (const OptionInfo& info : optionRows)
        (*this)[info.option] = info.defaultOn;
}

void OptionFlags::assign(const OptionValues& values)
{
    for (const OptionInfo& info : optionRows)
        (*this)[info.option] = values[info.option];
}

OptionValues OptionFlags::snapshot() const
{
    OptionValues values;
    for (const OptionInfo& info : optionRows)
        values[info.option] = (*this)[info.option];
    return values;
}
