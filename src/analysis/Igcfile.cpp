#include "analysis/Igcfile.h"

#include <cstring>

#include "analysis/Track.h"
#include "geodesy/Coord.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Hooks.h"
#include "xml/Cp1252.h"

namespace {

const char* const Where = "Read IGC File";

// Far beyond any real flight (a day at one fix a second is under 4 MB).
constexpr std::size_t MaxLogSize = std::size_t{256} << 20;

[[noreturn]] void Fail(const char* what, std::string_view details)
{
    throw TException(std::string(Where), std::string(what), std::string(details));
}

// The fixes of a log: its lines that begin with "B".
std::size_t CountFixes(std::string_view contents)
{
    std::size_t fixes = contents.substr(0, 1) == "B" ? 1 : 0;
    const char* p = contents.data();
    const char* const end = p + contents.size();
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) && ++p < end)
        fixes += *p == 'B';
    return fixes;
}

std::string MiB(std::size_t bytes)
{
    return std::to_string((bytes + (std::size_t{1} << 20) - 1) >> 20) + " MiB";
}

// Whether the fields of a fix can be a place and a time of day; 24:00:00
// is the next day's midnight.
bool FixInRange(int hours, int minutes, int seconds, int latDegrees, int latThousandths, int lonDegrees,
                int lonThousandths)
{
    const bool time = hours >= 0 && minutes >= 0 && minutes <= 59 && seconds >= 0 && seconds <= 59 &&
                      (hours <= 23 || (hours == 24 && minutes == 0 && seconds == 0));
    auto angle = [](int degrees, int thousandths, int limit) {
        return degrees >= 0 && thousandths >= 0 && thousandths < 60000 &&
               (degrees < limit || (degrees == limit && thousandths == 0));
    };
    return time && angle(latDegrees, latThousandths, 90) && angle(lonDegrees, lonThousandths, 180);
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads fields the way the C library's scanf reads "%c" and "%Nd": a
// character is taken as it is; a number skips white space, then takes an
// optional sign and digits, at most N characters. After the first field
// that does not read, nothing more is read. Count() is scanf's result.
class TFieldScanner {
public:
    explicit TFieldScanner(std::string_view text) : FText(text) {}

    TFieldScanner& Char(char& c)
    {
        if (FFailed) return *this;
        if (FPos >= FText.size()) {
            FFailed = true;
            return *this;
        }
        c = FText[FPos++];
        ++FCount;
        return *this;
    }

    TFieldScanner& Int(int width, int& value)
    {
        if (FFailed) return *this;
        while (FPos < FText.size() && IsSpace(FText[FPos])) ++FPos;
        std::size_t p = FPos;
        const std::size_t end = std::min(FText.size(), FPos + static_cast<std::size_t>(width));
        bool negative = false;
        if (p < end && (FText[p] == '+' || FText[p] == '-')) {
            negative = FText[p] == '-';
            ++p;
        }
        if (p >= end || !IsDigit(FText[p])) {
            FFailed = true;
            return *this;
        }
        int v = 0;
        while (p < end && IsDigit(FText[p])) v = v * 10 + (FText[p++] - '0');
        value = negative ? -v : v;
        FPos = p;
        ++FCount;
        return *this;
    }

    int Count() const { return FCount; }

private:
    std::string_view FText;
    std::size_t FPos = 0;
    int FCount = 0;
    bool FFailed = false;
};

// The leading integer of a text as atoi reads it (0 when there is none).
long LeadingInteger(std::string_view text)
{
    std::size_t p = 0;
    while (p < text.size() && IsSpace(text[p])) ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
    long v = 0;
    while (p < text.size() && IsDigit(text[p]) && v < 100000000) v = v * 10 + (text[p++] - '0');
    return negative ? -v : v;
}

} // namespace

std::string TooManyFixes(std::size_t fixes)
{
    if (fixes <= MaxLogFixes) return {};
    return std::to_string(fixes) + " fixes need " + MiB(fixes * LogBytesPerFix) + " of memory; a log may take " +
           MiB(LogMemoryBudget) + " (" + std::to_string(MaxLogFixes) + " fixes)";
}

TIgcFile::TIgcFile(std::string fileName, TTrack* track) : FileName(std::move(fileName)), Track(track) {}

void TIgcFile::FailOnLine(const char* what) const
{
    Fail(what, "line " + std::to_string(FLineNumber) + ": " + Excerpt(FLine));
}

bool TIgcFile::Read()
{
    // Only a regular file: a FIFO would block for ever, a link to a device
    // would be read without end.
    std::string contents;
    if (!ReadRegularFile(FileName, MaxLogSize, contents)) {
        Track->Clear();
        Platform::ShowMessage(TException(Where, "Unable to open file", PathText(FileName)).Message());
        return false;
    }
    return ReadContents(contents);
}

bool TIgcFile::ReadContents(std::string_view contents)
{
    FPending.clear();
    try {
        Track->Clear();
        ReadLines(contents);
    } catch (const TException& e) {
        FPending.clear();
        Track->Clear();
        Platform::ShowMessage(e.Message());
        return false;
    }
    return true;
}

