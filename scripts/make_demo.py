#!/usr/bin/env python3
"""Writes the demonstration championship into a folder (default build-release/demo):

  demo.xch      one class, two teams, three competitors, a map with five references,
                four waypoints, a task template with one instance (three turn points,
                a start gate and a leg) and task number 01
  demo-map.bmp  a generated 1600 x 1200 scanned-map look-alike, 10 m a pixel, UTM zone 30
  1T01A.igc     competitor 1 flies the whole task
  2T01A.igc     competitor 2 cuts the corner and misses turn point TP2
  lastmap       names the map, so opening the championship loads it

Only the standard library; the UTM formulas are the usual Krueger series on WGS 84.
"""
import math
import os
import struct
import sys

A = 6378137.0
F = 1 / 298.257223563
K0 = 0.9996
ZONE = 30
LON0 = math.radians(-3.0)

N = F / (2 - F)
AA = A / (1 + N) * (1 + N * N / 4 + N ** 4 / 64)
ALPHA = [N / 2 - 2 * N * N / 3 + 5 * N ** 3 / 16, 13 * N * N / 48 - 3 * N ** 3 / 5, 61 * N ** 3 / 240]
BETA = [N / 2 - 2 * N * N / 3 + 37 * N ** 3 / 96, N * N / 48 + N ** 3 / 15, 17 * N ** 3 / 480]
DELTA = [2 * N - 2 * N * N / 3 - 2 * N ** 3, 7 * N * N / 3 - 8 * N ** 3 / 5, 56 * N ** 3 / 15]


def to_utm(lat_deg, lon_deg):
    lat, lon = math.radians(lat_deg), math.radians(lon_deg) - LON0
    e = math.sqrt(F * (2 - F))
    t = math.sinh(math.atanh(math.sin(lat)) - e * math.atanh(e * math.sin(lat)))
    xi = math.atan2(t, math.cos(lon))
    eta = math.atanh(math.sin(lon) / math.sqrt(1 + t * t))
    x = eta + sum(ALPHA[j] * math.cos(2 * (j + 1) * xi) * math.sinh(2 * (j + 1) * eta) for j in range(3))
    y = xi + sum(ALPHA[j] * math.sin(2 * (j + 1) * xi) * math.cosh(2 * (j + 1) * eta) for j in range(3))
    return 500000 + K0 * AA * x, K0 * AA * y


def from_utm(easting, northing):
    xi = northing / (K0 * AA)
    eta = (easting - 500000) / (K0 * AA)
    xi1 = xi - sum(BETA[j] * math.sin(2 * (j + 1) * xi) * math.cosh(2 * (j + 1) * eta) for j in range(3))
    eta1 = eta - sum(BETA[j] * math.cos(2 * (j + 1) * xi) * math.sinh(2 * (j + 1) * eta) for j in range(3))
    chi = math.asin(math.sin(xi1) / math.cosh(eta1))
    lat = chi + sum(DELTA[j] * math.sin(2 * (j + 1) * chi) for j in range(3))
    lon = LON0 + math.atan2(math.sinh(eta1), math.cos(xi1))
    return math.degrees(lat), math.degrees(lon)


# The map: 1600 x 1200 pixels, 10 m a pixel, north up; its top-left corner.
WIDTH, HEIGHT, METRES = 1600, 1200, 10.0
E0, N0 = 395000.0, 4440000.0


def pixel_of(lat, lon):
    e, n = to_utm(lat, lon)
    return (e - E0) / METRES, (N0 - n) / METRES


def place(px, py):
    return from_utm(E0 + px * METRES, N0 - py * METRES)


WAYPOINTS = [  # code, description, pixel
    ("AF", "Airfield, runway 09/27", (300, 900)),
    ("TP1", "Water tower", (700, 250)),
    ("TP2", "Bridge over the river", (1300, 380)),
    ("TP3", "Chapel on the hill", (1150, 980)),
]
WPT = {code: place(*px) for code, _, px in WAYPOINTS}


