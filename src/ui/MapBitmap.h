#pragma once
// Reading a map bitmap without ever blocking, running out of memory or
// showing half a map: only a regular file is read; the size its header
// claims is checked against the memory left to maps before anything is
// decoded, and so is a BMP of more pixels than Qt reads at all (16384 x
// 16384); a BMP must hold the pixel data its header promises and a JPEG
// must reach its end marker (Qt decodes both happily when they stop early,
// filling the rest with black or grey); any decoder failure refuses too.

#include <QImage>
#include <cstdint>
#include <string>

// All that maps may take at once: the bitmap shown, the one loading with its
// file, its conversion and its pyramid, and the back buffer. Room for a
// 10 000 x 10 000 scan while another as large is still shown.
inline constexpr std::uint64_t MapMemoryBudget = std::uint64_t{2048} << 20;

// The bitmap of the file `path` as RGB32. `available` is what the budget has
// left once the map still shown and the back buffer are counted; the file,
// the decoded image, a conversion to RGB32 and the pyramid of half-size
// images (a third of the image) must fit in it. Throws TException "Can't load
// map bitmap" with the file's name (`shownName`) in the details, followed by
// the reason when there is more to say than that it does not read.
QImage ReadMapBitmap(const std::string& path, const std::string& shownName, std::uint64_t available);
