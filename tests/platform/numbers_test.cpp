#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "platform/Numbers.h"

TEST(Numbers, ParseAcceptsOnlyWholeNumbers)
{
    double v = 7;
    EXPECT_TRUE(ParseDouble(" 12.5\r\n", v));
    EXPECT_EQ(v, 12.5);
    EXPECT_TRUE(ParseDouble("+3", v));
    EXPECT_EQ(v, 3);
    EXPECT_TRUE(ParseDouble("-1e3", v));
    EXPECT_EQ(v, -1000);
    v = 7;
    for (const char* bad : {"", "  ", "12,5", "1.2.3", "abc", "+-1", "1 2"}) {
        EXPECT_FALSE(ParseDouble(bad, v)) << bad;
        EXPECT_EQ(v, 7) << bad;
    }
    long long i = 0;
    EXPECT_TRUE(ParseInt(" 42 ", i));
    EXPECT_EQ(i, 42);
    EXPECT_FALSE(ParseInt("4.2", i));
}

TEST(Numbers, ScanDoublesReadsLikeScanfAndKeepsMissingValues)
{
    double d[3] = {9, 9, 9};
    EXPECT_EQ(ScanDoubles("  -87 -98\t-121 trailing", d, 3), 3u);
    EXPECT_EQ(d[0], -87);
    EXPECT_EQ(d[2], -121);
    double e[3] = {9, 9, 9};
    EXPECT_EQ(ScanDoubles("1.5 x 3", e, 3), 1u);
    EXPECT_EQ(e[0], 1.5);
    EXPECT_EQ(e[1], 9);
    EXPECT_EQ(ScanDoubles("6378137 298.257223563", e, 2), 2u);
    EXPECT_EQ(e[1], 298.257223563);
}

TEST(Numbers, FixedRoundsHalfAwayFromZeroOnTheDecimalText)
{
    EXPECT_EQ(FormatFixed(0.125, 2), "0.13");
    EXPECT_EQ(FormatFixed(-0.125, 2), "-0.13");
    EXPECT_EQ(FormatFixed(2.675, 2), "2.68");  // binary value is just below .675
    EXPECT_EQ(FormatFixed(47.12345675, 7), "47.1234568");
    EXPECT_EQ(FormatFixed(-0.00000001, 7), "0.0000000");
    EXPECT_EQ(FormatFixed(9.9999999, 6), "10.000000");
    EXPECT_EQ(FormatFixed(12, 0), "12");
    EXPECT_EQ(FormatFixed(1e21, 1), "1000000000000000000000.0");
}

// A desktop with a comma decimal separator must not change what we read or
// write. The locale is generated here; the test is skipped where that fails.
TEST(Numbers, CommaLocaleDoesNotChangeTheRoundTrip)
{
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"};
    const char* chosen = nullptr;
    for (const char* n : names)
        if (std::setlocale(LC_ALL, n)) { chosen = n; break; }
    if (!chosen) {
        // Try to make one (needs the locales package and write access).
        if (std::system("localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1") == 0)
            chosen = std::setlocale(LC_ALL, "de_DE.UTF-8") ? "de_DE.UTF-8" : nullptr;
    }
    if (!chosen) GTEST_SKIP() << "no comma-decimal locale available";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    std::string text = FormatFixed(47.1234567, 7);
    double back = 0;
    EXPECT_EQ(text, "47.1234567");
    EXPECT_TRUE(ParseDouble(text, back));
    EXPECT_EQ(back, 47.1234567);
    EXPECT_FALSE(ParseDouble("47,5", back));
    std::setlocale(LC_ALL, "C");
}
