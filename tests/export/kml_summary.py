#!/usr/bin/python3
"""Reads a .kmz (with Python's zipfile) or a .kml and prints what the export
tests check, one TAB-separated record per line:

  Z  entry name, compress type, CRC good (1/0), entry date "Y-M-D h:m:s"
  E  the XML parser's refusal (the file is not well-formed UTF-8 XML)
  S  style id
  F  folder path (names joined by " / "), visibility element ("-" when none)
  P  folder path, name, style URL, visibility ("-"), geometry, altitude mode,
     number of coordinates, 1 when the first coordinate equals the last,
     time stamp ("-"), time span ("begin end" or "-"), extended data
     ("name=value;...")
  C  number of coordinate tuples that are not three numbers with |lat| <= 90
     and |lon| <= 180
  H  the first line of the document after the declaration, then each comment

The parser is expat through xml.etree, strict about UTF-8 and
well-formedness."""
import re
import sys
import zipfile
import xml.etree.ElementTree as ET

NS = "{http://www.opengis.net/kml/2.2}"


def esc(s):
    return s.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")


def text(el, tag):
    child = el.find(NS + tag)
    return "-" if child is None or child.text is None else esc(child.text)


def main(path):
    out = []
    if path.endswith(".kmz"):
        with zipfile.ZipFile(path) as z:
            for info in z.infolist():
                try:
                    z.read(info.filename)  # checks the CRC
                    good = 1
                except zipfile.BadZipFile:
                    good = 0
                d = info.date_time
                out.append("Z\t%s\t%d\t%d\t%04d-%02d-%02d %02d:%02d:%02d" % ((info.filename, info.compress_type, good) + d))
            data = z.read(z.infolist()[0].filename)
    else:
        with open(path, "rb") as f:
            data = f.read()
    for line in re.findall(rb"<!--.*?-->", data):
        out.append("H\t" + line.decode("utf-8", "replace"))
    try:
        root = ET.fromstring(data)
    except ET.ParseError as e:
        out.append("E\t%s" % e)
        sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))
        return
    bad = 0

    def walk(el, path):
        nonlocal bad
        for child in el:
            tag = child.tag[len(NS):] if child.tag.startswith(NS) else child.tag
            if tag == "Style":
                out.append("S\t" + child.get("id"))
            elif tag in ("Document", "Folder"):
                p = path + [text(child, "name")]
                out.append("F\t%s\t%s" % (" / ".join(p), text(child, "visibility")))
                walk(child, p)
            elif tag == "Placemark":
                geom = "-"
                mode = "-"
                coords = []
                for g in ("Point", "LineString"):
                    ge = child.find(NS + g)
                    if ge is not None:
                        geom = g
                        mode = text(ge, "altitudeMode")
                        c = ge.find(NS + "coordinates")
                        coords = (c.text or "").split()
                for tup in coords:
                    parts = tup.split(",")
                    try:
                        lon, lat, alt = (float(v) for v in parts)
                        if abs(lat) > 90 or abs(lon) > 180:
                            bad += 1
                    except ValueError:
                        bad += 1
                closed = 1 if coords and coords[0] == coords[-1] else 0
                ts = child.find(NS + "TimeStamp")
                stamp = "-" if ts is None else text(ts, "when")
                sp = child.find(NS + "TimeSpan")
                span = "-" if sp is None else "%s %s" % (text(sp, "begin"), text(sp, "end"))
                data_items = []
                ed = child.find(NS + "ExtendedData")
                if ed is not None:
                    for d in ed.findall(NS + "Data"):
                        data_items.append("%s=%s" % (esc(d.get("name")), text(d, "value")))
                out.append("P\t" + "\t".join([" / ".join(path), text(child, "name"), text(child, "styleUrl"),
                                              text(child, "visibility"), geom, mode, str(len(coords)), str(closed),
                                              stamp, span, ";".join(data_items)]))

    walk(root, [])
    out.append("C\t%d" % bad)
    sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))


if __name__ == "__main__":
    main(sys.argv[1])
