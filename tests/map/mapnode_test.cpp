// The map node: names and projection kinds, the change counter, the datum,
// the reference table, and the Map element written and read back (with the
// correction of files of version 0.4).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "common/TempDir.h"
#include "map/SyntheticMap.h"
#include "model/Map.h"
#include "platform/Exceptions.h"
#include "platform/Hooks.h"
#include "platform/StringGrid.h"
#include "xml/Xmlfile.h"

using namespace maptest;

namespace {

// The championship as the georeference sees it: a node with its attributes.
class TChampStandIn : public TChampNode {
public:
    explicit TChampStandIn(const std::string& version) : TChampNode(ntChampionship)
    {
        SetAttribute(acVersion, version);
    }
    void UpdateName() override {}
};

const std::string GoldenMap = "<Map ShortName=\"Pyr\">\n"
                              "\t<Name>Pyrenees West</Name>\n"
                              "\t<Description/>\n"
                              "\t<MapFile>pyr.bmp</MapFile>\n"
                              "\t<Datum>WGS 84</Datum>\n"
                              "\t<Region>Global</Region>\n"
                              "\t<Projection>UTM</Projection>\n"
                              "\t<Scale>50000</Scale>\n"
                              "\t<Georef>\n"
                              "\t\t<MapRef X=\"10\" Y=\"20\" Lat=\"43.1234567\" Lon=\"-1.2345678\"/>\n"
                              "\t\t<MapRef X=\"5\" Y=\"30\" Lat=\"43.0000000\" Lon=\"-0.0000001\"/>\n"
                              "\t</Georef>\n"
                              "</Map>\n";

TGeoCoord Degrees(double lat, double lon) { return {DegToRad(lon), DegToRad(lat), 0.0}; }

// Reads one Map element the way the championship's reader hands it over.
std::unique_ptr<TMap> ReadMap(const std::string& text, TChampNode* owner = nullptr)
{
    TXmlInput in("maps.xml", text);
    EXPECT_TRUE(in.HasData());
    const TXmlData start = in.Get();
    EXPECT_EQ(start.Element, "Map");
    auto map = std::make_unique<TMap>();
    map->SetOwner(owner);
    EXPECT_TRUE(map->ReadXml(in));
    return map;
}

std::string MapWithRef(const std::string& projection, const std::string& datum, const std::string& region,
                       const std::string& mapRef)
{
    return "<Map ShortName=\"M\"><Datum>" + datum + "</Datum><Region>" + region + "</Region><Projection>" +
           projection + "</Projection><Georef>" + mapRef + "</Georef></Map>";
}

} // namespace

