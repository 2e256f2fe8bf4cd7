#!/usr/bin/python3
"""Writes data/Datums.xml from the NIMA TR8350.2 three-parameter datum table.

    /usr/bin/python3 scripts/make_datums.py [SOURCE_DIR]

SOURCE_DIR (default ../shared/data/datums beside the project) holds
tr8350_datums_merged.csv (one row per datum and region) and, for the
cross-check, the EPSG extracts epsg_dma_nima_3param_to_wgs84.csv and
epsg_ellipsoids.csv.

The program reads the file in document order: a datum's ellipsoid is the
first "Ellipsoid" definition after the datum element, and one datum name
("Indian") uses different ellipsoids in different regions. So every Datum
element comes first, each with its own Region, and every Ellipsoid definition
after all of them. Names are kept ASCII ("180oW" degree marks and "&" are
spelt out) because they are compared byte for byte with the Datum and Region
texts stored in championship files: never rename one that is in use.

After writing, the file is read back with expat by the program's own rule
for every (datum, region) pair, and must give that row's ellipsoid and shift.
"""

import csv
import os
import sys
import xml.parsers.expat
from xml.sax.saxutils import escape, quoteattr

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCE = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "..", "shared", "data", "datums")
TARGET = os.path.join(ROOT, "data", "Datums.xml")


def ascii_name(text):
    # The source marks degrees with the DOS code page's 0xF8, read as 'ø'.
    text = text.replace("\u00f8", "").replace(" & ", " and ").replace("&", " and ")
    text = " ".join(text.split())
    assert text.isascii() and not any(c in text for c in '<>"'), text
    return text


def num(text):
    """The number of the table as plain decimal text, without trailing zeros."""
    text = text.strip()
    value = float(text)
    assert "e" not in text.lower() and "," not in text, text
    if "." in text:
        text = text.rstrip("0").rstrip(".")
    assert float(text) == value
    return text


def read_table():
    with open(os.path.join(SOURCE, "tr8350_datums_merged.csv"), encoding="utf-8") as f:
        rows = list(csv.DictReader(f))
    datums = {}
    ellipsoids = {}
    for r in rows:
        key = (ascii_name(r["datum"]), ascii_name(r["region"]))
        ell = ascii_name(r["ellipsoid"])
        item = dict(ellipsoid=ell, delta=[num(r[k]) for k in ("dx_m", "dy_m", "dz_m")],
                    error=[num(r[k]) for k in ("ex_m", "ey_m", "ez_m")], epsg=r["epsg_transformation"].split(),
                    ellipsoid_source=r["ellipsoid_source"])
        if key in datums:
            old = datums[key]
            assert (old["ellipsoid"], old["delta"], old["error"]) == (ell, item["delta"], item["error"]), key
            continue  # the same row twice
        datums[key] = item
        axes = (num(r["a_m"]), num(r["inv_f"]))
        assert ellipsoids.setdefault(ell, axes) == axes, ell
        ellipsoids[ell] = axes
    # The program's default datum, as the program knows it.
    datums[("WGS 84", "Global")] = dict(ellipsoid="WGS 84", delta=["0", "0", "0"], error=["0", "0", "0"], epsg=[],
                                        ellipsoid_source="EPSG:7030")
    assert ellipsoids["WGS 84"] == ("6378137", "298.257223563"), ellipsoids["WGS 84"]
    return datums, ellipsoids


def cross_check(datums, ellipsoids):
    """Compares shifts and ellipsoids with the EPSG extracts; returns notes."""
    notes = []
    with open(os.path.join(SOURCE, "epsg_dma_nima_3param_to_wgs84.csv"), encoding="utf-8") as f:
        epsg = {r["epsg_transformation"]: r for r in csv.DictReader(f)}
    with open(os.path.join(SOURCE, "epsg_ellipsoids.csv"), encoding="utf-8") as f:
        epsg_ell = {r["epsg_ellipsoid"]: r for r in csv.DictReader(f)}
    checked = 0
    for (name, region), d in sorted(datums.items()):
        for code in d["epsg"]:
            e = epsg.get(code)
            if e is None:
                notes.append(f"{name} / {region}: EPSG transformation {code} not in the extract")
                continue
            checked += 1
            ours = [float(v) for v in d["delta"]]
            theirs = [float(e[k]) for k in ("dx_m", "dy_m", "dz_m")]
            if ours != theirs:
                notes.append(f"{name} / {region}: shift {ours} differs from EPSG {code} {theirs}")
        src = d["ellipsoid_source"]
        if src.startswith("EPSG:"):
            e = epsg_ell[src[5:]]
            a, rf = (float(v) for v in ellipsoids[d["ellipsoid"]])
            if abs(a - float(e["a_m"])) > 1e-6 or abs(rf - float(e["inv_f"])) > 1e-6:
                notes.append(f"{d['ellipsoid']}: {a} {rf} differs from EPSG {src} {e['a_m']} {e['inv_f']}")
    return checked, notes


