// The IGC reader over small texts: records, refusals, logger events, and the
// line handling of real files (long lines, CR LF, the DOS end-of-file byte).
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "IgcText.h"
#include "common/TempDir.h"
#include "geodesy/Coord.h"

using namespace igctest;

namespace {

const std::string Header = "AXXX001\r\nHFDTE060708\r\n";

double LatDeg(const TTrack& t, std::size_t i) { return RadToDeg(t.Points.at(i).Location.Geo.Lat); }
double LonDeg(const TTrack& t, std::size_t i) { return RadToDeg(t.Points.at(i).Location.Geo.Lon); }

// 2008-07-06 00:00:00 UTC
constexpr std::int64_t July6th2008 = 1215302400;

} // namespace

TEST(IgcReader, AFixWithAllItsFields)
{
    TTrack track(FixedClock());
    const TReadResult r = ReadText(Header + "B1201005123456N00712345EA0012300150\r\n", track);
    ASSERT_TRUE(r.Ok) << r.Message;
    EXPECT_EQ(r.Message, "");
    ASSERT_EQ(track.Points.size(), 1u);
    const TTrackPoint& p = track.Points[0];
    EXPECT_EQ(p.Time, July6th2008 + 12 * 3600 + 60);
    EXPECT_NEAR(LatDeg(track, 0), 51 + 23.456 / 60, 1e-12);
    EXPECT_NEAR(LonDeg(track, 0), 7 + 12.345 / 60, 1e-12);
    EXPECT_EQ(p.Validity, 3);
    EXPECT_EQ(p.PressureAltitude, 123.0);
    EXPECT_EQ(p.GnssAltitude, 150.0);
    EXPECT_EQ(p.Location.Geo.H, 150.0);
    // The track's box holds the fix.
    EXPECT_EQ(track.MaxLat, p.Location.Geo.Lat);
    EXPECT_EQ(track.MinLon, p.Location.Geo.Lon);
    EXPECT_TRUE(track.LoggerEvents.empty());
}

TEST(IgcReader, HemispheresValidityAndSignedAltitudes)
{
    TTrack track(FixedClock());
    const TReadResult r = ReadText(Header +
                                       "B1200004512000S07330000WV-0012-0020\r\n"
                                       "B1200014512000N07330000EA0000000000\r\n",
                                   track);
    ASSERT_TRUE(r.Ok) << r.Message;
    EXPECT_NEAR(LatDeg(track, 0), -45.2, 1e-12);
    EXPECT_NEAR(LonDeg(track, 0), -73.5, 1e-12);
    EXPECT_EQ(track.Points[0].Validity, 2);
    EXPECT_EQ(track.Points[0].PressureAltitude, -12.0);
    EXPECT_EQ(track.Points[0].GnssAltitude, -20.0);
    EXPECT_NEAR(LatDeg(track, 1), 45.2, 1e-12);
    EXPECT_NEAR(LonDeg(track, 1), 73.5, 1e-12);
    // With the box over both.
    EXPECT_NEAR(RadToDeg(track.MinLat), -45.2, 1e-12);
    EXPECT_NEAR(RadToDeg(track.MaxLon), 73.5, 1e-12);
}

