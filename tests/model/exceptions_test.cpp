#include <gtest/gtest.h>

#include "platform/Exceptions.h"

TEST(TException, ComposesMessageWithAllBracketsEvenWhenPartsAreEmpty)
{
    EXPECT_STREQ(TException(nullptr, nullptr, nullptr).what(), "<> in <>. Details: <>");
    EXPECT_STREQ(TException("", "Can't open XML file", "a.xch").what(),
                 "<Can't open XML file> in <>. Details: <a.xch>");
    // Angle brackets inside a part are copied unchanged, not escaped.
    TException e("w<1>", "x>y", "<d>");
    EXPECT_STREQ(e.what(), "<x>y> in <w<1>>. Details: <<d>>");
    EXPECT_EQ(e.Where(), "w<1>");
    EXPECT_EQ(e.WhatText(), "x>y");
    EXPECT_EQ(e.Details(), "<d>");
}

TEST(TException, CopyKeepsTheMessageAndCatchesAsStdException)
{
    try {
        TException original("here", "Broken", "detail");
        TException copy(original);
        EXPECT_STREQ(copy.what(), original.what());
        throw copy;
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "<Broken> in <here>. Details: <detail>");
    }
}
