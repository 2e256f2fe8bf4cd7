#include "analysis/Igcfile.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "analysis/Track.h"
#include "geodesy/Coord.h"
#include "platform/Exceptions.h"
#include "platform/Hooks.h"

namespace {

const char* const Where = "Read IGC File";

[[noreturn]] void Fail(const char* what, std::string_view details)
{
    throw TException(std::string(Where), std::string(what), std::string(details));
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

struct TFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

TIgcFile::TIgcFile(std::string fileName, TTrack* track) : FileName(std::move(fileName)), Track(track) {}

bool TIgcFile::Read()
{
    std::string contents;
    try {
        std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(FileName.c_str(), "rb"));
        if (!file) Fail("Unable to open file", FileName);
        char buffer[65536];
        for (;;) {
            const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
            contents.append(buffer, n);
            if (n < sizeof buffer) break;
        }
        if (std::ferror(file.get())) Fail("Unable to open file", FileName);
    } catch (const TException& e) {
        Track->Clear();
        Platform::ShowMessage(e.Message());
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

    std::size_t start = 0;
    while (start < contents.size()) {
        const void* nl = std::memchr(contents.data() + start, '\n', contents.size() - start);
        const std::size_t end = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - contents.data())
                                   : contents.size();
        std::string_view line = contents.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        FLine = line;
        ReadLine();
        start = end + 1;
    }
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
    default: Fail("Unexpected record type", FLine);
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
    if (scan.Count() < 13) Fail("Incorrect number of parameters", FLine);

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
        Fail("Incorrect validity", FLine);

    Track->AddPoint(TTrackPoint(time, latitude, longitude, fixValidity, pressureAltitude, gnssAltitude,
                                Track->Datum));

    if (FPending.empty()) return;
    // Every waiting event of this fix's time lies on it; one of another time
    // is lost, and when the last one is such the file is refused.
    for (const TPendingEvent& e : FPending)
        if (e.Time == time) Track->AddIgcEvent(e.Code);
    const bool lastDiffers = FPending.back().Time != time;
    FPending.clear();
    if (lastDiffers) Fail("E record and B record times differ", FLine);
}

void TIgcFile::ReadERecord()
{
    TFieldScanner scan(FLine.substr(1));
    scan.Int(2, FHours).Int(2, FMinutes).Int(2, FSeconds);
    if (scan.Count() < 3) Fail("Incorrect number of parameters", FLine);
    const std::int64_t time = Track->MakeTime(FHours, FMinutes, FSeconds);
    const std::uint8_t code = FLine.size() >= 10 ? IgcEventCode(FLine.data() + 7) : std::uint8_t{igcUnknown};
    FPending.push_back({time, code});
}

void TIgcFile::ReadDate(std::string_view value, std::string_view line)
{
    TFieldScanner scan(value);
    scan.Int(2, FDay).Int(2, FMonth).Int(2, FYear);
    if (scan.Count() < 3) Fail("Incorrect number of parameters in DTE", line);
    Track->SetDate(FDay, FMonth, FYear);
}

void TIgcFile::ReadHRecord()
{
    if (FLine.size() < 5) return;
    if (FLine.substr(2, 3) == "DTE") ReadDate(FLine.substr(5), FLine);
}

void TIgcFile::ReadIRecord() { Fail("I record found. Extensions to B record not supported. Sorry!", ""); }

void TIgcFile::ReadLRecord()
{
    if (FLine.size() < 8 || FLine.substr(1, 3) != "CMA") return;
    const std::string_view subtype = FLine.substr(5, 3);
    if (subtype == "TZN") {
        const auto value = SplitField(FLine);
        if (!value) Fail("Malformed L record", FLine);
        if (LeadingInteger(*value) != 0) Fail("Time zone offset not zero", FLine);
    } else if (subtype == "DTE") {
        const auto value = SplitField(FLine);
        if (!value) Fail("Malformed L record", FLine);
        ReadDate(*value, FLine);
    }
}

std::optional<std::string_view> TIgcFile::SplitField(std::string_view text)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view rest = text.substr(colon + 1);
    return rest.substr(0, rest.find(':'));
}
