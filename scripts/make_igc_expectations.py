#!/usr/bin/env python3
"""Expected fixes of the IGC files that the reader accepts, from gpsbabel.

For each file, gpsbabel writes its two tracks (GNSS altitude and pressure
altitude) as GPX; this script keeps one line per fix:

    UTC_TIME<TAB>LAT<TAB>LON<TAB>PRESSURE_ALT<TAB>GNSS_ALT

with degrees to 9 decimals as gpsbabel gives them. gpsbabel leaves the
pressure track out when every pressure altitude is 0; PRESSURE_ALT is then
"-". Output: tests/data/analysis/igc/<file name>.tsv.

Usage: scripts/make_igc_expectations.py [SHARED_DATA_DIR]
(default: ../shared/data beside the project). Needs gpsbabel (1.8.0 made
the committed files).
"""
import os
import subprocess
import sys
import xml.etree.ElementTree as ET

# The files the reader accepts; the others are refused (I record, HFDTEDATE
# form, an E record without a fix of its time) and have no expectations.
ACCEPTED = [
    "igc/real/aerofiles__skydrop-2019-04-15.igc",
    "igc/real/igc_lib__no_time_increment.igc",
    "igc/real/xcsoar__flight_times_midnight.igc",
    "igc/real/xcsoar__flight_times_backward_jump.igc",
    "igc/derived/aerofiles__xctrack-2023-04-28.igc",
    "igc/derived/go-igc__0042.igc",
    "igc/derived/igc_lib__new_zealand.igc",
]

NS = {"g": "http://www.topografix.com/GPX/1/0"}


def tracks(path):
    gpx = subprocess.run(["gpsbabel", "-t", "-i", "igc", "-f", path, "-o", "gpx", "-F", "-"],
                         check=True, capture_output=True).stdout
    root = ET.fromstring(gpx)
    result = {}
    for trk in root.findall("g:trk", NS):
        name = trk.find("g:name", NS).text
        pts = []
        for pt in trk.findall("g:trkseg/g:trkpt", NS):
            pts.append((pt.find("g:time", NS).text, pt.get("lat"), pt.get("lon"), pt.find("g:ele", NS).text))
        result[name] = pts
    return result


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    data = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "..", "shared", "data")
    out_dir = os.path.join(root, "tests", "data", "analysis", "igc")
    os.makedirs(out_dir, exist_ok=True)
    for rel in ACCEPTED:
        t = tracks(os.path.join(data, rel))
        gnss = t["GNSSALTTRK"]
        pres = t.get("PRESALTTRK")
        if pres is not None and len(pres) != len(gnss):
            raise SystemExit(f"{rel}: tracks of different lengths")
        lines = []
        for i, (time, lat, lon, ele) in enumerate(gnss):
            p = "-"
            if pres is not None:
                if pres[i][0] != time:
                    raise SystemExit(f"{rel}: tracks differ at fix {i}")
                p = pres[i][3]
            lines.append(f"{time}\t{lat}\t{lon}\t{p}\t{ele}\n")
        name = os.path.basename(rel) + ".tsv"
        with open(os.path.join(out_dir, name), "w", newline="\n") as f:
            f.writelines(lines)
        print(f"{name}: {len(lines)} fixes")


if __name__ == "__main__":
    main()
