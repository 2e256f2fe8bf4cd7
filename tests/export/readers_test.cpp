// GDAL's two KML readers (LIBKML on the archive, the expat-based KML driver
// on the entry inside it) must see what Python's reader sees.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "ChampExport.h"
#include "ExportFixtures.h"
#include "KmlSummary.h"
#include "export/Googleearth.h"

using namespace kmltest;

namespace {

// Placemarks per innermost folder name, as Python's reader sees them.
std::map<std::string, int> PlacemarksByFolder(const TKmlSummary& s)
{
    std::map<std::string, int> counts;
    for (const auto& p : s.Placemarks) {
        const auto slash = p.Folder.rfind(" / ");
        ++counts[slash == std::string::npos ? p.Folder : p.Folder.substr(slash + 3)];
    }
    return counts;
}

// Both readers see every placemark of a file in the layer of its folder.
void ExpectReadersAgree(const std::string& folder, const std::string& base)
{
    const std::string kmz = folder + "/" + base + ".kmz";
    const TKmlSummary s = Summarise(kmz);
    ASSERT_EQ(s.ParseError, "");
    const TOgrSummary libkml = OgrInfo("-ro -al '" + kmz + "'");
    const TOgrSummary kml =
        OgrInfo("--config GDAL_SKIP LIBKML -ro -al '/vsizip/" + kmz + "/" + base + ".kml'");
    for (const TOgrSummary* ogr : {&libkml, &kml}) {
        ASSERT_TRUE(ogr->Ran);
        EXPECT_EQ(ogr->Features, static_cast<int>(s.Placemarks.size())) << ogr->Driver;
        EXPECT_GT(ogr->Coordinates, 0);
        EXPECT_EQ(ogr->BadCoordinates, 0) << ogr->Driver;
        for (const auto& [name, count] : PlacemarksByFolder(s)) EXPECT_EQ(ogr->CountOf(name), count) << name;
    }
    EXPECT_EQ(libkml.Driver, "LIBKML");
    EXPECT_EQ(kml.Driver, "KML");
}

} // namespace

// The task number export: task, two analysed flights (one a real log when
// the shared data is there), names with "&", "<" and accents.
TEST(IndependentReaders, ReadTheTaskNumberExport)
{
    if (!HaveOgrinfo()) GTEST_SKIP() << "ogrinfo is not installed";
    TExportPlace place;
    TChampExport fx(place.Dir.Path().string());
    ASSERT_TRUE(fx.Load(fx.Task3, "12"));
    ASSERT_TRUE(fx.Load(fx.Task3, "7"));
    { KmlFile kml(fx.Task3); }
    ExpectReadersAgree(place.Dir.Path().string(), "ML_3");
}
