#pragma once
// Locale-free number reading and writing for the core. Never use the C
// library's locale-dependent functions (atof, strtod, printf("%f"), sscanf)
// on file text: a desktop with a comma decimal separator would change files.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The whole text (blanks, TABs, CR and LF around it allowed) is one decimal
// number with "." as separator; a leading "+" is accepted. False otherwise,
// and then `out` is unchanged.
bool ParseDouble(std::string_view text, double& out);
bool ParseInt(std::string_view text, long long& out);

// Like sscanf with "%lf" repeated `count` times: skips leading whitespace
// before each value and reads the longest number prefix there. Stops at the
// first value that does not read; values not read stay as they were.
// Returns how many values were read.
std::size_t ScanDoubles(std::string_view text, double* out, std::size_t count);

// Fixed notation with exactly `decimals` digits after ".", rounded half away
// from zero on the decimal value; "-0.000" is written "0.000".
std::string FormatFixed(double value, int decimals);

// Shortest text that reads back to the same double ("." separator).
std::string FormatShortest(double value);
