#include "ui/WaypointImport.h"

#include <QStringDecoder>
#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "geodesy/Datum.h"
#include "platform/Exceptions.h"
#include "model/Waypoint.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "ui/QtText.h"
#include "xml/Xmlfile.h"
#include "ui/Seams.h"

namespace {

const char* const FileWhere = "Open waypoint file";
const char* const LineWhere = "Import waypoint";

// Far beyond any waypoint file; a device or an endless file stops here
// instead of filling the memory.
constexpr std::size_t MaxFileSize = 64u << 20;

std::string Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// Every comma separates, so an empty field keeps the later ones in place.
std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) return fields;
        start = comma + 1;
    }
}

std::string Field(const std::vector<std::string_view>& fields, std::size_t number)
{
    return number <= fields.size() ? Trimmed(fields[number - 1]) : std::string();
}

// Degrees within the limit; anything else (also a missing field, "nan")
// refuses the line rather than placing a waypoint anywhere.
double Degrees(const std::string& text, double limit, const char* what)
{
    double degrees = 0.0;
    if (!ParseDouble(text, degrees) || !(std::fabs(degrees) <= limit)) throw TException(LineWhere, what, Excerpt(text));
    return degrees;
}

// A line refused for a character that Windows-1252 has no byte for: its
// message is no Windows-1252 text either.
struct TLineRefusal {
    QString Text;
};

// A line that a tool of today wrote in UTF-8: valid UTF-8 with a character
// beyond ASCII. Every other line is Windows-1252, byte for byte.
bool IsUtf8(std::string_view line)
{
    if (std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(QByteArrayView(line.data(), static_cast<qsizetype>(line.size())));
    return !utf8.hasError();
}

// A code or description for the model, as the championship file would keep
// it. Control characters would be written raw into the file, which then
// cannot be read back; a TAB reads back as a blank; letters beyond
// Windows-1252 have no byte in the file.
std::string Checked(const std::string& field, bool utf8, const char* what)
{
    const QString text = utf8 ? QString::fromUtf8(field.data(), static_cast<qsizetype>(field.size())) : ToQt(field);
    const TTextFault fault = FindTextFault(text, TKeptAs::Text);
    const std::string at = " at position " + std::to_string(fault.Position);
    switch (fault.Kind) {
    case TTextFault::None: return FromQt(text);
    case TTextFault::Foreign:
        throw TLineRefusal{QStringLiteral("<Character outside Windows-1252 in waypoint %1> in <%2>. Details: <%3%4>")
                               .arg(QLatin1String(what), QLatin1String(LineWhere), ShownCharacter(fault.Code),
                                    QString::fromLatin1(at))};
    default: break;
    }
    static const char hex[] = "0123456789ABCDEF";
    const std::string shown{'0', 'x', hex[(fault.Code >> 4) & 15], hex[fault.Code & 15]};
    throw TException(LineWhere, std::string("Control character in waypoint ") + what, "character " + shown + at);
}

// Fields 2, 3, 4 and 11: code, latitude, longitude, description.
TWayPoint ReadWaypoint(std::string_view line)
{
    const std::vector<std::string_view> fields = Fields(line);
    const bool utf8 = IsUtf8(line);
    if (Field(fields, 2).empty()) throw TException(LineWhere, "Missing waypoint code", Excerpt(line));
    const std::string code = Checked(Field(fields, 2), utf8, "code");
    const double latitude = Degrees(Field(fields, 3), 90.0, "Invalid latitude");
    const double longitude = Degrees(Field(fields, 4), 180.0, "Invalid longitude");
    const TGeoCoord geo{DegToRad(longitude), DegToRad(latitude), 0.0};
    const std::string description = Checked(Field(fields, 11), utf8, "description");
    // In the form the championship file gives it back: an empty description
    // would otherwise show a leading blank until the file is opened again.
    return TWayPoint(TLocation(geo, DefaultDatum()), code, AsElementText(description + " (Imported from WPT file)"));
}

// The file's lines without their ends; a line end of CR LF counts as one.
std::vector<std::string> Lines(std::string_view text)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        start = end + 1;
    }
    return lines;
}

} // namespace

int ImportOziWaypoints(TWayPointSet& set, const QString& path)
{
    // Only a regular file: a FIFO would wait for a writer for ever.
    std::string data;
    if (!ReadRegularFile(PathFromQt(path), MaxFileSize, data))
        throw TException(FileWhere, "Can't open", FileNameFromQt(path));
    const std::vector<std::string> lines = Lines(data);
    data.clear();

    // The refusals quote the start of the line only: a file without line
    // feeds is one line.
    const std::string first = lines.empty() ? std::string() : lines[0];
    if (first != "OziExplorer Waypoint File Version 1.1")
        throw TException(FileWhere, "Unsupported file format", Excerpt(first));
    const std::string datum = lines.size() < 2 ? std::string() : lines[1];
    if (datum != "WGS 84") throw TException(FileWhere, "Datum must be \"WGS 84\"", Excerpt(datum));

    int added = 0;
    // Lines 3 and 4 say nothing we use; line 5 is waypoint 1.
    for (std::size_t i = 4; i < lines.size(); ++i) {
        QString refusal;
        try {
            set.Add(ReadWaypoint(lines[i]));
            ++added;
            continue;
        } catch (const TException& e) {
            refusal = ToQt(e.Message());
        } catch (const TLineRefusal& e) {
            refusal = e.Text;
        }
        const QString text = QStringLiteral("Error importing waypoint no ") + QString::number(i - 3) +
                             QLatin1Char('\n') + refusal + QLatin1Char('\n') +
                             QStringLiteral("CANCEL the remaining waypoints or just IGNORE this one?");
        if (AskCancelIgnore(text) == TButton::Cancel) break;
    }
    return added;
}
