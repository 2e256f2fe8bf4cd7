// Track times are UTC whatever the computer's time zone: every case runs
// under three zones and must give the same seconds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "IgcText.h"

using namespace igctest;

namespace {

// Sets TZ for the scope and restores the previous value.
class TZone {
public:
    explicit TZone(const char* zone)
    {
        const char* old = std::getenv("TZ");
        FHad = old != nullptr;
        if (FHad) FOld = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
        // A zone without its data silently acts as UTC: make sure it is in force.
        if (std::string(zone) != "UTC") {
            std::tm local{};
            const std::time_t noon = 43200;
            ::localtime_r(&noon, &local);
            if (local.tm_hour == 12) ADD_FAILURE() << "time zone data for " << zone << " missing";
        }
    }
    ~TZone()
    {
        if (FHad)
            ::setenv("TZ", FOld.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    TZone(const TZone&) = delete;
    TZone& operator=(const TZone&) = delete;

private:
    bool FHad = false;
    std::string FOld;
};

const char* const Zones[] = {"UTC", "Europe/Berlin", "America/Los_Angeles"};

std::vector<std::int64_t> FixTimes(const std::string& text, TTrack::TClock clock = FixedClock())
{
    TTrack track(std::move(clock));
    const TReadResult r = ReadText(text, track);
    EXPECT_TRUE(r.Ok) << r.Message;
    std::vector<std::int64_t> times;
    for (const TTrackPoint& p : track.Points) times.push_back(p.Time);
    return times;
}

std::string Fix(int h, int m, int s) { return B(h, m, s, 51.0, 7.0) + "\r\n"; }

constexpr std::int64_t Day = 86400;
constexpr std::int64_t Jan1st2020 = 1577836800;
constexpr std::int64_t Jan1st2026 = 1767225600;

} // namespace

TEST(TrackTime, FlightsOverMidnightAndDateRecords)
{
    for (const char* zone : Zones) {
        SCOPED_TRACE(zone);
        TZone tz(zone);
        // Midnight UTC passes: two seconds apart, the second on the next day.
        EXPECT_EQ(FixTimes("HFDTE311219\r\n" + Fix(23, 59, 59) + Fix(0, 0, 1)),
                  (std::vector<std::int64_t>{Jan1st2020 - 1, Jan1st2020 + 1}));
        // The first fix of a day at midnight stays on that day.
        EXPECT_EQ(FixTimes("HFDTE010120\r\n" + Fix(0, 0, 0) + Fix(0, 0, 0)),
                  (std::vector<std::int64_t>{Jan1st2020, Jan1st2020}));
        // Any step back is a new day: 14:00, 01:00 (next day), 14:00:01 (that day).
        EXPECT_EQ(FixTimes("HFDTE010126\r\n" + Fix(14, 0, 0) + Fix(1, 0, 0) + Fix(14, 0, 1)),
                  (std::vector<std::int64_t>{Jan1st2026 + 14 * 3600, Jan1st2026 + Day + 3600,
                                             Jan1st2026 + Day + 14 * 3600 + 1}));
        // A later date record sets the date and the last time again: the
        // earlier clock time after it is on the new date, not the next day.
        EXPECT_EQ(FixTimes("HFDTE010126\r\n" + Fix(23, 59, 0) + "LCMA DTE:050126\r\n" + Fix(10, 0, 0) +
                           "HFDTE040126\r\n" + Fix(9, 0, 0)),
                  (std::vector<std::int64_t>{Jan1st2026 + Day - 60, Jan1st2026 + 4 * Day + 10 * 3600,
                                             Jan1st2026 + 3 * Day + 9 * 3600}));
        // E records share the clock: an event after midnight moves the date on.
        EXPECT_EQ(FixTimes("HFDTE311219\r\n" + Fix(23, 59, 59) + E(0, 0, 1, "PEV") + "\r\n" + Fix(0, 0, 1)),
                  (std::vector<std::int64_t>{Jan1st2020 - 1, Jan1st2020 + 1}));
    }
}

TEST(TrackTime, TwoDigitYearsAndTimesBeyond32Bits)
{
    for (const char* zone : Zones) {
        SCOPED_TRACE(zone);
        TZone tz(zone);
        TTrack track(FixedClock());
        track.SetDate(1, 1, 79);
        EXPECT_EQ(track.DateStart, 3439756800LL); // 2079-01-01
        EXPECT_EQ(track.LastTime(), 3439756800LL);
        EXPECT_EQ(track.Date().tm_year, 179);
        track.SetDate(1, 1, 80);
        EXPECT_EQ(track.DateStart, 315532800LL); // 1980-01-01
        track.SetDate(31, 12, 99);
        EXPECT_EQ(track.DateStart, 946598400LL); // 1999-12-31
        track.SetDate(6, 7, 8);
        EXPECT_EQ(track.DateStart, 1215302400LL); // 2008-07-06
        // Out-of-range fields carry over as in the C library: 31 February.
        track.SetDate(31, 2, 24);
        EXPECT_EQ(track.DateStart, 1709337600LL); // 2024-03-02

        // New Year's Eve 2079 into 2080, far beyond 2038.
        EXPECT_EQ(FixTimes("HFDTE311279\r\n" + Fix(23, 59, 59) + Fix(0, 0, 0)),
                  (std::vector<std::int64_t>{3471292799LL, 3471292800LL}));
    }
}

TEST(TrackTime, WithoutDateRecordTheFixesAreOnTodayUtc)
{
    for (const char* zone : Zones) {
        SCOPED_TRACE(zone);
        TZone tz(zone);
        // 2024-05-17 10:00 UTC.
        const std::int64_t midnight = Today - 10 * 3600;
        EXPECT_EQ(FixTimes(Fix(12, 0, 0)), (std::vector<std::int64_t>{midnight + 12 * 3600}));
        // Late in the UTC day (already the 18th in Berlin) and early in it
        // (still the 16th in Los Angeles): the UTC date counts.
        EXPECT_EQ(FixTimes(Fix(1, 0, 0), [=] { return midnight + Day - 1800; }),
                  (std::vector<std::int64_t>{midnight + 3600}));
        EXPECT_EQ(FixTimes(Fix(1, 0, 0), [=] { return midnight + 1800; }),
                  (std::vector<std::int64_t>{midnight + 3600}));
        // Clear dates the track today again.
        TTrack track([=] { return midnight + 5; });
        track.SetDate(1, 1, 10);
        track.Clear();
        EXPECT_EQ(track.DateStart, midnight);
    }
}

// The calendar against the C library's UTC functions, day by day over two
// centuries and at a few seconds of each day.
TEST(TrackTime, CalendarAgreesWithTimegmAndGmtime)
{
    for (std::int64_t t = -2208988800LL; t < 4102444800LL; t += Day + 3607) {
        std::tm expected{};
        const std::time_t tt = static_cast<std::time_t>(t);
        ASSERT_NE(::gmtime_r(&tt, &expected), nullptr);
        const std::tm c = UtcCalendar(t);
        ASSERT_EQ(c.tm_year, expected.tm_year) << t;
        ASSERT_EQ(c.tm_mon, expected.tm_mon) << t;
        ASSERT_EQ(c.tm_mday, expected.tm_mday) << t;
        ASSERT_EQ(c.tm_hour, expected.tm_hour) << t;
        ASSERT_EQ(c.tm_min, expected.tm_min) << t;
        ASSERT_EQ(c.tm_sec, expected.tm_sec) << t;
        ASSERT_EQ(c.tm_wday, expected.tm_wday) << t;
        ASSERT_EQ(c.tm_yday, expected.tm_yday) << t;
        EXPECT_EQ(c.tm_isdst, 0);
        std::tm back = expected;
        ASSERT_EQ(UtcSeconds(expected.tm_year + 1900LL, expected.tm_mon + 1, expected.tm_mday, expected.tm_hour,
                             expected.tm_min, expected.tm_sec),
                  static_cast<std::int64_t>(::timegm(&back)))
            << t;
    }
}
