#pragma once
// A championship with one scanned map, made up in a temporary folder, loaded
// into the one user-interface object, and a map canvas to show it on.
//
// The map is a 1000 x 800 bitmap of four flat quadrant colours with a black
// one-pixel frame (MapColour tells the colour of any pixel), saved as
// "map.bmp" beside "cup.xch". Its georeference is linear: three references,
// UTM zone 31T on WGS 84, 10 m per pixel, the bitmap's top-left corner at
// easting 482 000, northing 5 012 000, so every overlay's pixel can be worked
// out (PixelToGeo, PixelToUtm take bitmap coordinates, in which pixel i runs
// from i to i + 1). A place at whole bitmap coordinates shows at those window
// pixels at scale 1, clear of the rounding boundaries. Grid lines of 5 km
// fall on bitmap columns 300 and 800 and on rows 200 and 700.
//
// The fixture leaves the map view's display flags at: map shown, everything
// else off, every event type shown. The destructor resets the user interface.

#include <QColor>
#include <QImage>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "analysis/Flight.h"
#include "analysis/Track.h"
#include "common/TempDir.h"
#include "geodesy/Coord.h"
#include "geodesy/Datum.h"
#include "model/Championship.h"
#include "model/Map.h"
#include "model/Task.h"
#include "platform/Hooks.h"
#include "ui/MapWindow.h"
#include "ui/QtText.h"
#include "ui/Userinterface.h"

namespace mapview {

inline constexpr int MapWidth = 1000;
inline constexpr int MapHeight = 800;
inline constexpr double East0 = 482000.0;
inline constexpr double North0 = 5012000.0;
inline constexpr double MetresPerPixel = 10.0;

inline QRgb MapColour(int x, int y)
{
    if (x == 0 || y == 0 || x == MapWidth - 1 || y == MapHeight - 1) return qRgb(0, 0, 0);
    const bool right = x >= MapWidth / 2;
    const bool bottom = y >= MapHeight / 2;
    if (!bottom) return right ? qRgb(150, 200, 230) : qRgb(230, 200, 150);
    return right ? qRgb(220, 180, 220) : qRgb(180, 230, 150);
}

inline QImage QuadrantBitmap()
{
    QImage image(MapWidth, MapHeight, QImage::Format_RGB32);
    for (int y = 0; y < MapHeight; ++y)
        for (int x = 0; x < MapWidth; ++x) image.setPixel(x, y, MapColour(x, y));
    return image;
}

inline TMapPoint PixelToUtm(double px, double py)
{
    return {East0 + px * MetresPerPixel, North0 - py * MetresPerPixel};
}

// WGS 84.
inline TGeoCoord PixelToGeo(double px, double py)
{
    const TMapPoint utm = PixelToUtm(px, py);
    return TUtmCoord(utm.X, utm.Y, 0.0, "31T").ToGeo(DefaultDatum()->Ellipsoid);
}

inline TLocation PixelLocation(double px, double py)
{
    return TLocation(PixelToGeo(px, py), DefaultDatum());
}

// An IGC B record at that place of the bitmap, `seconds` after 10:00:00
// (northern and eastern hemisphere only).
inline std::string Fix(int seconds, double px, double py)
{
    const TGeoCoord g = PixelToGeo(px, py);
    const int t = 36000 + seconds;
    const long lat = std::lround(RadToDeg(g.Lat) * 60000.0);
    const long lon = std::lround(RadToDeg(g.Lon) * 60000.0);
    char b[96];
    std::snprintf(b, sizeof b, "B%02d%02d%02d%02ld%05ldN%03ld%05ldEA0010000120", t / 3600, t / 60 % 60, t % 60,
                  lat / 60000, lat % 60000, lon / 60000, lon % 60000);
    return b;
}

class TMapFixture {
public:
    explicit TMapFixture(int windowWidth = 640, int windowHeight = 480)
    {
        Hooks->WorkingFolder = [path = Dir.Path().string()] { return path; };
        QuadrantBitmap().save(QString::fromStdString(Dir.File("map.bmp")), "BMP");
        {
            TChampionship made;
            made.SetAttribute(acShortName, "Test Cup");
            auto* map = new TMap;
            map->SetAttribute(acShortName, "M1");
            map->SetAttribute(acMapFile, "map.bmp");
            map->SetAttribute(acDatum, "WGS 84");
            map->SetAttribute(acRegion, "Global");
            map->SetAttribute(acProjection, "UTM");
            for (auto [x, y] : {std::pair{100, 100}, {900, 100}, {100, 700}})
                map->Georef.AddRef(new TMapRef(x, y, TLocation(PixelToGeo(x + 0.5, y + 0.5), map->GetDatum())));
            made.AddMap(map);
            made.Save(Dir.File("cup.xch"));
        }
        // Loaded from its file, so that the bitmap is found in its folder.
        Championship = new TChampionship(Dir.File("cup.xch"));
        UserInterface.AddChampionship(Championship);
        Map = Championship->FindMap("M1");
        Canvas.resize(windowWidth, windowHeight);
        Canvas.View = &View;
        View.View = TMapTransform();
        View.Dragging = false;
        View.ShowMap = true;
        View.ShowGrid = View.ShowWpt = View.ShowTask = View.ShowFlight = false;
        View.ShowPoints = View.ShowEvents = true;
        View.SyncView = View.AutoMove = false;
        View.EventMask = 0xFFFFFFFFu;
    }
    ~TMapFixture()
    {
        View.NodeDeleting(Championship); // lets go of the bitmap too
        UserInterface.Reset();
    }
    TMapFixture(const TMapFixture&) = delete;
    TMapFixture& operator=(const TMapFixture&) = delete;

