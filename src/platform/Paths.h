#pragma once
#include <string>

// The folder of the running program (from /proc/self/exe), without a
// trailing separator; empty when it cannot be found.
std::string ProgramFolder();
