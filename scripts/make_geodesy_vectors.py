#!/usr/bin/python3
"""Golden vectors for the geodesy tests, from independent tools.

Run once (Debian: geographiclib-tools, proj-bin, python3-scipy) with
    /usr/bin/python3 scripts/make_geodesy_vectors.py
It writes the CSV files in tests/data/geodesy/, which are committed so that
the tests need none of the tools.

Oracles:
  GeoConvert -m            zone number and latitude band (MGRS grid zone)
  TransverseMercatorProj   easting/northing in any zone (forced central meridian), any ellipsoid
  GeoConvert               UTM -> geographic
  CartConvert              geographic <-> geocentric
  cct                      three-parameter datum shift (cart, helmert, inverse cart)
  GeodSolve -i             geodesic distance and initial azimuth
  scipy RBFInterpolator    thin plate spline with a linear part, on rescaled coordinates
The segment distance and the segment crossing are computed here with plain
2-D geometry on TransverseMercatorProj coordinates in the reference point's
zone; end-point distances are planar in a shared zone and geodesic otherwise.
"""

import csv
import math
import os
import random
import subprocess

import numpy as np
from scipy.interpolate import RBFInterpolator

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "tests", "data", "geodesy")
WGS84 = (6378137.0, 298.257223563)
K0 = 0.9996


def run(cmd, lines):
    text = "".join(line + "\n" for line in lines)
    res = subprocess.run(cmd, input=text, capture_output=True, text=True, check=True)
    out = res.stdout.splitlines()
    assert len(out) == len(lines), (cmd, len(out), len(lines))
    return out


def write(name, header, rows):
    os.makedirs(OUT, exist_ok=True)
    with open(os.path.join(OUT, name), "w", newline="") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(header)
        w.writerows(rows)
    print(f"{name}: {len(rows)} rows")


def g(v):
    return repr(float(v))


# ---------------------------------------------------------------- zones

def mgrs_zones(points):
    """(zone, band) of each (lat, lon) from GeoConvert's MGRS grid zone."""
    out = run(["GeoConvert", "-m", "-p", "-5"], [f"{lat!r} {lon!r}" for lat, lon in points])
    res = []
    for (lat, lon), s in zip(points, out):
        if s[0].isdigit():
            res.append((int(s[:2]), s[2]))
        else:
            # GeographicLib takes 84 N itself to the polar grid; UTM's band X
            # includes it, in the zone of its longitude.
            assert lat == 84.0, (lat, lon, s)
            res.append((int((lon + 186.0) / 6.0), "X"))
    return res


def expected_zone(lat, lon, mgrs):
    """The program's zone: GeographicLib's, except +180 deg, which is zone 61."""
    zone, band = mgrs
    if lon >= 180.0:
        zone = 61
    return zone, band


def zone_text(zone, band):
    return f"{zone:2d}{band}"


def tm(points, cm, ell=WGS84):
    """Transverse Mercator x, y (k0 0.9996) about central meridian cm."""
    cmd = ["TransverseMercatorProj", "-k", "0.9996", "-l", repr(cm), "-p", "9"]
    if ell != WGS84:
        cmd += ["-e", repr(ell[0]), f"1/{ell[1]!r}"]
    out = run(cmd, [f"{lat!r} {lon!r}" for lat, lon in points])
    return [tuple(float(v) for v in s.split()[:2]) for s in out]


def utm_in(points, zone, southern, ell=WGS84):
    """Easting and northing of points forced into zone and hemisphere."""
    xy = tm(points, 6.0 * zone - 183.0, ell)
    return [(x + 500000.0, y + (10000000.0 if southern else 0.0)) for x, y in xy]


# ---------------------------------------------------------------- UTM forward and inverse

