#pragma once
// Numbers in the fixed patterns of the tables and the championship file,
// independent of the locale:
//
//   "0"  a digit, always written ("00" of 5 is "05")
//   "#"  a digit, written only when significant ("#" of 0 is empty)
//   "."  the decimal point, written only when a decimal digit follows it
//   any other character stands for itself.
//
// The value is rounded half away from zero to as many decimals as the pattern
// has digit places after the point. Digits that do not fit the integer places
// are written in front of them. A character between two integer digit places
// (the blank of "# ### ###") is written only once a digit has been written
// before it, so leading blanks do not appear: "# ### ###" gives "1 234" for
// 1234 and "" for 0, "# ### ##0" gives "0" for 0. Characters in front of all
// digit places and behind all of them (the "%" of "##0.0%") are always
// written. A minus sign stands before the first digit written; a value that
// rounds to zero has none. "NAN", "INF" and "-INF" stand for themselves.

#include <string>
#include <string_view>

std::string FormatNumber(std::string_view pattern, double value);
