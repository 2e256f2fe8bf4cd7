#!/usr/bin/env python3
"""Prints what Python's XML parser (expat) reads from a file: one line per
element in document order, the element's path, its attributes sorted by
name as "@name=value" and its text (blank runs collapsed) as "#text", TAB
separated, in the bytes of ISO 8859-1. The championship file tests compare it
with what the program's own reader delivers."""
import sys
import xml.etree.ElementTree as ET


def walk(element, path, out):
    path = path + "/" + element.tag
    parts = [path]
    for name in sorted(element.attrib):
        parts.append("@%s=%s" % (name, element.attrib[name]))
    text = " ".join((element.text or "").split())
    if text:
        parts.append("#" + text)
    out.write(("\t".join(parts) + "\n").encode("latin-1"))
    for child in element:
        walk(child, path, out)


walk(ET.parse(sys.argv[1]).getroot(), "", sys.stdout.buffer)