TEST(MapNode, NamesProjectionKindsAndDatum)
{
    TMap map;
    EXPECT_EQ(map.DisplayName(), "(new map)");
    EXPECT_EQ(map.Georef.DisplayName(), "Reference points");
    EXPECT_EQ(map.NodeType(), ntMap);
    EXPECT_EQ(map.Georef.NodeType(), ntGeoref);
    map.SetAttribute(acShortName, "Alps");
    EXPECT_EQ(map.DisplayName(), "Alps");

    const std::pair<const char*, TMapProjection> kinds[] = {
        {"UTM", mpUtm}, {"utm", mpUtm}, {"", mpUtm}, {"Lambert conformal", mpLambert}, {"Unknown", mpUnknown},
        {"Lambert", mpUnknown}};
    for (auto [text, kind] : kinds) { // other texts leave the kind as it was
        map.SetAttribute(acProjection, text);
        EXPECT_EQ(map.ProjectionKind, kind) << text;
        EXPECT_EQ(map.Georef.ProjectionKind, kind) << text;
    }

    map.SetAttribute(acDatum, "European 1950");
    map.SetAttribute(acRegion, "Portugal; Spain");
    EXPECT_EQ(map.GetDatum()->Ellipsoid.Name, "International 1924");
    map.SetAttribute(acProjection, "UTM");
    for (auto [x, y, lat, lon] : {std::tuple{0, 0, 43.2, -1.8}, {900, 0, 43.2, -1.7}, {0, 800, 43.1, -1.8}})
        map.Georef.AddRef(new TMapRef(x, y, TLocation(Degrees(lat, lon), map.GetDatum())));
    ASSERT_TRUE(map.Georef.Calculate(mpUtm));
    double e1950 = 0.0, n1950 = 0.0;
    map.Georef.PixelToWorld(450, 400, e1950, n1950);

    // Another datum is taken as soon as Datum and Region name it: the
    // references keep their figures on it, as the file gives them when read
    // again, the fit is made anew and the change counter moves.
    const std::uint64_t count = map.ChangeCount();
    map.SetAttribute(acDatum, "WGS 84");
    map.SetAttribute(acRegion, "Global");
    const TDatum* wgs = map.GetDatum();
    EXPECT_EQ(wgs->Name, "WGS 84");
    EXPECT_GT(map.ChangeCount(), count + 2);
    for (const TMapRef* ref : map.Georef.Refs) {
        EXPECT_EQ(ref->Location.Datum, wgs);
        EXPECT_EQ(ref->Location.Utm.X, GeoToUtm(ref->Location.Geo, wgs->Ellipsoid).X);
    }
    EXPECT_NEAR(map.Georef.Refs.begin().operator*()->Location.Geo.Lat, DegToRad(43.2), 1e-15);
    ASSERT_TRUE(map.Georef.Valid);
    double e84 = 0.0, n84 = 0.0;
    map.Georef.PixelToWorld(450, 400, e84, n84);
    EXPECT_GT(std::hypot(e84 - e1950, n84 - n1950), 50.0); // the ellipsoids differ by far more

    // A pair that names no datum keeps the last one until it is asked for.
    map.SetAttribute(acDatum, "Nowhere 1900");
    EXPECT_EQ((*map.Georef.Refs.begin())->Location.Datum, wgs);
    EXPECT_THROW(map.GetDatum(), TException);

    TMap unnamed;
    EXPECT_THROW(unnamed.GetDatum(), TException);

    // A missing datum file is named, so the user knows which one.
    {
        TScopedHooks hooks;
        hooks->ProgramFolder = [] { return std::string("/nonexistent-folder"); };
        TMap elsewhere;
        try {
            elsewhere.GetDatum();
            ADD_FAILURE() << "no exception";
        } catch (const TException& e) {
            EXPECT_EQ(e.Message(), "<Can't open XML file> in <>. Details: </nonexistent-folder/Datums.xml>");
        }
    }

    TChampStandIn champ("1.0");
    map.SetOwner(&champ);
    EXPECT_EQ(map.Owner(), &champ);
    EXPECT_EQ(map.Georef.Owner(), &champ);
}

TEST(MapNode, ChangeCounterMovesOnEveryChange)
{
    TSyntheticMap s;
    auto map = NewUtmMap();
    std::uint64_t last = map->ChangeCount();
    auto moved = [&] {
        const bool m = map->ChangeCount() != last;
        last = map->ChangeCount();
        return m;
    };
    map->SetAttribute(acScale, "50000");
    EXPECT_TRUE(moved());
    map->SetAttribute(acShortName, "M2");
    EXPECT_TRUE(moved());
    for (int i = 0; i < 3; ++i) {
        map->Georef.AddRef(s.MakeRef(*map, 1000 * i, 500 * i * i));
        EXPECT_TRUE(moved());
    }
    TMapRef twin(0, 0);
    EXPECT_THROW(map->Georef.AddRef(&twin), TException);
    EXPECT_FALSE(moved());
    EXPECT_TRUE(map->Georef.Calculate(mpUtm));
    EXPECT_TRUE(moved());
    map->GetDatum();
    map->SetGrid(s.Width, s.Height, 5000.0);
    EXPECT_FALSE(moved()); // nothing a projection depends on
    map->Georef.DeleteRef(&twin);
    EXPECT_TRUE(moved());
    EXPECT_FALSE(map->Georef.Calculate(mpUtm)); // a failed fit is a change too
    EXPECT_TRUE(moved());
    TStringGrid grid(8, 2);
    map->Georef.FillGrid(&grid); // refits
    EXPECT_TRUE(moved());
}