def write(datums, ellipsoids):
    order = sorted(datums, key=lambda k: (k != ("WGS 84", "Global"), k))
    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           "<!-- Geodetic datums (three-parameter shifts to WGS 84, added on the way to WGS 84) and their",
           "     ellipsoids. Source: NIMA TR8350.2; EPSG Geodetic Parameter Dataset.",
           "     Generated by scripts/make_datums.py: every Datum element before every Ellipsoid",
           "     definition, since a datum's ellipsoid is the first definition after it. -->",
           "<Datums>"]
    for name, region in order:
        d = datums[(name, region)]
        out.append(f"\t<Datum Name={quoteattr(name)}>")
        out.append(f"\t\t<Ellipsoid>{escape(d['ellipsoid'])}</Ellipsoid>")
        out.append(f"\t\t<Delta>{' '.join(d['delta'])}</Delta>")
        out.append(f"\t\t<Error>{' '.join(d['error'])}</Error>")
        out.append(f"\t\t<Region>{escape(region)}</Region>")
        out.append("\t</Datum>")
    for name in sorted(ellipsoids):
        a, rf = ellipsoids[name]
        out.append(f"\t<Ellipsoid Name={quoteattr(name)}>{a} {rf}</Ellipsoid>")
    out.append("</Datums>")
    with open(TARGET, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(out) + "\n")


def read_back(name, region):
    """The program's reading rule, on expat's events in document order."""
    st = dict(in_datum=False, region_found=False, in_ell=False, ell_done=False, ell="", axes=None, delta=None)
    stack = []

    def start(tag, attrs):
        stack.append(tag)
        # attributes of a tag come right after its start
        for k in sorted(attrs):
            v = attrs[k]
            if not st["region_found"] and tag == "Datum" and k == "Name" and v == name:
                st["in_datum"] = True
            if not st["ell_done"] and tag == "Ellipsoid" and k == "Name" and v == st["ell"]:
                st["in_ell"] = True

    def end(tag):
        stack.pop()
        if tag == "Datum":
            st["in_datum"] = False
        elif tag == "Ellipsoid":
            st["in_ell"] = False

    def text(data):
        data = " ".join(data.split())
        if not data or not stack:
            return
        el = stack[-1]
        if st["in_datum"]:
            if el == "Ellipsoid":
                st["ell"] = data
            elif el == "Delta":
                st["delta"] = data.split()
            elif el == "Region" and data == region:
                st["region_found"] = True
        if st["in_ell"]:
            if el == "Ellipsoid":
                st["axes"] = tuple(data.split())
            st["ell_done"] = True

    p = xml.parsers.expat.ParserCreate()
    p.buffer_text = True
    p.StartElementHandler, p.EndElementHandler, p.CharacterDataHandler = start, end, text
    with open(TARGET, "rb") as f:
        p.ParseFile(f)
    return st["ell"], st["axes"], st["delta"]


def main():
    datums, ellipsoids = read_table()
    checked, notes = cross_check(datums, ellipsoids)
    write(datums, ellipsoids)
    for (name, region), d in datums.items():
        ell, axes, delta = read_back(name, region)
        assert (ell, axes, delta) == (d["ellipsoid"], ellipsoids[d["ellipsoid"]], d["delta"]), (name, region)
    names = {n for n, _ in datums}
    print(f"{TARGET}: {len(datums)} datum elements ({len(names)} names), {len(ellipsoids)} ellipsoids; "
          f"{checked} shifts compared with EPSG, every pair read back correctly")
    for n in notes:
        print("note:", n)


if __name__ == "__main__":
    main()
