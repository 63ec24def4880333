#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "json/json_number.h"

namespace {

bool sameFloat(float a, float b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return a == b && std::signbit(a) == std::signbit(b);
}

TEST(JsonNumber, ReadsLikeAtofInTheCLocale)
{
    const std::string texts[] = {
        "12.50",
        ".5",
        "5.",
        "-.5",
        "+.5e1",
        "1e",
        "1e+",
        "0x1p-2",
        "0x",
        "0X1F",
        "0x1.8",
        "-0x",
        "0x-1",
        "inf",
        "-Infinity",
        "NAN(1)",
        " \t\n12",
        "1e-320",
        "1e-400",
        "1e400",
        "3.4028235e38",
        "3.4028236e38",
        "-3.40282357e38",
        "0.0000001e-330",
        "--1",
        "-",
        "",
        "123456789012345678901234567890",
        "1.2.3",
        "e5",
        "0e999999999999",
        "1e-99999999999999999999",
        "0." + std::string(400, '0') + "1",
        "1" + std::string(400, '0'),
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(sameFloat(numberFromText(text),
                              static_cast<float>(std::strtod(text.c_str(), nullptr))));
    }
}

TEST(JsonNumber, DecimalPointDoesNotFollowTheUserLocale)
{
    const char* commaLocales[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "fr_FR"};
    std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    const char* used = nullptr;
    for (const char* name : commaLocales) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            used = name;
            break;
        }
    }
    if (used == nullptr)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(numberFromText("1.5"), 1.5f);
    std::setlocale(LC_NUMERIC, previous.c_str());
}

} // namespace