TEST(MapNode, ReferenceTable)
{
    TScopedHooks hooks;
    std::vector<std::pair<TStringGrid*, TNodeDescription*>> activated;
    bool validWhenActivated = true;
    auto map = NewUtmMap();
    hooks->ActivateTable = [&](TStringGrid* grid, TNodeDescription* node) {
        activated.emplace_back(grid, node);
        validWhenActivated = map->Georef.Valid;
    };

    // A table that showed something longer before.
    TStringGrid grid(8, 12);
    for (int row = 0; row < 12; ++row) grid.SetCell(1, row, "old");
    TGeoref& g = map->Georef;
    g.AddRef(new TMapRef(10, 20, TLocation(Degrees(43.1234567, -1.2345678), map->GetDatum())));
    g.AddRef(new TMapRef(5, 30, TLocation(Degrees(43.0, -1.0), map->GetDatum())));
    g.AddRef(new TMapRef(900, 700, TLocation(Degrees(42.9, -1.1), map->GetDatum())));
    g.FillGrid(&grid);

    const std::vector<std::string> header = {" N", " Pixel X", " Pixel Y", " Easting", " Northing", " Zone",
                                             " Latitude", " Longitude"};
    for (int col = 0; col < 8; ++col) EXPECT_EQ(grid.Cell(col, 0), header[static_cast<std::size_t>(col)]);
    EXPECT_EQ(grid.RowCount(), 4);
    // Figures checked against GeoConvert: 30n 643611 4776037, 43d07'24.44"N 001d14'04.44"W.
    const std::vector<std::string> first = {"1", "10", "20", "643 611", "4 776 037", "30T",
                                            " 43\xBA 07' 24.44\" N", "  1\xBA 14' 04.44\" W"};
    for (int col = 0; col < 8; ++col) EXPECT_EQ(grid.Cell(col, 1), first[static_cast<std::size_t>(col)]) << col;
    EXPECT_EQ(grid.Cell(0, 3), "3");
    EXPECT_EQ(grid.Cell(1, 3), "900");
    ASSERT_EQ(activated.size(), 1u);
    EXPECT_EQ(activated[0].first, &grid);
    EXPECT_EQ(activated[0].second, &g);
    EXPECT_FALSE(validWhenActivated); // the fit comes last
    EXPECT_TRUE(g.Valid);

    // An empty list shows one empty row, not the last one of before.
    TMap empty;
    empty.Georef.FillGrid(&grid);
    EXPECT_EQ(grid.RowCount(), 2);
    for (int col = 0; col < 8; ++col) EXPECT_EQ(grid.Cell(col, 1), "");
    EXPECT_EQ(activated.size(), 2u);
    empty.Georef.FillGrid(nullptr);
    EXPECT_EQ(activated.size(), 2u);
}

TEST(MapNode, SelectInGridScrollsTheRowIntoView)
{
    TSyntheticMap s;
    auto map = NewUtmMap();
    AddLattice(*map, s, 5);
    TStringGrid grid(8, 2);
    grid.SetVisibleRowCount(5);
    map->Georef.FillGrid(&grid);
    ASSERT_EQ(grid.RowCount(), 26);
    std::vector<const TMapRef*> refs(map->Georef.Refs.begin(), map->Georef.Refs.end());

    map->Georef.SelectInGrid(&grid, refs[19]); // row 20, below the view
    EXPECT_EQ(grid.Selection(), (TGridRect{1, 20, 7, 20}));
    EXPECT_EQ(grid.TopRow(), 16);
    map->Georef.SelectInGrid(&grid, refs[17]); // in view: no scroll
    EXPECT_EQ(grid.Selection().Top, 18);
    EXPECT_EQ(grid.TopRow(), 16);
    map->Georef.SelectInGrid(&grid, refs[2]); // above the view
    EXPECT_EQ(grid.TopRow(), 3);
    const TMapRef stranger(4, 4);
    map->Georef.SelectInGrid(&grid, &stranger);
    EXPECT_EQ(grid.Selection().Top, 3);
    EXPECT_EQ(grid.TopRow(), 3);
}

TEST(MapNode, ElementWrittenAndReadBack)
{
    TempDir dir;
    auto map = NewUtmMap("Pyr");
    map->SetAttribute(acName, "Pyrenees West");
    map->SetAttribute(acMapFile, "pyr.bmp");
    map->SetAttribute(acScale, "50000");
    map->Georef.AddRef(new TMapRef(5, 30, TLocation(Degrees(43.0, -0.00000005), map->GetDatum())));
    map->Georef.AddRef(new TMapRef(10, 20, TLocation(Degrees(43.1234567, -1.2345678), map->GetDatum())));
    TXmlOutput out(dir.File("maps.xml"));
    map->WriteXml(out);
    EXPECT_EQ(out.Text(), GoldenMap);

    const auto back = ReadMap(GoldenMap);
    for (TAttributeCode code : {acName, acShortName, acDescription, acMapFile, acDatum, acRegion, acProjection,
                                acScale})
        EXPECT_EQ(back->GetAttribute(code), map->GetAttribute(code));
    EXPECT_EQ(back->ProjectionKind, mpUtm);
    EXPECT_EQ(back->Georef.Map, back.get());
    ASSERT_EQ(back->Georef.Refs.size(), 2u);
    const TMapRef* first = *back->Georef.Refs.begin();
    EXPECT_EQ(first->PixelX, 10);
    EXPECT_EQ(first->PixelY, 20);
    EXPECT_NEAR(RadToDeg(first->Location.Geo.Lat), 43.1234567, 1e-12);
    EXPECT_NEAR(RadToDeg(first->Location.Geo.Lon), -1.2345678, 1e-12);
    EXPECT_EQ(first->Location.Datum, back->GetDatum());
    EXPECT_EQ(first->Location.Utm.Zone, "30T");
    TXmlOutput again(dir.File("again.xml"));
    back->WriteXml(again);
    EXPECT_EQ(again.Text(), GoldenMap);
}