    // Into the fixture's canvas, or another one (a main window's).
    void LoadMap(TMapCanvas* target = nullptr)
    {
        View.LoadMap(Map, target ? target : &Canvas);
        View.Redraw();
    }

    // Another UTM map of the championship on WGS 84, without references.
    TMap* AddMap(const std::string& name, const std::string& file)
    {
        auto* map = new TMap;
        map->SetAttribute(acShortName, name);
        map->SetAttribute(acMapFile, file);
        map->SetAttribute(acDatum, "WGS 84");
        map->SetAttribute(acRegion, "Global");
        map->SetAttribute(acProjection, "UTM");
        Championship->AddMap(map);
        return map;
    }

    TWayPoint* AddWaypoint(const std::string& code, double px, double py)
    {
        return Championship->WayPoints.Add(TWayPoint(PixelLocation(px, py), code));
    }

    // An empty task instance of the championship, made the current one.
    TTaskInstance* NewTaskInstance()
    {
        auto* taskTemplate = new TTaskTemplate;
        taskTemplate->SetAttribute(acShortName, "T" + std::to_string(++FTasks));
        Championship->AddTaskTemplate(taskTemplate);
        auto* instance = new TTaskInstance;
        instance->SetAttribute(acVersion, "A");
        Championship->AddTaskInstance(instance, taskTemplate);
        UserInterface.CurrentTaskInstance = instance;
        return instance;
    }

    // Reads the B records (Fix) as the current flight's new track.
    TTrack* SetTrack(const std::vector<std::string>& fixes)
    {
        std::string text = "AXXX001\r\nHFDTE060708\r\n";
        for (const std::string& b : fixes) text += b + "\r\n";
        const std::string file = Dir.File("flight" + std::to_string(++FTracks) + ".igc");
        WriteFileBytes(file, text);
        if (!Flight) Flight = std::make_unique<TFlight>();
        UserInterface.SelectPoint(-1);
        Flight->ReadTrack(file);
        UserInterface.SetFlight(Flight.get());
        return Flight->Track();
    }

    // The window pixel of a bitmap point, as the view now maps it.
    TScreenPoint Screen(double px, double py) const { return View.View.ImageToScreen(px, py); }
    // Opaque: XOR drawing leaves the unused alpha byte of RGB32 pixels cleared.
    QRgb Pixel(int x, int y) const { return View.BackBuffer().pixel(x, y) | 0xFF000000u; }
    QRgb Pixel(TScreenPoint p) const { return Pixel(p.X, p.Y); }

    TempDir Dir;
    TScopedHooks Hooks;
    TChampionship* Championship = nullptr; // owned by UserInterface
    TMap* Map = nullptr;
    TMapCanvas Canvas;
    TMapWindow& View = UserInterface.MapWindow;
    std::unique_ptr<TFlight> Flight;

private:
    int FTasks = 0;
    int FTracks = 0;
};

} // namespace mapview