def forward_points():
    pts = []
    lats = [-79.9, -61.5, -33.9, -0.3, 0.0, 0.4, 23.999, 47.5, 60.2, 71.9, 83.9]
    for k in range(61):
        m = -180.0 + 6.0 * k
        for lat in lats[(k % 3)::3] + [47.5]:
            for lon in (m - 1e-4, m, m + 1e-4, m + 3.0):
                if -180.0 <= lon <= 180.0:
                    pts.append((lat, lon))
    # band limits
    for lat in (84.0, 72.0, 64.0, 56.0, 8.0, 0.0, -8.0, -72.0, -80.0, 71.9999, 63.9999, -0.0001):
        for lon in (-123.4, 14.2):
            pts.append((lat, lon))
    # southern Norway (zone 32 from 3 E) and Svalbard (31, 33, 35, 37)
    for lat in (56.0, 58.3, 63.99):
        for lon in (2.999, 3.0, 3.001, 5.0, 8.9, 11.999, 12.0):
            pts.append((lat, lon))
    for lat in (72.0, 78.0, 83.99):
        for lon in (-0.001, 0.0, 4.0, 8.999, 9.0, 15.0, 20.999, 21.0, 27.0, 32.999, 33.0, 39.0, 41.999, 42.0):
            pts.append((lat, lon))
    pts += [(-45.0 + 7.3 * i, -170.0 + 29.7 * i) for i in range(12)]
    return pts


def make_utm():
    pts = forward_points()
    zones = [expected_zone(lat, lon, z) for (lat, lon), z in zip(pts, mgrs_zones(pts))]
    groups = {}
    for i, ((lat, lon), (zone, _)) in enumerate(zip(pts, zones)):
        groups.setdefault((zone, lat < 0), []).append(i)
    en = [None] * len(pts)
    for (zone, south), idx in groups.items():
        for i, xy in zip(idx, utm_in([pts[i] for i in idx], zone, south)):
            en[i] = xy
    rows = []
    for (lat, lon), (zone, band), (e, n) in zip(pts, zones, en):
        rows.append([g(lat), g(lon), zone_text(zone, band), g(e), g(n)])
    write("utm_forward.csv", ["lat", "lon", "zone", "easting", "northing"], rows)

    # inverse: grid coordinates within 3 degrees of the central meridian
    inv = []
    rnd = random.Random(3)
    for _ in range(300):
        zone = rnd.randint(1, 60)
        lat = rnd.uniform(-79.5, 83.5)
        lon = 6.0 * zone - 183.0 + rnd.uniform(-3.0, 3.0)
        south = lat < 0
        (e, n), = utm_in([(lat, lon)], zone, south)
        e, n = round(e, 3), round(n, 3)
        band = "M" if south else "N"
        inv.append((zone, south, band, e, n))
    out = run(["GeoConvert", "-p", "9"], [f"{z}{'s' if s else 'n'} {e!r} {n!r}" for z, s, _, e, n in inv])
    rows = []
    for (zone, south, band, e, n), s in zip(inv, out):
        lat, lon = (float(v) for v in s.split())
        rows.append([zone_text(zone, band), g(e), g(n), g(lat), g(lon)])
    write("utm_inverse.csv", ["zone", "easting", "northing", "lat", "lon"], rows)

    # other ellipsoids
    ells = [(6378388.0, 297.0), (6378249.145, 293.465), (6377397.155, 299.1528128), (6377563.396, 299.3249646)]
    rows = []
    rnd = random.Random(7)
    for a, rf in ells:
        for _ in range(25):
            lat = rnd.uniform(-70, 75)
            lon = rnd.uniform(-179, 179)
            (zone, band), = mgrs_zones([(lat, lon)])
            (e, n), = utm_in([(lat, lon)], zone, lat < 0, (a, rf))
            rows.append([g(a), g(rf), g(lat), g(lon), zone_text(zone, band), g(e), g(n)])
    write("utm_ellipsoids.csv", ["a", "invf", "lat", "lon", "zone", "easting", "northing"], rows)


# ---------------------------------------------------------------- geocentric and datum shifts

DATUMS = [  # (name, region) of the TR8350.2 table; the figures are taken from it
    ("European 1950", "MEAN FOR Austria; Belgium; Denmark; Finland; France; W Germany; Gibraltar; Greece; "
     "Italy; Luxembourg; Netherlands; Norway; Portugal; Spain; Sweden; Switzerland"),
    ("North American 1927", "MEAN FOR CONUS"),
    ("Ordnance Survey Great Britain 1936", "England"),
    ("Tokyo", "Japan"),
    ("Arc 1950", "Zimbabwe"),
    ("Indian", "Pakistan"),
    ("Indian", "India; Nepal"),
]
TABLE = os.path.join(ROOT, "..", "shared", "data", "datums", "tr8350_datums_merged.csv")


def datum_figures():
    with open(TABLE, encoding="utf-8") as f:
        rows = {(r["datum"], r["region"]): r for r in csv.DictReader(f)}
    for name, region in DATUMS:
        r = rows[(name, region)]
        yield (name, region, float(r["a_m"]), float(r["inv_f"]), float(r["dx_m"]), float(r["dy_m"]),
               float(r["dz_m"]))


