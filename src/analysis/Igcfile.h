#pragma once
// The IGC flight log reader. B records become fixes, E records logger
// events at the fix of the same time, the flight date comes from the H
// record DTE or from "LCMA" DTE records; the rest is skipped. A file with an
// I record (extended B records) is refused, and so is the whole file on any
// fault (a fix that is no place or no time of day, a file without a fix):
// the reader then clears the track, shows the message to the user and
// reports failure. A refusal on a line names the line's number.
//
// Only a regular file of at most 256 MiB is read, and only a log of at most
// MaxLogFixes fixes: a longer one is refused before any fix is read, with
// its count and the limit. Lines are read whole,
// whatever their length, without trailing CRs; empty lines are skipped, a
// leading UTF-8 byte order mark too, and a 0x1A byte ends the file, as DOS
// text files do.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TTrack;

// What one fix may take at most once its flight is shown: the point, an
// event at it, its row of the flight's table and its place on the map.
// bench/big_logs.cpp measures about 1040 bytes for a log in which two
// fixes of three are events; this leaves room for one in which all are.
inline constexpr std::size_t LogBytesPerFix = 1280;
// All that the fixes of one log may take: room for 1 258 291 fixes, over
// 14 days at one fix a second.
inline constexpr std::size_t LogMemoryBudget = std::size_t{1536} << 20;
inline constexpr std::size_t MaxLogFixes = LogMemoryBudget / LogBytesPerFix;
// Why a log of that many fixes is not read, with its size and the limit;
// empty when it may be.
std::string TooManyFixes(std::size_t fixes);

class TIgcFile {
public:
    TIgcFile(std::string fileName, TTrack* track);

    // Reads the file into the track; false after a failure that was shown to
    // the user (through Platform::ShowMessage), with the track left empty.
    bool Read();
    // The same over a file's bytes already in memory (Read uses it once the
    // file is loaded).
    bool ReadContents(std::string_view contents);

    // One operation per record letter, each on the current line; the
    // ignored letters do nothing. They throw TException on a fault.
    void ReadARecord() {}
    void ReadBRecord();
    void ReadCRecord() {}
    void ReadDRecord() {}
    void ReadERecord();
    void ReadFRecord() {}
    void ReadGRecord() {}
    void ReadHRecord();
    void ReadIRecord();
    void ReadJRecord() {}
    void ReadKRecord() {}
    void ReadLRecord();

    // The piece of an L record's text after its first ':' up to the next
    // ':' or the end; none when the text has no ':'.
    static std::optional<std::string_view> SplitField(std::string_view text);

    std::string FileName;
    TTrack* Track; // not owned

private:
    struct TPendingEvent {
        std::int64_t Time;
        std::uint8_t Code;
    };

    void ReadLines(std::string_view contents);
    void ReadLine();
    void ReadDate(std::string_view value);
    // Refuses the file; the details name the current line by number and
    // quote (the start of) it.
    [[noreturn]] void FailOnLine(const char* what) const;

    // E records waiting for the B record of their time, in file order.
    std::vector<TPendingEvent> FPending;
    std::string_view FLine; // the current record
    std::size_t FLineNumber = 0; // from 1
    int FDay = 0, FMonth = 0, FYear = 0;
    int FHours = 0, FMinutes = 0, FSeconds = 0;
};