// Every fault refuses the whole file: the track is left empty (also of the
// fixes and events read before) and the user sees the message.
TEST(IgcReader, RefusedFiles)
{
    const std::string fix = "B1201005123456N00712345EA0012300150";
    struct TCase {
        const char* Name;
        std::string Text;
        std::string Message;
    };
    const TCase cases[] = {
        {"I record", Header + fix + "\r\nI023638FXA3940SIU\r\n",
         Refusal("I record found. Extensions to B record not supported. Sorry!", "line 4: I023638FXA3940SIU")},
        {"I00", Header + "I00\r\n" + fix + "\r\n",
         Refusal("I record found. Extensions to B record not supported. Sorry!", "line 3: I00")},
        {"lower case", Header + fix + "\r\nb1201015123456N00712345EA0012300150\r\n",
         Refusal("Unexpected record type", "line 4: b1201015123456N00712345EA0012300150")},
        {"leading blank", Header + " " + fix + "\r\n", Refusal("Unexpected record type", "line 3:  " + fix)},
        {"truncated fix", Header + fix + "\r\nB1201015123456N00712345EA00123\r\n",
         Refusal("Incorrect number of parameters", "line 4: B1201015123456N00712345EA00123")},
        {"letter in a number", Header + "B12010X5123456N00712345EA0012300150\r\n",
         Refusal("Incorrect number of parameters", "line 3: B12010X5123456N00712345EA0012300150")},
        {"validity", Header + "B1201005123456N00712345EX0012300150\r\n",
         Refusal("Incorrect validity", "line 3: B1201005123456N00712345EX0012300150")},
        {"date with a label", "HFDTEDATE:060708,01\r\n" + fix + "\r\n",
         Refusal("Incorrect number of parameters in DTE", "line 1: HFDTEDATE:060708,01")},
        {"date too short", "HFDTE0607\r\n", Refusal("Incorrect number of parameters in DTE", "line 1: HFDTE0607")},
        {"date without value", "HFDTE\r\n", Refusal("Incorrect number of parameters in DTE", "line 1: HFDTE")},
        {"time zone", "LCMA TZN:1\r\n", Refusal("Time zone offset not zero", "line 1: LCMA TZN:1")},
        {"time zone +1.0", "LCMA TZN:+1.0\r\n", Refusal("Time zone offset not zero", "line 1: LCMA TZN:+1.0")},
        {"time zone without colon", "LCMA TZN 0\r\n", Refusal("Malformed L record", "line 1: LCMA TZN 0")},
        {"L date without colon", "LCMA DTE 060708\r\n", Refusal("Malformed L record", "line 1: LCMA DTE 060708")},
        {"L date too short", "LCMA DTE:0607\r\n",
         Refusal("Incorrect number of parameters in DTE", "line 1: LCMA DTE:0607")},
        {"E without time", Header + "E12PEV\r\n" + fix + "\r\n",
         Refusal("Incorrect number of parameters", "line 3: E12PEV")},
        {"E and B times differ", Header + "E120100PEV\r\nB1201015123456N00712345EA0012300150\r\n",
         Refusal("E record and B record times differ", "line 4: B1201015123456N00712345EA0012300150")},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTrack track(FixedClock());
        // Something from an earlier read must go as well.
        ASSERT_TRUE(ReadText(Header + fix + "\r\n", track).Ok);
        const TReadResult r = ReadText(c.Text, track);
        EXPECT_FALSE(r.Ok);
        EXPECT_EQ(r.Message, c.Message);
        EXPECT_TRUE(track.Points.empty());
        EXPECT_TRUE(track.LoggerEvents.empty());
        EXPECT_TRUE(track.Events.empty());
        EXPECT_EQ(track.MaxLat, EmptyBoxMaxLat);
    }
}

TEST(IgcReader, IgnoredRecordsAndAcceptedVariants)
{
    TTrack track(FixedClock());
    const TReadResult r = ReadText("AXXX001\r\n"
                                   "HFDTE060708\r\n"
                                   "HFPLTPILOT:Someone\r\n"
                                   "HF\r\n"         // too short for a subtype: ignored
                                   "HODT\r\n"       // likewise
                                   "HPDTM100GPSDATUM:WGS-84\r\n"
                                   "C060708120000000000000302\r\n"
                                   "D20001\r\n"
                                   "F120000010203\r\n"
                                   "J010812HDT\r\n"
                                   "K120000090\r\n"
                                   "LXCTSENSOR anything at all\r\n"
                                   "L\r\n"
                                   "LCMA\r\n"       // too short for a subtype: ignored
                                   "LCMA TSK:something\r\n"
                                   "LCMA TZN:0\r\n"  // zero offset: accepted
                                   "LCMA TZN:-0.5\r\n" // leading integer 0
                                   "LCMX TZN:5\r\n"  // another source: ignored
                                   "B1201005123456N00712345EA0012300150\r\n"
                                   "G0123456789ABCDEF\r\n",
                                   track);
    ASSERT_TRUE(r.Ok) << r.Message;
    ASSERT_EQ(track.Points.size(), 1u);
    EXPECT_EQ(track.Points[0].Time, July6th2008 + 12 * 3600 + 60);
}