def make_geocentric():
    rnd = random.Random(11)
    rows = []
    for a, rf in [WGS84, (6378388.0, 297.0), (6378249.145, 293.465)]:
        pts = [(rnd.uniform(-89.9, 89.9), rnd.uniform(-180, 180), rnd.uniform(-500, 9000)) for _ in range(20)]
        pts += [(90.0, 0.0, 100.0), (-90.0, 45.0, 0.0), (0.0, 180.0, 0.0)]
        out = run(["CartConvert", "-e", repr(a), f"1/{rf!r}", "-p", "9"], [f"{la!r} {lo!r} {h!r}" for la, lo, h in pts])
        for (la, lo, h), s in zip(pts, out):
            x, y, z = (float(v) for v in s.split())
            rows.append([g(a), g(rf), g(la), g(lo), g(h), g(x), g(y), g(z)])
    write("geocentric.csv", ["a", "invf", "lat", "lon", "h", "x", "y", "z"], rows)

    rows = []
    for name, region, a, rf, dx, dy, dz in datum_figures():
        pts = [(rnd.uniform(-60, 70), rnd.uniform(-180, 180), rnd.uniform(0, 3000)) for _ in range(6)]
        cmd = ["cct", "-d", "12", "+proj=pipeline", "+step", "+proj=cart", f"+a={a!r}", f"+rf={rf!r}",
               "+step", "+proj=helmert", f"+x={dx!r}", f"+y={dy!r}", f"+z={dz!r}",
               "+step", "+inv", "+proj=cart", "+ellps=WGS84"]
        out = run(cmd, [f"{lo!r} {la!r} {h!r}" for la, lo, h in pts])
        for (la, lo, h), s in zip(pts, out):
            lo2, la2, h2 = (float(v) for v in s.split()[:3])
            rows.append([name, region, g(a), g(rf), g(dx), g(dy), g(dz), g(la), g(lo), g(h), g(la2), g(lo2), g(h2)])
    write("datum_shift.csv", ["datum", "region", "a", "invf", "dx", "dy", "dz", "lat", "lon", "h",
                              "lat84", "lon84", "h84"], rows)


# ---------------------------------------------------------------- geodesics

def geodesics(pairs):
    out = run(["GeodSolve", "-i", "-p", "9"], [f"{a!r} {b!r} {c!r} {d!r}" for a, b, c, d in pairs])
    return [tuple(float(v) for v in s.split()) for s in out]  # azi1 azi2 s12


def make_distance():
    rnd = random.Random(5)
    pairs = []
    for _ in range(240):
        lat = rnd.uniform(-75, 80)
        lon = rnd.uniform(-179, 179)
        d = 10 ** rnd.uniform(1.5, 5.0)  # 30 m .. 100 km
        az = rnd.uniform(0, 360)
        # a rough end point; GeodSolve measures whatever it is
        dlat = d * math.cos(math.radians(az)) / 111000.0
        dlon = d * math.sin(math.radians(az)) / (111000.0 * math.cos(math.radians(lat)))
        pairs.append((lat, lon, lat + dlat, lon + dlon))
    # across zone meridians and the equator
    pairs += [(47.5, 5.95, 47.52, 6.07), (47.5, 11.9, 47.3, 12.2), (0.05, 9.0, -0.05, 9.1), (60.0, 2.95, 60.1, 3.1)]
    res = geodesics(pairs)
    ends = [(a, b) for a, b, _, _ in pairs] + [(c, d) for _, _, c, d in pairs]
    zones = mgrs_zones(ends)
    n = len(pairs)
    rows = []
    for i, ((la1, lo1, la2, lo2), (azi1, _, s12)) in enumerate(zip(pairs, res)):
        z1, z2 = zones[i], zones[n + i]
        planar = ""
        if z1 == z2:
            (e1, n1), (e2, n2) = utm_in([(la1, lo1), (la2, lo2)], z1[0], la1 < 0)
            planar = g(math.hypot(e2 - e1, n2 - n1))
        rows.append([g(la1), g(lo1), g(la2), g(lo2), g(s12), g(azi1 % 360.0), planar])
    write("distance.csv", ["lat1", "lon1", "lat2", "lon2", "s12", "azi1", "planar"], rows)


# ---------------------------------------------------------------- segments and crossings

