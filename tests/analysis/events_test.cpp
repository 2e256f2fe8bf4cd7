// Event types, groups, IGC codes, the order of event sets and track points.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/Track.h"

namespace {

TTrackPoint PointAt(std::int64_t time, double latDeg = 0.0, double lonDeg = 0.0)
{
    return TTrackPoint(time, DegToRad(latDeg), DegToRad(lonDeg), Validity3D, 0.0, 0.0, *DefaultDatum());
}

} // namespace

TEST(EventTypes, NamesAndGroupsOfEveryBitAndOfWhatIsNoType)
{
    struct TCase {
        unsigned Type;
        const char* Name;
        TEventGroup Group;
    };
    const TCase cases[] = {
        {1, "Gate", egGate},
        {2, "Inverse gate crossing", egGate},
        {4, "Best approximation to gate", egGate},
        {8, "Turn point", egTurnPoint},
        {16, "Enter turn point area", egTurnPoint},
        {32, "Exit turn point area", egTurnPoint},
        {64, "Best approximation to turn point", egTurnPoint},
        {128, "Maximum distance to turn point", egTurnPoint},
        {256, "Enter leg", egLeg},
        {512, "Exit leg", egLeg},
        {1024, "Start of leg", egLeg},
        {2048, "End of leg", egLeg},
        {4096, "Intersection with own track", egTrack},
        {8192, "High acceleration", egTrack},
        {16384, "IGC event", egIgc},
        // No type: zero, two bits together, the bit beyond the table.
        {0, "Unknown event", egOther},
        {3, "Unknown event", egOther},
        {32768, "Unknown event", egOther},
        {65535, "Unknown event", egOther},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Type);
        const TEventType type = static_cast<TEventType>(c.Type);
        EXPECT_STREQ(TEvent::TypeName(type), c.Name);
        const TEvent e(PointAt(0), nullptr, type, 0.0, 0.0);
        EXPECT_EQ(e.Group(), c.Group);
    }
}

TEST(EventTypes, IgcCodesByLettersAndTheirDescriptions)
{
    const char* letters[] = {"ATS", "CCN", "CDC", "CGD", "EDN", "EOF", "EON", "EUP", "FIN",
                             "GCN", "GDC", "LOV", "ONT", "PEV", "PHO", "STA", "TPC"};
    for (std::uint8_t code = 0; code < 17; ++code) EXPECT_EQ(IgcEventCode(letters[code]), code) << letters[code];
    EXPECT_EQ(IgcEventCode("XYZ"), igcUnknown);
    EXPECT_EQ(IgcEventCode("pev"), igcUnknown); // letters are compared exactly

    EXPECT_STREQ(TEvent::IgcEventName(igcATS), "Altimeter Pressure Setting");
    EXPECT_STREQ(TEvent::IgcEventName(igcPEV), "Pilot Event");
    EXPECT_STREQ(TEvent::IgcEventName(igcTPC), "Turn point confirmation - Equipment generated event");
    EXPECT_STREQ(TEvent::IgcEventName(igcUnknown), "Unknown event");
    EXPECT_STREQ(TEvent::IgcEventName(255), "Unknown event");
}

TEST(EventSet, OrderedByTimeWithEqualTimesInInsertionOrder)
{
    TEventSet set;
    // Insert out of time order; at t = 20 a high type value first, then lower ones.
    set.insert(TEvent(PointAt(30), nullptr, etGate, 0, 1));
    set.insert(TEvent(PointAt(20), nullptr, etIgcEvent, 0, 2));
    set.insert(TEvent(PointAt(10), nullptr, etEndLeg, 0, 3));
    set.insert(TEvent(PointAt(20), nullptr, etGate, 0, 4));
    set.insert(TEvent(PointAt(20), nullptr, etTurnPoint, 0, 5));
    set.insert(TEvent(PointAt(-5), nullptr, etGate, 0, 6));
    std::string order;
    for (const TEvent& e : set) order += std::to_string(static_cast<int>(e.Value));
    EXPECT_EQ(order, "632451");
}

TEST(TrackPoint, FieldsLocationAndBox)
{
    const TTrackPoint p(1234567890123LL, DegToRad(51.5), DegToRad(-0.12), Validity2D, 123.0, 150.0, *DefaultDatum());
    EXPECT_EQ(p.Time, 1234567890123LL); // beyond 32 bits
    EXPECT_EQ(p.Validity, 2);
    EXPECT_EQ(p.PressureAltitude, 123.0);
    EXPECT_EQ(p.GnssAltitude, 150.0);
    EXPECT_EQ(p.Speed, 0.0);
    EXPECT_EQ(p.Acceleration, 0.0);
    EXPECT_EQ(p.Location.Geo.H, 150.0);
    EXPECT_EQ(p.Location.Datum, DefaultDatum());
    EXPECT_EQ(p.Location.Utm.Zone, "30U");

    // At 0, 0: the box is that one point and the UTM coordinate is valid.
    const TTrackPoint o = PointAt(0);
    EXPECT_EQ(o.MaxLat, 0.0);
    EXPECT_EQ(o.MinLat, 0.0);
    EXPECT_EQ(o.MaxLon, 0.0);
    EXPECT_EQ(o.MinLon, 0.0);
    EXPECT_EQ(o.Location.Utm.Zone, "31N");
    EXPECT_NEAR(o.Location.Utm.X, 166021.44, 0.01);
    EXPECT_NEAR(o.Location.Utm.Y, 0.0, 1e-6);
}
