#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "platform/NumberFormat.h"

namespace {

struct Case {
    const char* pattern;
    double value;
    const char* expected;
};

} // namespace

TEST(FormatNumber, EveryPatternOfTheProgram)
{
    const Case cases[] = {
        // Whole numbers: radius and bearing in the file.
        {"0", 200.4, "200"},
        {"0", 200.5, "201"},
        {"0", -200.5, "-201"},
        {"0", 0, "0"},
        {"0", -0.4, "0"},
        {"0", 359.7, "360"},
        // Percentages in the file: no trailing zeros, no lone point.
        {"0.##", 50, "50"},
        {"0.##", 12.5, "12.5"},
        {"0.##", 33.333333, "33.33"},
        {"0.##", 66.666666, "66.67"},
        {"0.##", 0.004, "0"},
        {"0.##", 0.005, "0.01"},
        {"0.##", 99.999, "100"},
        // Bearings and times.
        {"000", 7, "007"},
        {"000", 45.5, "046"},
        {"000", 1234, "1234"},
        {"00", 5, "05"},
        {"00", 0, "00"},
        {"00", 59, "59"},
        // Degrees in the file.
        {"0.0000000", 43.12345678, "43.1234568"},
        {"0.0000000", -0.00000004, "0.0000000"},
        {"0.0000000", -12.5, "-12.5000000"},
        {"0.0000000", 0, "0.0000000"},
        // Metres in the tables.
        {"# ### ###", 0, ""},
        {"# ### ###", 0.4, ""},
        {"# ### ###", 7, "7"},
        {"# ### ###", 1234, "1 234"},
        {"# ### ###", 123456, "123 456"},
        {"# ### ###", 1234567, "1 234 567"},
        {"# ### ###", 12345678, "12 345 678"},
        {"# ### ###", 5123456.5, "5 123 457"},
        {"# ### ###", -1234, "-1 234"},
        {"# ### ##0", 0, "0"},
        {"# ### ##0", 0.4, "0"},
        {"# ### ##0", 42, "42"},
        {"# ### ##0", 1000, "1 000"},
        {"### ##0", 0, "0"},
        {"### ##0", 999999, "999 999"},
        {"### ##0", 1000000, "1000 000"},
        // Event values.
        {"##0.0%", 0, "0.0%"},
        {"##0.0%", 12.345, "12.3%"},
        {"##0.0%", 12.35, "12.4%"},
        {"##0.0%", 100, "100.0%"},
        {"000.0", 5.25, "005.3"},
        {"000.0", 359.94, "359.9"},
        {"##0.00", 0.5, "0.50"},
        {"##0.00", -0.001, "0.00"},
        {"##0.00", 2.675, "2.68"},
        {"##0.00", 1234.5, "1234.50"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatNumber(c.pattern, c.value), c.expected) << c.pattern << " of " << c.value;
}

TEST(FormatNumber, LiteralsAroundTheDigitsAndNonFiniteValues)
{
    EXPECT_EQ(FormatNumber("#%", 0), "%");
    EXPECT_EQ(FormatNumber("x0", -3), "x-3");
    EXPECT_EQ(FormatNumber("#.##", 0.5), ".5");
    EXPECT_EQ(FormatNumber("#.##", -0.5), "-.5");
    EXPECT_EQ(FormatNumber("#.##", 0), "");
    EXPECT_EQ(FormatNumber("0", std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FormatNumber("# ### ###", -HUGE_VAL), "-INF");
}

TEST(FormatNumber, IgnoresTheLocale)
{
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no comma locale installed";
    EXPECT_EQ(FormatNumber("0.##", 12.5), "12.5");
    EXPECT_EQ(FormatNumber("0.0000000", 1.25), "1.2500000");
    std::setlocale(LC_NUMERIC, saved.c_str());
}
