#pragma once
// Packing one file into a zip archive (the ".kmz" form of a KML document)
// with minizip over zlib.

#include <cstdint>
#include <string>

// minizip's code for a buffer that could not be obtained.
inline constexpr int ZipNoBuffer = -104;

// Packs `source` into a new archive `archive` (an existing file of that name
// is replaced) as one deflated entry named after the source's file name
// without folder, dated with the source's last-write local time. 0 on
// success; otherwise the first failing minizip code (negative), -104 when
// the copy buffer cannot be had. A failure after the archive was created
// leaves a damaged archive behind for the caller to delete.
int ZipOneFile(const std::string& source, const std::string& archive);

// The file's last-write time as local DOS date and time. False, with the
// outputs untouched, when the file is not found or its time cannot be told
// in DOS form (before 1980 or after 2107).
bool FileDosTime(const std::string& fileName, std::uint16_t& dosDate, std::uint16_t& dosTime);

// Deletes a file; never a folder. False when nothing was deleted.
bool DeleteOneFile(const std::string& fileName);
