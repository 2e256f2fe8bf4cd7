#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <set>
#include <string>

#include "ExportFixtures.h"
#include "KmlSummary.h"
#include "SyntheticIgc.h"
#include "analysis/Igcfile.h"
#include "analysis/Track.h"
#include "export/Googleearth.h"

using namespace kmltest;

namespace {

constexpr std::int64_t July30At9 = 1217408400; // 2008-07-30 09:00:00 UTC

// Local time of the exports is central European summer time here.
struct TCentralEuropeanTime {
    TCentralEuropeanTime()
    {
        if (const char* tz = std::getenv("TZ")) Old = tz, HadOld = true;
        ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        ::tzset();
    }
    ~TCentralEuropeanTime()
    {
        if (HadOld)
            ::setenv("TZ", Old.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    std::string Old;
    bool HadOld = false;
};

// A track over the fixture's task: round A, B, C at 25 m/s, a pilot event
// at two fixes.
void ReadSyntheticFlight(TTrack& track, const TTaskFixture& fx, int fixes)
{
    auto place = [](const TWayPoint* w) {
        return TRoutePlace{RadToDeg(w->Location.Geo.Lat), RadToDeg(w->Location.Geo.Lon)};
    };
    TIgcFile igc("synthetic.igc", &track);
    ASSERT_TRUE(igc.ReadContents(SyntheticIgc({place(fx.WA), place(fx.WB), place(fx.WC)}, fixes, 25.0, 9 * 3600,
                                              {100, 700})));
}

TKmlSummary ExportTrackAndEvents(const TExportPlace& place, const TTrack& track, TKmlVisibility visibility)
{
    KmlFile kml;
    if (!kml.Open("F")) return {};
    kml.BeginFolder("Doc", kvVisible);
    kml.WriteTrack("12: Pilot", track);
    kml.WriteEvents(track, visibility);
    kml.EndFolder();
    kml.Close();
    return Summarise(place.File("F.kmz"));
}

std::string Innermost(const std::string& path)
{
    const auto slash = path.rfind(" / ");
    return slash == std::string::npos ? path : path.substr(slash + 3);
}

} // namespace

TEST(KmlFlight, TrackAndEventsOfAnAnalysedFlight)
{
    TExportPlace place;
    TTaskFixture fx;
    TTrack track;
    ReadSyntheticFlight(track, fx, 2400);
    track.FindEvents(&fx.Task);
    ASSERT_GT(track.Events.size(), 100u);

    const TKmlSummary s = ExportTrackAndEvents(place, track, kvHidden);
    ASSERT_EQ(s.ParseError, "") << s.Raw.substr(0, 2000);
    EXPECT_EQ(s.BadCoordinates, 0);
    ASSERT_EQ(s.Placemarks.size(), 1 + track.Events.size());

    const TPlacemark& t = s.Placemarks[0];
    EXPECT_EQ(t.Name, "Track 12: Pilot");
    EXPECT_EQ(t.Style, "#trackStyle");
    EXPECT_EQ(t.AltitudeMode, "absolute");
    EXPECT_EQ(t.Coordinates, 2400);
    EXPECT_EQ(t.TimeSpan, "2008-07-30T09:00:00Z 2008-07-30T09:39:59Z");

    // Group folders in group order, type folders in type order, each with
    // its visibility; every event in the folder of its type, time order.
    std::map<std::uint16_t, int> perType;
    for (const TEvent& e : track.Events) ++perType[e.Type];
    std::vector<std::string> expected{"Doc|-", "Doc / Events|0"};
    const char* groupNames[] = {"Gate events", "Turn point events", "Leg events", "Track events", "IGC events"};
    int lastGroup = -1;
    for (const auto& [type, count] : perType) {
        const int group = TEvent::GroupOf(static_cast<TEventType>(type));
        const std::string groupPath = std::string("Doc / Events / ") + groupNames[group];
        if (group != lastGroup) expected.push_back(groupPath + "|0");
        lastGroup = group;
        expected.push_back(groupPath + " / " + TEvent::TypeName(static_cast<TEventType>(type)) + "|0");
        EXPECT_EQ(static_cast<int>(s.In(groupPath + " / " + TEvent::TypeName(static_cast<TEventType>(type))).size()),
                  count);
    }
    std::vector<std::string> folders;
    for (const auto& f : s.Folders) folders.push_back(f.Path + "|" + f.Visibility);
    EXPECT_EQ(folders, expected);
    EXPECT_TRUE(perType.count(etHighAcceleration));
    EXPECT_TRUE(perType.count(etTurnPoint));
    EXPECT_TRUE(perType.count(etGate));
    EXPECT_TRUE(perType.count(etEndLeg));
    EXPECT_EQ(perType[etIgcEvent], 2);

    std::map<std::string, std::string> lastStamp;
    for (std::size_t i = 1; i < s.Placemarks.size(); ++i) {
        const TPlacemark& p = s.Placemarks[i];
        const std::string type = Innermost(p.Folder);
        EXPECT_EQ(p.Style, "#" + type);
        EXPECT_EQ(p.Geometry, "Point");
        EXPECT_EQ(p.AltitudeMode, "absolute");
        EXPECT_EQ(p.Visibility, "0");
        EXPECT_GE(p.TimeStamp, lastStamp[type]) << p.Name;
        lastStamp[type] = p.TimeStamp;
        EXPECT_EQ(p.Name.rfind(type, 0), 0u) << p.Name;
    }
}

// Events set up one by one, for the texts of each kind.
TEST(KmlFlight, EventTextsByType)
{
    TCentralEuropeanTime cest;
    TExportPlace place;
    TTaskFixture fx;
    TTrack track;
    const TDatum& datum = track.Datum;
    const double lat = fx.WA->Location.Geo.Lat, lon = fx.WA->Location.Geo.Lon;
    auto point = [&](std::int64_t t, double height) { return TTrackPoint(t, lat, lon, 3, height, height, datum); };
    track.AddPoint(point(July30At9, 0.0));
    track.AddPoint(point(July30At9 + 5, 812.6));
    auto add = [&](std::int64_t t, TCheckElement* element, std::uint16_t type, double distance, double value,
                   double height = 500.0) {
        track.Events.insert(TEvent(point(t, height), element, static_cast<TEventType>(type), distance, value));
    };
    add(July30At9 + 1, fx.TA, etTurnPoint, 12.4, 15234.5);
    add(July30At9 + 2, fx.TB, etMaxTurnPoint, 1234567.0, 7.25);
    add(July30At9 + 3, fx.AB, etEnterLeg, 0.0, 0.0);  // inside nothing yet: no share
    add(July30At9 + 4, fx.AB, etExitLeg, 0.0, -1.0);  // not started: no share
    add(July30At9 + 5, fx.AB, etEnterLeg, 3.0, 0.5);
    add(July30At9 + 6, fx.AB, etEndLeg, 0.0, 0.0);    // always a share
    add(July30At9 + 7, nullptr, etHighAcceleration, 0.0, 0.256, 0.0);
    add(July30At9 + 8, nullptr, etIgcEvent, 0.0, 17.0);
    add(July30At9 + 9, nullptr, etIgcEvent, 0.0, 1e300); // no code at all
    add(July30At9 + 10, nullptr, 3, 0.0, 0.0);           // two bits: unknown
    add(July30At9 + 11, fx.GateA, etGate, 1.0, 0.0);
    add(0, nullptr, etHighAcceleration, 0.0, 1.0);        // time 0: no time stamp

    const TKmlSummary s = ExportTrackAndEvents(place, track, kvInherit);
    ASSERT_EQ(s.ParseError, "") << s.Raw;
    std::vector<std::string> seen;
    for (const auto& p : s.Placemarks)
        seen.push_back(Innermost(p.Folder) + "|" + p.Name + "|" + p.Visibility + "|" + p.TimeStamp + "|" + p.Data);
    const std::vector<std::string> expected{
        "Doc|Track 12: Pilot|-|-|",
        "Gate|Gate A (045)|-|2008-07-30T09:00:11Z|Name=A (045);Time=11:00:11;Distance=1",
        "Turn point|Turn point A|-|2008-07-30T09:00:01Z|Name=A;Time=11:00:01;Distance=12;Accum. Distance=15 235",
        "Maximum distance to turn point|Maximum distance to turn point B|-|2008-07-30T09:00:02Z|"
        "Name=B;Time=11:00:02;Distance=1 234 567;Bearing=007.3",
        "Enter leg|Enter leg A - B|0|2008-07-30T09:00:03Z|Name=A - B;Time=11:00:03;Distance=-",
        "Enter leg|Enter leg A - B|0|2008-07-30T09:00:05Z|Name=A - B;Time=11:00:05;Distance=3;Points in leg=50.0%",
        "Exit leg|Exit leg A - B|0|2008-07-30T09:00:04Z|Name=A - B;Time=11:00:04;Distance=-",
        "End of leg|End of leg A - B|0|2008-07-30T09:00:06Z|Name=A - B;Time=11:00:06;Distance=-;Points in leg=0.0%",
        "High acceleration|High acceleration|0|-|Time=01:00:00;Distance=-;Acceleration=1.00",
        "High acceleration|High acceleration|0|2008-07-30T09:00:07Z|Time=11:00:07;Distance=-;Acceleration=0.26",
        "IGC event|IGC event: Unknown event|-|2008-07-30T09:00:08Z|Time=11:00:08;Distance=-",
        "IGC event|IGC event: Unknown event|-|2008-07-30T09:00:09Z|Time=11:00:09;Distance=-",
        "Unknown event|Unknown event|-|2008-07-30T09:00:10Z|Time=11:00:10;Distance=-",
    };
    EXPECT_EQ(seen, expected);
    EXPECT_NE(s.FindFolder("Doc / Events / Other events / Unknown event"), nullptr);
    EXPECT_EQ(s.FindFolder("Doc / Events")->Visibility, "-");
    EXPECT_EQ(s.FindFolder("Doc / Events / Leg events")->Visibility, "0");
    EXPECT_EQ(s.FindFolder("Doc / Events / Turn point events / Turn point")->Visibility, "-");

    // Height 0: 1000 m in an event placemark, 0 in the track.
    const std::string kml = s.Raw;
    EXPECT_EQ(s.Placemarks[0].TimeSpan, "2008-07-30T09:00:00Z 2008-07-30T09:00:05Z");
    KmlFile again;
    ASSERT_TRUE(again.Open("Z"));
    again.BeginFolder("Doc", kvVisible);
    again.WriteTrack("z", track);
    again.BeginEventPlacemark(track.Points[0].Location, "e", "Gate", July30At9, 0.0);
    again.EndEventPlacemark();
    again.EndFolder();
    std::filesystem::create_directory(place.File("Z.kmz"));
    again.Close();
    const std::string text = ReadFileBytes(place.File("Z.kml"));
    EXPECT_NE(text.find("7.500000,46.500000,0\n7.500000,46.500000,813\n"), std::string::npos);
    EXPECT_NE(text.find("7.500000,46.500000,1000\n"), std::string::npos);
}

TEST(KmlFlight, TrackWithoutFixesHasNoLineAndNoSpan)
{
    TExportPlace place;
    TTrack track;
    const TKmlSummary s = ExportTrackAndEvents(place, track, kvInherit);
    ASSERT_EQ(s.ParseError, "");
    ASSERT_EQ(s.Placemarks.size(), 1u);
    EXPECT_EQ(s.Placemarks[0].Geometry, "-");
    EXPECT_EQ(s.Placemarks[0].TimeSpan, "-");
    EXPECT_EQ(s.Placemarks[0].Name, "Track 12: Pilot");
    ASSERT_EQ(s.Folders.size(), 2u); // the document and an empty "Events"
    EXPECT_EQ(s.Folders[1].Path, "Doc / Events");
}