def write_bmp(path):
    row_bytes = (WIDTH * 3 + 3) & ~3
    rows = []
    river = [600 + 180 * math.sin(x / 210.0) + 60 * math.sin(x / 57.0) for x in range(WIDTH)]
    roads = [(WAYPOINTS[i][2], WAYPOINTS[(i + 1) % 4][2]) for i in range(4)]
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up
        row = bytearray(row_bytes)
        for x in range(WIDTH):
            # Fields in a patchwork of greens and yellows.
            cell = ((x // 160) * 7 + (y // 120) * 13) % 5
            r, g, b = [(196, 214, 160), (222, 220, 170), (180, 204, 150), (230, 226, 190), (170, 196, 140)][cell]
            # Woods.
            if math.hypot(x - 1000, y - 800) < 140 or math.hypot(x - 450, y - 400) < 100:
                r, g, b = (110, 150, 100)
            # The river.
            if abs(y - river[x]) < 6:
                r, g, b = (90, 140, 210)
            # The kilometre grid of the scanned sheet.
            e, n = E0 + x * METRES, N0 - y * METRES
            if e % 1000 < METRES or n % 1000 < METRES:
                r, g, b = (150, 160, 200)
            row[3 * x:3 * x + 3] = bytes((b, g, r))
        rows.append(bytes(row))
    image = bytearray(b"".join(rows))

    def put(px, py, color):
        if 0 <= px < WIDTH and 0 <= py < HEIGHT:
            offset = (HEIGHT - 1 - py) * row_bytes + 3 * px
            image[offset:offset + 3] = bytes((color[2], color[1], color[0]))

    for (x1, y1), (x2, y2) in roads:
        steps = int(max(abs(x2 - x1), abs(y2 - y1)))
        for i in range(steps + 1):
            x = x1 + (x2 - x1) * i / steps
            y = y1 + (y2 - y1) * i / steps
            for dx in (-2, -1, 0, 1, 2):
                for dy in (-2, -1, 0, 1, 2):
                    put(int(x + dx), int(y + dy), (150, 130, 110))
    for _, _, (px, py) in WAYPOINTS:  # villages
        for dx in range(-30, 31):
            for dy in range(-20, 21):
                if (dx // 8 + dy // 8) % 2 == 0:
                    put(px + dx + 40, py + dy - 30, (170, 120, 110))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(image), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(image), 3780, 3780, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + image)


def igc_angle(value, digits, positive, negative):
    hemisphere = positive if value >= 0 else negative
    thousandths = round(abs(value) * 60000)
    return "%0*d%05d%s" % (digits, thousandths // 60000, thousandths % 60000, hemisphere)


def write_igc(path, route, start=9 * 3600, speed=27.0, interval=4):
    """A fix every `interval` seconds along the route (list of (lat, lon)), at `speed` m/s."""
    lines = ["AXXXDEMO", "HFDTE070826", "HFPLTPILOT:Demo pilot", "HFGTYGLIDERTYPE:Microlight"]
    points = [to_utm(*p) for p in route]
    second = start
    for (e1, n1), (e2, n2) in zip(points, points[1:]):
        length = math.hypot(e2 - e1, n2 - n1)
        steps = max(1, int(length / (speed * interval)))
        for i in range(steps):
            f = i / steps
            lat, lon = from_utm(e1 + f * (e2 - e1), n1 + f * (n2 - n1))
            alt = 600 + int(150 * math.sin((second - start) / 200.0))
            clock = "%02d%02d%02d" % (second // 3600, second // 60 % 60, second % 60)
            if second - start == 600:
                lines.append("E%sPEV" % clock)
            lines.append("B%s%s%sA%05d%05d" % (clock, igc_angle(lat, 2, "N", "S"), igc_angle(lon, 3, "E", "W"),
                                              alt - 15, alt))
            second += interval
    with open(path, "w", newline="") as out:
        out.write("\r\n".join(lines) + "\r\n")


def write_championship(path):
    refs = [(100, 100), (1500, 100), (100, 1100), (1500, 1100), (800, 600)]
    maprefs = "\n".join('\t\t\t\t\t<MapRef X="%d" Y="%d" Lat="%.7f" Lon="%.7f"/>' % ((x, y) + place(x, y))
                        for x, y in refs)
    waypoints = "\n".join(
        '\t\t\t\t<WayPoint Code="%s">\n\t\t\t\t\t<Description>%s</Description>\n'
        '\t\t\t\t\t<Lat>%.7f</Lat>\n\t\t\t\t\t<Lon>%.7f</Lon>\n\t\t\t\t</WayPoint>' % (code, text, *WPT[code])
        for code, text, _ in WAYPOINTS)

    def competitor(number, pilot, navigator, registration):
        return ('\t\t\t\t<Competitor Number="%s">\n\t\t\t\t\t<Pilot>%s</Pilot>\n\t\t\t\t\t<Navigator>%s</Navigator>\n'
                '\t\t\t\t\t<Registration>%s</Registration>\n\t\t\t\t\t<Manufacturer/>\n\t\t\t\t\t<Model/>\n'
                '\t\t\t\t\t<Engine/>\n\t\t\t\t\t<Wings/>\n\t\t\t\t\t<Fuselage/>\n\t\t\t\t</Competitor>'
                % (number, pilot, navigator, registration))

    def flight(number):
        return ('\t\t\t<Flight Number="%s">\n\t\t\t\t<IgcFileName/>\n\t\t\t\t<ResultsFileName/>\n'
                '\t\t\t\t<Datum/>\n\t\t\t\t<Region/>\n\t\t\t</Flight>' % number)

    text = f"""<?xml version="1.0" encoding="ISO8859-1"?>
<!DOCTYPE Championship SYSTEM "Zephyrant.dtd">
<Championship ShortName="DEMO">
\t<ChampionshipDescription>
\t\t<Name>Demonstration Microlight Open</Name>
\t\t<Date>07/08/2026</Date>
\t\t<Venue>Demo airfield</Venue>
\t\t<Organiser>Zephyrant</Organiser>
\t\t<Country>Spain</Country>
\t\t<IsoCountry>ESP</IsoCountry>
\t\t<Directory/>
\t\t<Software>Zephyrant - Microlight championship manager</Software>
\t\t<Version>1.0.0</Version>
\t</ChampionshipDescription>
\t<Geo>
\t\t<Maps>
\t\t\t<Map ShortName="DEMO-MAP">
\t\t\t\t<Name>Demonstration map 1:100 000</Name>
\t\t\t\t<Description>Generated sheet, 10 m a pixel</Description>
\t\t\t\t<MapFile>demo-map.bmp</MapFile>
\t\t\t\t<Datum>WGS 84</Datum>
\t\t\t\t<Region>Global</Region>
\t\t\t\t<Projection>UTM</Projection>
\t\t\t\t<Scale>100000</Scale>
\t\t\t\t<Georef>
{maprefs}
\t\t\t\t</Georef>
\t\t\t</Map>
\t\t</Maps>
\t\t<Waypoints>
\t\t\t<WayPointSet ShortName="Default">
\t\t\t\t<WayPointSetDescription>
\t\t\t\t\t<Datum/>
\t\t\t\t\t<Region/>
\t\t\t\t</WayPointSetDescription>
{waypoints}
\t\t\t</WayPointSet>
\t\t</Waypoints>
\t</Geo>
\t<Classes>
\t\t<Class ShortName="ML">
\t\t\t<Name>Microlight two-seater</Name>
\t\t\t<Description/>
\t\t\t<Role1>Pilot</Role1>
\t\t\t<Role2>Navigator</Role2>
\t\t</Class>
\t</Classes>
\t<Teams>
\t\t<Team IsoCountry="ESP">
\t\t\t<TeamDescription>
\t\t\t\t<Name>Spanish team</Name>
\t\t\t\t<ShortName>Spain</ShortName>
\t\t\t\t<Club/>
\t\t\t\t<Country>Spain</Country>
\t\t\t</TeamDescription>
\t\t\t<Class ShortName="ML">
{competitor("1", "Ana Ruiz", "Luis Gil", "EC-AB1")}
{competitor("2", "Pedro Sanz", "Marta Vidal", "EC-CD2")}
\t\t\t</Class>
\t\t</Team>
\t\t<Team IsoCountry="FRA">
\t\t\t<TeamDescription>
\t\t\t\t<Name>French team</Name>
\t\t\t\t<ShortName>France</ShortName>
\t\t\t\t<Club/>
\t\t\t\t<Country>France</Country>
\t\t\t</TeamDescription>
\t\t\t<Class ShortName="ML">
{competitor("3", "Jeanne Martin", "Paul Roux", "F-JXYZ")}
\t\t\t</Class>
\t\t</Team>
\t</Teams>
\t<TaskCatalogue>
\t\t<TaskTemplate ShortName="NAV">
\t\t\t<Name>Navigation triangle</Name>
\t\t\t<Description>Start gate at the airfield, three turn points</Description>
\t\t\t<TaskInstance Version="1">
\t\t\t\t<TurnPoints>
\t\t\t\t\t<TurnPoint WayPoint="TP1" Radius="300"/>
\t\t\t\t\t<TurnPoint WayPoint="TP2" Radius="300"/>
\t\t\t\t\t<TurnPoint WayPoint="TP3" Radius="300"/>
\t\t\t\t</TurnPoints>
\t\t\t\t<Legs>
\t\t\t\t\t<Leg From="TP1" To="TP2" Radius="500"/>
\t\t\t\t</Legs>
\t\t\t\t<ArcLegs>
\t\t\t\t</ArcLegs>
\t\t\t\t<Gates>
\t\t\t\t\t<Gate WayPoint="AF" Bearing="32" Radius="500"/>
\t\t\t\t</Gates>
\t\t\t</TaskInstance>
\t\t</TaskTemplate>
\t</TaskCatalogue>
\t<Tasks>
\t\t<TaskNumber Number="01" Class="ML" Template="NAV" Instance="1">
{flight("1")}
{flight("2")}
{flight("3")}
\t\t</TaskNumber>
\t</Tasks>
</Championship>
"""
    with open(path, "w", encoding="latin-1", newline="\n") as out:
        out.write(text)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "build-release", "demo")
    os.makedirs(folder, exist_ok=True)
    write_bmp(os.path.join(folder, "demo-map.bmp"))
    write_championship(os.path.join(folder, "demo.xch"))
    # Both take off 1.5 km before the airfield's start gate and cross it on course.
    approach = place(300 - 150 * math.sin(math.radians(32)), 900 + 150 * math.cos(math.radians(32)))
    route = [approach, WPT["AF"], WPT["TP1"], WPT["TP2"], WPT["TP3"], WPT["AF"]]
    write_igc(os.path.join(folder, "1T01A.igc"), route)
    # Turns towards TP3 some 1.5 km before TP2: it never enters TP2's cylinder.
    tp1, tp2 = WPT["TP1"], WPT["TP2"]
    short = (tp2[0] + 0.3 * (tp1[0] - tp2[0]) - 0.005, tp2[1] + 0.3 * (tp1[1] - tp2[1]))
    write_igc(os.path.join(folder, "2T01A.igc"), [approach, WPT["AF"], tp1, short, WPT["TP3"], WPT["AF"]],
              start=9 * 3600 + 300)
    with open(os.path.join(folder, "lastmap"), "w") as out:
        out.write("DEMO-MAP")
    print(os.path.abspath(os.path.join(folder, "demo.xch")))


if __name__ == "__main__":
    main()