TEST(IgcReader, LoggerEventsLieOnTheFixOfTheirTime)
{
    TTrack track(FixedClock());
    const TReadResult r = ReadText(Header + B(12, 0, 0, 51, 7) + "\r\n" + E(12, 1, 0, "PEV") + "\r\n" +
                                       B(12, 1, 0, 51.001, 7) + "\r\n" + E(12, 2, 0, "XYZ") + "\r\n" +
                                       B(12, 2, 0, 51.002, 7) + "\r\n" +
                                       "E120300\r\n"     // no letters: unknown
                                       "E120300ST\r\n"   // two letters only: unknown
                                       + B(12, 3, 0, 51.003, 7) + "\r\n" + E(12, 4, 0, "STA") +
                                       "\r\n", // no fix follows: nothing
                                   track);
    ASSERT_TRUE(r.Ok) << r.Message;
    ASSERT_EQ(track.LoggerEvents.size(), 4u);
    auto it = track.LoggerEvents.begin();
    EXPECT_EQ(it->Type, etIgcEvent);
    EXPECT_EQ(it->Element, nullptr);
    EXPECT_EQ(it->Distance, 0.0);
    EXPECT_EQ(it->Value, igcPEV);
    EXPECT_EQ(it->Point.Time, track.Points[1].Time);
    EXPECT_EQ(it->Point.Location.Geo.Lat, track.Points[1].Location.Geo.Lat);
    ++it;
    EXPECT_EQ(it->Value, igcUnknown);
    EXPECT_EQ(it->Point.Time, track.Points[2].Time);
    ++it;
    EXPECT_EQ(it->Value, igcUnknown);
    EXPECT_EQ((++it)->Value, igcUnknown);
    EXPECT_EQ(it->Point.Time, track.Points[3].Time);
    // The analysis events are untouched by the reader.
    EXPECT_TRUE(track.Events.empty());
}

// Several E records before one B record: each of the fix's time becomes an
// event there, in file order; earlier ones of another time are lost; the
// last one must have the fix's time.
TEST(IgcReader, SeveralEventsWaitingForOneFix)
{
    const std::string fix = B(12, 1, 0, 51, 7);
    {
        TTrack track(FixedClock());
        const TReadResult r =
            ReadText(Header + E(12, 1, 0, "PEV") + "\r\n" + E(12, 1, 0, "STA") + "\r\n" + fix + "\r\n", track);
        ASSERT_TRUE(r.Ok) << r.Message;
        ASSERT_EQ(track.LoggerEvents.size(), 2u);
        EXPECT_EQ(track.LoggerEvents.begin()->Value, igcPEV);
        EXPECT_EQ(std::next(track.LoggerEvents.begin())->Value, igcSTA);
    }
    {
        TTrack track(FixedClock());
        const TReadResult r =
            ReadText(Header + E(12, 0, 59, "PEV") + "\r\n" + E(12, 1, 0, "STA") + "\r\n" + fix + "\r\n", track);
        ASSERT_TRUE(r.Ok) << r.Message;
        ASSERT_EQ(track.LoggerEvents.size(), 1u);
        EXPECT_EQ(track.LoggerEvents.begin()->Value, igcSTA);
    }
    {
        TTrack track(FixedClock());
        const TReadResult r =
            ReadText(Header + E(12, 1, 0, "PEV") + "\r\n" + E(12, 0, 59, "STA") + "\r\n" + fix + "\r\n", track);
        EXPECT_FALSE(r.Ok);
        EXPECT_EQ(r.Message, Refusal("E record and B record times differ", "line 5: " + fix));
    }
}

