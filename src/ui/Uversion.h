#pragma once
// The program's version text: the version the build was made with, or
// "Unknown" without one. It is never "0.4" (see platform/Hooks.h).

#include <string>

std::string GetFileVersionString();
