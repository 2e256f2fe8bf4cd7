// The map view's quick repaint (while zooming and dragging) and full redraw
// of a generated 10 000 x 10 000 scanned map in a 1600 x 1000 window, at 1,
// 4, 6 and 16 bitmap pixels per window pixel (6: between the halved images
// the view keeps), with the grid, 50 waypoints and a
// 40 000-fix track shown over it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "BenchRandom.h"
#include "analysis/Flight.h"
#include "analysis/Track.h"
#include "geodesy/Coord.h"
#include "geodesy/Datum.h"
#include "model/Championship.h"
#include "model/Map.h"
#include "platform/Hooks.h"
#include "ui/MapWindow.h"
#include "ui/Userinterface.h"

namespace {

constexpr int Side = 10000;
constexpr double East0 = 400000.0;
constexpr double North0 = 5100000.0;
constexpr double MetresPerPixel = 5.0;

TGeoCoord PixelToGeo(double px, double py)
{
    return TUtmCoord(East0 + px * MetresPerPixel, North0 - py * MetresPerPixel, 0.0, "32T")
        .ToGeo(DefaultDatum()->Ellipsoid);
}

// A scan-like picture: soft colour fields with fine lines every 50 pixels.
QImage GeneratedMap()
{
    QImage image(Side, Side, QImage::Format_RGB32);
    for (int y = 0; y < Side; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < Side; ++x) {
            const bool ink = x % 50 == 0 || y % 50 == 0;
            line[x] = ink ? qRgb(60, 60, 60) : qRgb(150 + (x >> 7) % 100, 150 + (y >> 7) % 100, 200 - ((x + y) >> 8) % 80);
        }
    }
    return image;
}

std::string IgcFix(int t, const TGeoCoord& g)
{
    const long lat = std::lround(RadToDeg(g.Lat) * 60000.0);
    const long lon = std::lround(RadToDeg(g.Lon) * 60000.0);
    char buf[96];
    std::snprintf(buf, sizeof buf, "B%02d%02d%02d%02ld%05ldN%03ld%05ldEA0010000120\r\n", t / 3600, t / 60 % 60, t % 60,
                  lat / 60000, lat % 60000, lon / 60000, lon % 60000);
    return buf;
}

struct TScene {
    std::filesystem::path Folder;
    TChampionship* Championship = nullptr;
    TMap* Map = nullptr;
    TMapCanvas Canvas;
    TFlight Flight;

    TScene()
    {
        char pattern[] = "/tmp/zeph_map_view_XXXXXX";
        Folder = mkdtemp(pattern);
        Hooks().WorkingFolder = [f = Folder.string()] { return f; };
        const std::string bitmap = (Folder / "map.bmp").string();
        GeneratedMap().save(QString::fromStdString(bitmap), "BMP");

        Championship = new TChampionship;
        Championship->SetAttribute(acShortName, "Bench");
        Map = new TMap;
        Map->SetAttribute(acShortName, "Big");
        Map->SetAttribute(acMapFile, bitmap);
        Map->SetAttribute(acDatum, "WGS 84");
        Map->SetAttribute(acRegion, "Global");
        Map->SetAttribute(acProjection, "UTM");
        for (auto [x, y] : {std::pair{500, 500}, {9500, 500}, {500, 9500}, {9500, 9500}})
            Map->Georef.AddRef(new TMapRef(x, y, TLocation(PixelToGeo(x, y), Map->GetDatum())));
        Championship->AddMap(Map);
        Lcg random;
        for (int i = 0; i < 50; ++i)
            Championship->WayPoints.Add(TWayPoint(
                TLocation(PixelToGeo(random.Real(0, Side), random.Real(0, Side))), "WP" + std::to_string(i)));
        UserInterface.AddChampionship(Championship);

        // A flight wandering over the whole sheet, one fix a second.
        std::string igc = "AXXX001\r\nHFDTE060708\r\n";
        double x = Side / 2.0, y = Side / 2.0, course = 0.0;
        for (int t = 0; t < 40000; ++t) {
            course += random.Real(-0.05, 0.05);
            x = std::clamp(x + 5.0 * std::cos(course), 0.0, double(Side));
            y = std::clamp(y + 5.0 * std::sin(course), 0.0, double(Side));
            igc += IgcFix(28800 + t, PixelToGeo(x, y));
        }
        const std::string track = (Folder / "flight.igc").string();
        if (std::FILE* f = std::fopen(track.c_str(), "wb")) {
            std::fwrite(igc.data(), 1, igc.size(), f);
            std::fclose(f);
        }
        Flight.ReadTrack(track);

        Canvas.resize(1600, 1000);
        Canvas.View = &UserInterface.MapWindow;
        TMapWindow& view = UserInterface.MapWindow;
        view.LoadMap(Map, &Canvas);
        view.ShowMap = view.ShowGrid = view.ShowWpt = view.ShowFlight = true;
        view.AutoMove = false;
        UserInterface.SetFlight(&Flight);
    }
    ~TScene()
    {
        UserInterface.Reset();
        std::filesystem::remove_all(Folder);
    }
};

TScene* Scene = nullptr;

// The map's centre in the window's centre at that scale.
TMapWindow& ViewAt(double scale)
{
    TMapWindow& view = UserInterface.MapWindow;
    view.View.SetScale(Side / 2.0, Side / 2.0, 800, 500, scale);
    return view;
}

void BM_QuickPaint(benchmark::State& state)
{
    TMapWindow& view = ViewAt(double(state.range(0)));
    for (auto _ : state) view.Paint();
}
BENCHMARK(BM_QuickPaint)->Arg(1)->Arg(4)->Arg(6)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_FullRedraw(benchmark::State& state)
{
    TMapWindow& view = ViewAt(double(state.range(0)));
    for (auto _ : state) view.Redraw();
}
BENCHMARK(BM_FullRedraw)->Arg(1)->Arg(4)->Arg(6)->Arg(16)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Scene = new TScene;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete Scene;
    return 0;
}