// Lines are whole lines: a long one is one record; a CR before the LF is
// not part of it; the DOS end-of-file byte ends the file.
TEST(IgcReader, LinesOfAnyLengthCrLfAndTheEndOfFileByte)
{
    const std::string fix = B(12, 1, 0, 51, 7);
    {
        // Character 80 of these lines would have begun a record of its own:
        // an I record, a fix, a lower-case text.
        const std::string pad(78, 'x');
        const std::string text = Header + "LXXX" + pad + "I023638FXA\r\n" + "HFPLTPILOT:" + pad + "B" +
                                 fix.substr(1) + "\r\n" + "LXXX" + std::string(75, 'y') + "\r\n" + // exactly 79
                                 "HFGTY" + std::string(300, 'z') + "\r\n" + fix + "\r\n";
        TTrack track(FixedClock());
        const TReadResult r = ReadText(text, track);
        ASSERT_TRUE(r.Ok) << r.Message;
        EXPECT_EQ(track.Points.size(), 1u);
    }
    {
        // LF only, no line end after the last record, a CR in the middle of a
        // line kept, CR CR LF leaving one CR that the fix does not read.
        TTrack track(FixedClock());
        const TReadResult r = ReadText("AXXX\nHFDTE060708\n" + fix + "\r\r\n" + B(12, 1, 1, 51, 7), track);
        ASSERT_TRUE(r.Ok) << r.Message;
        ASSERT_EQ(track.Points.size(), 2u);
        EXPECT_EQ(track.Points[1].Time, July6th2008 + 12 * 3600 + 61);
    }
    {
        // Everything from 0x1A on is not read, also garbage after it.
        TTrack track(FixedClock());
        const TReadResult r = ReadText(Header + fix + "\r\n\x1a\r\nnot a record\r\nI00\r\n", track);
        ASSERT_TRUE(r.Ok) << r.Message;
        EXPECT_EQ(track.Points.size(), 1u);
        // The bytes before 0x1A on its line still form a record.
        const TReadResult r2 = ReadText(Header + fix + "\r\n" + B(12, 1, 1, 51, 7) + "\x1a", track);
        ASSERT_TRUE(r2.Ok) << r2.Message;
        EXPECT_EQ(track.Points.size(), 2u);
    }
}

TEST(IgcReader, SplitFieldTakesThePieceAfterTheFirstColon)
{
    EXPECT_EQ(TIgcFile::SplitField("LCMA TZN:0"), "0");
    EXPECT_EQ(TIgcFile::SplitField("LCMA DTE:060708:rest"), "060708");
    EXPECT_EQ(TIgcFile::SplitField("LCMA TZN:"), "");
    EXPECT_FALSE(TIgcFile::SplitField("LCMA TZN 0").has_value());
}

TEST(IgcReader, FilesFromDisk)
{
    TempDir dir;
    const std::string name = dir.File("flight.igc");
    WriteFileBytes(name, Header + B(12, 1, 0, 51, 7) + "\r\n");
    std::string message;
    TScopedHooks hooks;
    hooks->ShowMessage = [&message](const std::string& m) { message = m; };

    TTrack track(FixedClock());
    EXPECT_TRUE(TIgcFile(name, &track).Read());
    EXPECT_EQ(track.Points.size(), 1u);
    EXPECT_EQ(message, "");

    const std::string missing = dir.File("missing.igc");
    EXPECT_FALSE(TIgcFile(missing, &track).Read());
    EXPECT_EQ(message, Refusal("Unable to open file", missing));
    EXPECT_TRUE(track.Points.empty());

    // A folder opens on Linux but cannot be read.
    message.clear();
    EXPECT_FALSE(TIgcFile(dir.Path().string(), &track).Read());
    EXPECT_EQ(message, Refusal("Unable to open file", dir.Path().string()));
}

