#include "engine/options.h"

namespace {

constexpr std::array<OptionInfo, optionCount> table{{
    {Option::Full, "Full", true, OptionMenu::Options, "&Full Compression", false},
    {Option::Strip, "Strip", true, OptionMenu::Options, "Strip &MetaData", false},
    {Option::Copy, "Copy", true, OptionMenu::Options, "&Backup Originals", false},
    {Option::Apps, "Apps", false, OptionMenu::Extensions, "EXE / DLL", true},
    {Option::Pngs, "Pngs", true, OptionMenu::Extensions, "PNG", false},
    {Option::Tifs, "Tifs", true, OptionMenu::Extensions, "TIFF / TIF", false},
    {Option::Jpgs, "Jpgs", true, OptionMenu::Extensions, "JPEG / JPG", false},
    {Option::Gifs, "Gifs", true, OptionMenu::Extensions, "GIF", false},
    {Option::Pdfs, "Pdfs", true, OptionMenu::Extensions, "PDF", true},
    {Option::HogSystem, "HogSystem", false, OptionMenu::Options, "Simultanious &Compressions",
     false},
    // Later than the others, so a settings file written before it existed loads unchanged.
    {Option::KeepDates, "KeepDates", false, OptionMenu::Options, "Keep File &Dates", false},
}};

constexpr bool tableFollowsTheEnum()
{
    for (std::size_t i = 0; i < table.size(); ++i)
        if (static_cast<std::size_t>(table[i].option) != i)
            return false;
    return true;
}
static_assert(tableFollowsTheEnum(), "the table is indexed by Option");

const OptionInfo& infoOf(Option option)
{
    return table[static_cast<std::size_t>(option)];
}

} // namespace

const std::array<OptionInfo, optionCount>& optionTable()
{
    return table;
}

const std::array<OptionInfo, optionCount>& optionsInMenuOrder()
{
    static const std::array<OptionInfo, optionCount> ordered{
        infoOf(Option::Full),      infoOf(Option::Strip),     infoOf(Option::Copy),
        infoOf(Option::HogSystem), infoOf(Option::KeepDates), infoOf(Option::Pngs),
        infoOf(Option::Tifs),      infoOf(Option::Jpgs),      infoOf(Option::Gifs),
        infoOf(Option::Pdfs),      infoOf(Option::Apps),
    };
    return ordered;
}

void OptionFlags::resetToDefaults()
{
    for (const OptionInfo& info : table)
        (*this)[info.option] = info.defaultOn;
}