class Pt:
    def __init__(self, lat, lon):
        self.lat, self.lon = lat, lon


def annotate(points):
    for p, (zone, band) in zip(points, mgrs_zones([(p.lat, p.lon) for p in points])):
        p.zone, p.band = zone, band
        p.text = zone_text(zone, band)


def planar(p, others):
    return utm_in([(p.lat, p.lon)] + [(o.lat, o.lon) for o in others], p.zone, p.lat < 0)


def point_distance(p, q):
    """The program's point distance: planar in one zone text, geodesic otherwise."""
    if p.text == q.text:
        (x1, y1), (x2, y2) = planar(p, [q])
        return math.hypot(x2 - x1, y2 - y1), 0.002
    s12 = geodesics([(p.lat, p.lon, q.lat, q.lon)])[0][2]
    return s12, max(0.002, (1e-5 if s12 <= 10000.0 else 1e-4) * s12)


def segdist(p, a, b):
    (px, py), (ax, ay), (bx, by) = planar(p, [a, b])
    dx, dy = bx - ax, by - ay
    qx, qy = px - ax, py - ay
    L2 = dx * dx + dy * dy
    t = (dx * qx + dy * qy) / L2
    off = (dy * qx - dx * qy) / math.sqrt(L2)
    if t <= 0:
        d, tol = point_distance(p, a)
    elif t <= 1:
        d, tol = abs(off), 0.003
    else:
        d, tol = point_distance(p, b)
    return t, off, d, tol


def around(lat, lon, km_north, km_east):
    return Pt(lat + km_north / 111.2, lon + km_east / (111.2 * math.cos(math.radians(lat))))


def make_segments():
    rnd = random.Random(13)
    cases = []
    # legs across zone meridians (both sides and on them), the equator, Norway and the far south
    centres = [(47.5, 6.0), (47.5, 12.0), (46.0, 0.0), (60.0, 3.0), (59.0, 6.0), (78.0, 9.0), (0.0, 18.0),
               (-0.02, 24.0), (-33.9, 18.0), (-45.0, 171.0), (35.0, -120.0), (51.0, 9.3), (-12.0, 134.2)]
    for lat, lon in centres:
        for _ in range(8):
            a = around(lat, lon, rnd.uniform(-8, 8), rnd.uniform(-8, 8))
            b = around(lat, lon, rnd.uniform(-8, 8), rnd.uniform(-8, 8))
            p = around(lat, lon, rnd.uniform(-12, 12), rnd.uniform(-12, 12))
            cases.append((p, a, b))
    # the measured case: a point 7.5 km west of a leg along 6.05 E
    cases.append((Pt(47.5, 5.95), Pt(47.4, 6.05), Pt(47.6, 6.05)))
    annotate([q for c in cases for q in c])
    rows = []
    for p, a, b in cases:
        t, off, d, tol = segdist(p, a, b)
        rows.append([g(p.lat), g(p.lon), g(a.lat), g(a.lon), g(b.lat), g(b.lon), g(t), g(off), g(d), g(tol)])
    write("segment.csv", ["plat", "plon", "alat", "alon", "blat", "blon", "position", "offset", "distance",
                          "tolerance"], rows)

    # crossings: this = a gate (a1 -> a2), other = a track segment (b1 -> b2)
    cases = []
    for lat, lon in centres:
        for k in range(8):
            a1 = around(lat, lon, rnd.uniform(-3, 3), rnd.uniform(-3, -0.5))
            a2 = around(lat, lon, rnd.uniform(-3, 3), rnd.uniform(0.5, 3))
            b1 = around(lat, lon, rnd.uniform(-4, 4), rnd.uniform(-4, 4))
            b2 = around(lat, lon, rnd.uniform(-4, 4), rnd.uniform(-4, 4))
            cases.append((a1, a2, b1, b2))
    annotate([q for c in cases for q in c])
    rows = []
    for a1, a2, b1, b2 in cases:
        (s1x, s1y), (e1x, e1y), (s2x, s2y), (e2x, e2y) = planar(a1, [a2, b1, b2])
        dtx, dty = e1x - s1x, e1y - s1y
        dox, doy = e2x - s2x, e2y - s2y
        sx, sy = s1x - s2x, s1y - s2y
        det = dtx * doy - dty * dox
        t_other = (sy * dtx - sx * dty) / det
        t_this = (sy * dox - sx * doy) / det
        margin = min(abs(t_other), abs(t_other - 1), abs(t_this), abs(t_this - 1))
        if margin < 1e-4:
            continue  # too close to call
        if t_other < 0 or t_other > 1:
            kind = 0
        elif t_this < 0:
            kind = 3
        elif t_this > 1:
            kind = 4
        else:
            kind = 1 if segdist(b1, a1, a2)[1] >= 0 else 2
        dists = [segdist(b2, a1, a2), segdist(b1, a1, a2), segdist(a2, b1, b2), segdist(a1, b1, b2)]
        best = min(dists, key=lambda r: r[2])
        rows.append([g(a1.lat), g(a1.lon), g(a2.lat), g(a2.lon), g(b1.lat), g(b1.lon), g(b2.lat), g(b2.lon),
                     kind, g(best[2]), g(best[3])])
    write("cross.csv", ["a1lat", "a1lon", "a2lat", "a2lon", "b1lat", "b1lon", "b2lat", "b2lon", "kind",
                        "mindistance", "tolerance"], rows)