namespace {

// Runs `read` in a child process with its memory capped; false when it did
// not return true within the time (the child is then killed).
bool ReturnsTrueWithin(std::chrono::seconds limit, const std::function<bool()>& read)
{
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit memory{std::size_t{1} << 30, std::size_t{1} << 30};
        ::setrlimit(RLIMIT_AS, &memory);
        ::_exit(read() ? 0 : 1);
    }
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

// A FIFO blocked for ever, a link to /dev/zero grew without end: only a
// regular file is read.
TEST(IgcReader, ReadsOnlyRegularFiles)
{
    TempDir dir;
    const std::string fifo = dir.File("fifo.igc"), zero = dir.File("zero.igc");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    for (const std::string& name : {fifo, zero}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(ReturnsTrueWithin(std::chrono::seconds(20), [&name] {
            std::string message;
            TScopedHooks hooks;
            hooks->ShowMessage = [&message](const std::string& m) { message = m; };
            TTrack track(FixedClock());
            return !TIgcFile(name, &track).Read() && message == Refusal("Unable to open file", name);
        }));
    }
}

// Impossible places and times refuse the log on their line; 24:00:00 is the
// next day's midnight and 90 N / 180 W are places.
TEST(IgcReader, RefusesImpossibleFixes)
{
    const struct {
        std::string Fix;
        const char* What;
    } cases[] = {
        {"B1201009500000N00712345EA0012300150", "Fix out of range"},   // 95 degrees
        {"B1201005123456N20000000EA0012300150", "Fix out of range"},   // 200 degrees
        {"B1201005160000N00712345EA0012300150", "Fix out of range"},   // 51 degrees 60 minutes
        {"B1201005123456N00760000EA0012300150", "Fix out of range"},
        {"B1201009000001N00712345EA0012300150", "Fix out of range"},   // just past the pole
        {"B2501005123456N00712345EA0012300150", "Fix out of range"},
        {"B1260005123456N00712345EA0012300150", "Fix out of range"},
        {"B1201605123456N00712345EA0012300150", "Fix out of range"},
        {"B2400015123456N00712345EA0012300150", "Fix out of range"},
        {"B1201005123456X00712345EA0012300150", "Incorrect hemisphere"},
        {"B1201005123456N00712345QA0012300150", "Incorrect hemisphere"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Fix);
        TTrack track(FixedClock());
        const TReadResult r = ReadText(Header + c.Fix + "\r\n", track);
        EXPECT_FALSE(r.Ok);
        EXPECT_EQ(r.Message, Refusal(c.What, "line 3: " + c.Fix));
    }
    TTrack track(FixedClock());
    const TReadResult r = ReadText(Header + "B2400009000000N18000000WA0012300150\r\n", track);
    ASSERT_TRUE(r.Ok) << r.Message;
    EXPECT_EQ(track.Points.at(0).Time, July6th2008 + 24 * 3600);
    EXPECT_EQ(LatDeg(track, 0), 90.0);
    EXPECT_EQ(LonDeg(track, 0), -180.0);
}

// Real logs end with an extra CR LF, editors put a byte order mark first:
// both read; a log without a single fix is refused naming the file.
TEST(IgcReader, BlankLinesByteOrderMarkAndLogsWithoutFixes)
{
    const std::string fix = B(12, 1, 0, 51, 7);
    for (const std::string& text : {Header + fix + "\r\n\r\n", Header + "\r\n" + fix + "\r\n\r\r\n",
                                    "\xEF\xBB\xBF" + Header + fix + "\r\n"}) {
        TTrack track(FixedClock());
        const TReadResult r = ReadText(text, track);
        ASSERT_TRUE(r.Ok) << r.Message;
        EXPECT_EQ(track.Points.size(), 1u);
    }
    for (const std::string& text : {std::string(), Header, std::string("\r\r\r\n\r")}) {
        TTrack track(FixedClock());
        const TReadResult r = ReadText(text, track);
        EXPECT_FALSE(r.Ok);
        EXPECT_EQ(r.Message, Refusal("No fix in file", "test.igc"));
    }
}

// A huge bad line is quoted by its start only.
TEST(IgcReader, QuotesTheStartOfALongBadLine)
{
    TTrack track(FixedClock());
    const std::string line = "x" + std::string(1 << 20, 'y');
    const TReadResult r = ReadText(Header + line + "\r\n", track);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message, Refusal("Unexpected record type", "line 3: " + line.substr(0, 80) + "..."));
}

// A log is bounded by its count of fixes (its lines that begin with "B"),
// refused before the track takes any room for them.
TEST(IgcReader, ALogOfMoreFixesThanTheLimitIsRefusedUnread)
{
    EXPECT_EQ(TooManyFixes(MaxLogFixes), "");
    EXPECT_EQ(TooManyFixes(2800000), "2800000 fixes need 3418 MiB of memory; a log may take 1536 MiB (1258291 fixes)");
    std::string text = Header;
    for (std::size_t i = 0; i <= MaxLogFixes; ++i) text += "B\r\n";
    TTrack track(FixedClock());
    EXPECT_EQ(ReadText(text, track).Message, Refusal("Log too long", "test.igc: " + TooManyFixes(MaxLogFixes + 1)));
    EXPECT_EQ(track.Points.capacity(), 0u);
}