void TIgcFile::ReadLines(std::string_view contents)
{
    // DOS text files end at the first 0x1A byte.
    const std::size_t eof = contents.find('\x1a');
    if (eof != std::string_view::npos) contents = contents.substr(0, eof);
    // Editors that save as UTF-8 put a byte order mark first.
    if (contents.substr(0, 3) == "\xEF\xBB\xBF") contents.remove_prefix(3);
    // Counted first: a log too long for the memory is refused before it
    // takes any, and the fixes of one that fits take just their room.
    const std::size_t fixes = CountFixes(contents);
    const std::string tooMany = TooManyFixes(fixes);
    if (!tooMany.empty()) Fail("Log too long", PathText(FileName) + ": " + tooMany);
    Track->Points.reserve(fixes);

    FLineNumber = 0;
    std::size_t start = 0;
    while (start < contents.size()) {
        const void* nl = std::memchr(contents.data() + start, '\n', contents.size() - start);
        const std::size_t end = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - contents.data())
                                   : contents.size();
        std::string_view line = contents.substr(start, end - start);
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++FLineNumber;
        start = end + 1;
        // Real logs end with an extra line end.
        if (line.empty()) continue;
        FLine = line;
        ReadLine();
    }
    if (Track->Points.empty()) Fail("No fix in file", PathText(FileName));
}

void TIgcFile::ReadLine()
{
    switch (FLine.empty() ? '\0' : FLine[0]) {
    case 'A': ReadARecord(); break;
    case 'B': ReadBRecord(); break;
    case 'C': ReadCRecord(); break;
    case 'D': ReadDRecord(); break;
    case 'E': ReadERecord(); break;
    case 'F': ReadFRecord(); break;
    case 'G': ReadGRecord(); break;
    case 'H': ReadHRecord(); break;
    case 'I': ReadIRecord(); break;
    case 'J': ReadJRecord(); break;
    case 'K': ReadKRecord(); break;
    case 'L': ReadLRecord(); break;
    default: FailOnLine("Unexpected record type");
    }
}

void TIgcFile::ReadBRecord()
{
    char letter = 0, northSouth = 0, eastWest = 0, validity = 0;
    int latDegrees = 0, latThousandths = 0, lonDegrees = 0, lonThousandths = 0;
    int pressureAltitude = 0, gnssAltitude = 0;
    TFieldScanner scan(FLine);
    scan.Char(letter)
        .Int(2, FHours)
        .Int(2, FMinutes)
        .Int(2, FSeconds)
        .Int(2, latDegrees)
        .Int(5, latThousandths)
        .Char(northSouth)
        .Int(3, lonDegrees)
        .Int(5, lonThousandths)
        .Char(eastWest)
        .Char(validity)
        .Int(5, pressureAltitude)
        .Int(5, gnssAltitude);
    if (scan.Count() < 13) FailOnLine("Incorrect number of parameters");
    if (!FixInRange(FHours, FMinutes, FSeconds, latDegrees, latThousandths, lonDegrees, lonThousandths))
        FailOnLine("Fix out of range");
    if ((northSouth != 'N' && northSouth != 'S') || (eastWest != 'E' && eastWest != 'W'))
        FailOnLine("Incorrect hemisphere");

    const std::int64_t time = Track->MakeTime(FHours, FMinutes, FSeconds);
    double latitude = DegToRad(latDegrees + latThousandths / 60000.0);
    if (northSouth == 'S') latitude = -latitude;
    double longitude = DegToRad(lonDegrees + lonThousandths / 60000.0);
    if (eastWest == 'W') longitude = -longitude;

    std::uint8_t fixValidity = 0;
    if (validity == 'A')
        fixValidity = Validity3D;
    else if (validity == 'V')
        fixValidity = Validity2D;
    else
        FailOnLine("Incorrect validity");

    Track->AddPoint(TTrackPoint(time, latitude, longitude, fixValidity, pressureAltitude, gnssAltitude,
                                Track->Datum));

    if (FPending.empty()) return;
    // Every waiting event of this fix's time lies on it; one of another time
    // is lost, and when the last one is such the file is refused.
    for (const TPendingEvent& e : FPending)
        if (e.Time == time) Track->AddIgcEvent(e.Code);
    const bool lastDiffers = FPending.back().Time != time;
    FPending.clear();
    if (lastDiffers) FailOnLine("E record and B record times differ");
}

void TIgcFile::ReadERecord()
{
    TFieldScanner scan(FLine.substr(1));
    scan.Int(2, FHours).Int(2, FMinutes).Int(2, FSeconds);
    if (scan.Count() < 3) FailOnLine("Incorrect number of parameters");
    const std::int64_t time = Track->MakeTime(FHours, FMinutes, FSeconds);
    const std::uint8_t code = FLine.size() >= 10 ? IgcEventCode(FLine.data() + 7) : std::uint8_t{igcUnknown};
    FPending.push_back({time, code});
}

void TIgcFile::ReadDate(std::string_view value)
{
    TFieldScanner scan(value);
    scan.Int(2, FDay).Int(2, FMonth).Int(2, FYear);
    if (scan.Count() < 3) FailOnLine("Incorrect number of parameters in DTE");
    Track->SetDate(FDay, FMonth, FYear);
}

void TIgcFile::ReadHRecord()
{
    if (FLine.size() < 5) return;
    if (FLine.substr(2, 3) == "DTE") ReadDate(FLine.substr(5));
}

void TIgcFile::ReadIRecord() { FailOnLine("I record found. Extensions to B record not supported. Sorry!"); }

void TIgcFile::ReadLRecord()
{
    if (FLine.size() < 8 || FLine.substr(1, 3) != "CMA") return;
    const std::string_view subtype = FLine.substr(5, 3);
    if (subtype == "TZN") {
        const auto value = SplitField(FLine);
        if (!value) FailOnLine("Malformed L record");
        if (LeadingInteger(*value) != 0) FailOnLine("Time zone offset not zero");
    } else if (subtype == "DTE") {
        const auto value = SplitField(FLine);
        if (!value) FailOnLine("Malformed L record");
        ReadDate(*value);
    }
}

std::optional<std::string_view> TIgcFile::SplitField(std::string_view text)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view rest = text.substr(colon + 1);
    return rest.substr(0, rest.find(':'));
}