TEST(MapNode, ReferenceTextThatDoesNotReadIsRefused)
{
    const std::pair<std::string, std::string> bad[] = {
        {"X=\"1.5\" Y=\"2\" Lat=\"45\" Lon=\"6\"", "1.5"},
        {"X=\"1\" Y=\"99999999999\" Lat=\"45\" Lon=\"6\"", "99999999999"},
        {"X=\"1\" Y=\"2\" Lat=\"45,5\" Lon=\"6\"", "45,5"},
        {"X=\"1\" Y=\"2\" Lat=\"45\" Lon=\"nan\"", "nan"},
        {"X=\"1\" Y=\"2\" Lat=\"1e999\" Lon=\"6\"", "1e999"},
        {"X=\"\" Y=\"2\" Lat=\"45\" Lon=\"6\"", ""},
        {"X=\"1\" Y=\"2\" Lat=\"45\"", ""},
    };
    for (const auto& [attributes, text] : bad) {
        try {
            ReadMap(MapWithRef("UTM", "WGS 84", "Global", "<MapRef " + attributes + "/>"));
            ADD_FAILURE() << attributes;
        } catch (const TException& e) {
            EXPECT_EQ(e.WhatText(), "Invalid number") << attributes;
            EXPECT_EQ(e.Details(), text) << attributes;
        }
    }
    // Blanks around a number are fine; a second reference on one pixel is not.
    EXPECT_EQ(ReadMap(MapWithRef("UTM", "WGS 84", "Global", "<MapRef X=\" 7 \" Y=\"2\" Lat=\"45\" Lon=\"6\"/>"))
                  ->Georef.Refs.size(),
              1u);
    const std::string twice = "<MapRef X=\"1\" Y=\"2\" Lat=\"45\" Lon=\"6\"/><MapRef X=\"1\" Y=\"2\" Lat=\"46\" Lon=\"6\"/>";
    EXPECT_THROW(ReadMap(MapWithRef("UTM", "WGS 84", "Global", twice)), TException);
}

TEST(MapNode, VersionZeroPointFourCorrection)
{
    // A UTM map on European 1950: files of version 0.4 stored the place whose
    // WGS 84 grid figures are the map's.
    const std::string ref = "<MapRef X=\"1\" Y=\"2\" Lat=\"45.5\" Lon=\"6.1\"/>";
    const TGeoCoord stored = Degrees(45.5, 6.1);
    auto placeOf = [&](const std::string& version, const std::string& projection) {
        TChampStandIn champ(version);
        const auto map = ReadMap(MapWithRef(projection, "European 1950", "Portugal; Spain", ref), &champ);
        return (*map->Georef.Refs.begin())->Location.Geo;
    };
    const TGeoCoord corrected = placeOf("0.4", "UTM");
    // GeoConvert: 45.5 N 6.1 E is 32n 273433.8476 5042587.8613 on WGS 84;
    // TransverseMercatorProj -l 9 -k 0.9996 -e 6378388 1/297 -r takes those
    // figures to 45.4991520593 N 6.1001786320 E on International 1924.
    EXPECT_NEAR(RadToDeg(corrected.Lat), 45.4991520593, 1e-8);
    EXPECT_NEAR(RadToDeg(corrected.Lon), 6.1001786320, 1e-8);

    // Only exactly "0.4", only on UTM maps.
    for (const char* version : {"0.40", "0.4.1", " 0.4", "1.0", ""}) {
        const TGeoCoord kept = placeOf(version, "UTM");
        EXPECT_EQ(kept.Lat, stored.Lat) << version;
        EXPECT_EQ(kept.Lon, stored.Lon) << version;
    }
    for (const char* projection : {"Unknown", "Lambert conformal"}) {
        const TGeoCoord kept = placeOf("0.4", projection);
        EXPECT_EQ(kept.Lat, stored.Lat) << projection;
    }
    // No owner, or an owner without a version: nothing to correct.
    const auto orphan = ReadMap(MapWithRef("UTM", "European 1950", "Portugal; Spain", ref));
    EXPECT_EQ((*orphan->Georef.Refs.begin())->Location.Geo.Lat, stored.Lat);
}