# ---------------------------------------------------------------- thin plate spline

def make_tps():
    rnd = np.random.default_rng(17)
    W, H = 6000.0, 4000.0

    def world(px, py):
        # 10 m per pixel, slightly rotated, in a UTM zone
        ang = math.radians(1.3)
        e = 480000.0 + 10.0 * (px * math.cos(ang) - py * math.sin(ang))
        n = 5320000.0 - 10.0 * (px * math.sin(ang) + py * math.cos(ang))
        return e, n

    layouts = {
        "corners3": [(0.5, 0.5), (W - 0.5, 0.5), (0.5, H - 0.5)],
        "row3": [(100.5, 100.5), (900.5, 100.5), (500.5, 800.5)],
        "corners4": [(100.5, 100.5), (W - 100.5, 100.5), (100.5, H - 100.5), (W - 100.5, H - 100.5)],
        "rowcol4": [(250.5, 300.5), (4100.5, 300.5), (250.5, 3500.5), (5200.5, 2100.5)],
        "scatter5": [(rnd.uniform(0, W), rnd.uniform(0, H)) for _ in range(5)],
        "scatter8": [(rnd.uniform(0, W), rnd.uniform(0, H)) for _ in range(8)],
    }
    prow, erow = [], []
    for name, pix in layouts.items():
        # click noise of a pixel or two on the world side
        wld = [world(px, py) for px, py in pix]
        wld = [(e + rnd.normal(0, 15.0), n + rnd.normal(0, 15.0)) for e, n in wld]
        for direction in ("pw", "wp"):
            src = pix if direction == "pw" else wld
            for axis in (0, 1):
                values = [(wld if direction == "pw" else pix)[i][axis] for i in range(len(pix))]
                lid = f"{name}_{direction}{'xy'[axis]}"
                xs = np.array([p[0] for p in src])
                ys = np.array([p[1] for p in src])
                xn = (xs - xs.min()) / (xs.max() - xs.min())
                yn = (ys - ys.min()) / (ys.max() - ys.min())
                rbf = RBFInterpolator(np.column_stack([xn, yn]), np.array(values), kernel="thin_plate_spline",
                                      degree=1, smoothing=0.0)
                for i in range(len(src)):
                    prow.append([lid, g(src[i][0]), g(src[i][1]), g(values[i])])
                qs = [(xs[i], ys[i]) for i in range(len(src))]
                for u in (-0.1, 0.13, 0.37, 0.5, 0.71, 0.94, 1.1):
                    for v in (-0.05, 0.21, 0.5, 0.88, 1.05):
                        qs.append((xs.min() + u * (xs.max() - xs.min()), ys.min() + v * (ys.max() - ys.min())))
                q = np.array(qs)
                qn = np.column_stack([(q[:, 0] - xs.min()) / (xs.max() - xs.min()),
                                      (q[:, 1] - ys.min()) / (ys.max() - ys.min())])
                vals = rbf(qn)
                rng = max(values) - min(values)
                for (qx, qy), val in zip(qs, vals):
                    erow.append([lid, g(qx), g(qy), g(val), g(rng)])
    write("tps_points.csv", ["layout", "x", "y", "f"], prow)
    write("tps_values.csv", ["layout", "x", "y", "value", "range"], erow)


if __name__ == "__main__":
    make_utm()
    make_geocentric()
    make_distance()
    make_segments()
    make_tps()
