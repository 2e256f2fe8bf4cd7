#include <gtest/gtest.h>

#include <iconv.h>

#include <string>

#include "xml/Cp1252.h"

TEST(Cp1252, AgreesWithTheSystemConverterOnEveryDefinedByte)
{
    iconv_t cd = iconv_open("UTF-8", "CP1252");
    if (cd == reinterpret_cast<iconv_t>(-1))
        GTEST_SKIP() << "iconv has no CP1252";
    for (int b = 1; b < 256; ++b) {
        char in[1] = {static_cast<char>(b)};
        char out[8];
        char* ip = in;
        char* op = out;
        std::size_t il = 1, ol = sizeof out;
        if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1))
            continue;  // the five undefined bytes
        EXPECT_EQ(Cp1252ToUtf8(std::string(1, static_cast<char>(b))), std::string(out, op)) << b;
    }
    iconv_close(cd);
}

TEST(Cp1252, EveryByteSurvivesTheWayThroughUtf8)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
    for (unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(Cp1252ToUnicode(b), char32_t(b));
        EXPECT_EQ(UnicodeToCp1252(b), b);
    }
    EXPECT_EQ(UnicodeToCp1252(0x80), -1);
    EXPECT_EQ(UnicodeToCp1252(0x4E2D), -1);
    EXPECT_EQ(UnicodeToCp1252(0x20AC), 0x80);
}

// A malformed or overlong sequence gives one replacement per bad byte and
// never takes the ASCII byte behind it.
TEST(Cp1252, ReadsMalformedUtf8ByteByByte)
{
    EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a\xBF");                // cut short by the end
    EXPECT_EQ(Utf8ToCp1252("\xE2\x82"), "\xBF\xBF");          // cut short: each byte
    EXPECT_EQ(Utf8ToCp1252("\x80x\xFFy"), "\xBFx\xBFy");      // stray continuation, FF
    EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80x"), "\xBFx");    // four bytes, no such character
    EXPECT_EQ(Utf8ToCp1252("\xF8\x88\x80\x80\x80x"), "\xBF\xBF\xBF\xBF\xBFx");
    EXPECT_EQ(Utf8ToCp1252("\xC3<"), "\xBF<");                // the ASCII byte is kept
    EXPECT_EQ(Utf8ToCp1252("\xE2\x82<"), "\xBF\xBF<");
    EXPECT_EQ(Utf8ToCp1252("\xC0\xBC"), "\xBF\xBF");          // overlong "<"
    EXPECT_EQ(Utf8ToCp1252(std::string("\xC0\x80", 2)), "\xBF\xBF");
    EXPECT_EQ(Utf8ToCp1252("\xE0\x81\xBC"), "\xBF\xBF\xBF");  // overlong in three bytes
    EXPECT_EQ(Utf8ToCp1252("\xF0\x80\x80\xBC"), "\xBF\xBF\xBF\xBF");
    EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "\xBF\xBF\xBF");  // a surrogate
    EXPECT_EQ(Utf8ToCp1252("\xC3\xA9\xE2\x82\xAC"), "\xE9\x80");
    EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD", '?'), "?");
}
