#!/usr/bin/python3
"""Generates the differential corpus of the XML reader.

Writes tests/data/xml/corpus/NNN.xml (with the external DTDs and entity files
some of them name) and NNN.items, the item stream our reader must deliver,
in the format of the xmlitems probe: kind<TAB>element<TAB>name<TAB>value.

The expected streams come from Python's expat, an independent parser, after
applying the reader's documented deviations from XML:
  - text between two pieces of markup (tags, comments, processing
    instructions, CDATA sections) is one item, trimmed, with each run of
    whitespace made one blank; whitespace-only text gives no item;
  - CDATA sections, comments, processing instructions and declarations give
    no item;
  - attributes follow their start item in byte-wise order of their names;
  - an attribute value has every TAB, LF and CR (also from a character
    reference) made a blank; values of declared non-CDATA types are then
    collapsed and trimmed;
  - a #FIXED attribute always has the declared value;
  - names are the document's bytes; values and text are Windows-1252:
    code points up to FF are that byte, others go through the Windows-1252
    table, and "¿" (BF) stands for a character the table lacks.

The generator avoids what the reader treats differently by design rather
than by deviation (duplicate declarations, an ATTLIST before its ELEMENT,
character references to 80-9F in UTF-8 documents, undeclared entities, a
raw "&") so that every document is well-formed and the comparison exact.

Run with /usr/bin/python3 from the project root; the output is deterministic.
"""

import os
import random
import re
import shutil
import subprocess
import sys
import xml.parsers.expat as expat

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "tests", "data", "xml", "corpus")
COUNT = 240

# Windows-1252 bytes 80-9F; the undefined ones stand for themselves.
CP1252_HIGH = [0x20AC, 0x81, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D, 0x017D, 0x8F,
               0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D, 0x017E, 0x0178]
TO_CP1252 = {c: 0x80 + i for i, c in enumerate(CP1252_HIGH)}


def to_cp1252_byte(ch):
    c = ord(ch)
    if c <= 0xFF:
        return c
    return TO_CP1252.get(c, 0xBF)


def value_bytes(s):
    return bytes(to_cp1252_byte(ch) for ch in s)


WS = " \t\n\r"


def collapse(s):
    return re.sub(r"[ \t\n\r]+", " ", s).strip(" ")


def escape_field(b):
    return (b.replace(b"\\", b"\\\\").replace(b"\t", b"\\t")
             .replace(b"\n", b"\\n").replace(b"\r", b"\\r"))


# ---------------------------------------------------------------------------
# Generator

ENCODINGS = [
    # (declaration text or None, python codec, class)
    ('<?xml version="1.0" encoding="ISO8859-1"?>', "latin-1", "latin1"),
    ('<?xml version="1.0" encoding="ISO-8859-1"?>', "latin-1", "latin1"),
    ('<?xml version="1.0" encoding="UTF-8"?>', "utf-8", "utf8"),
    ('<?xml version="1.0" encoding="utf-8" standalone="no"?>', "utf-8", "utf8"),
    ('<?xml version="1.0"?>', "utf-8", "utf8"),
    ("<?xml version='1.0' encoding='windows-1252'?>", "cp1252", "cp1252"),
    (None, "utf-8", "ascii"),
]

RAW_HIGH = {
    "utf8": "éüßñÀÿ€ŒšŽ™–—‘’“”…Ł中😀\u00a0",
    "latin1": "éüßñÀÿ\u00a0©°±µ¿\x80\x85\x92\x9f",
    "cp1252": "éüßñÀÿ€ŒšŽ™–—‘’“”…\u00a0",
    "ascii": "",
}
NAME_HIGH = "éüñ"

# Code points for character references (no 80-9F: see above).
REF_CODES = [65, 97, 48, 33, 35, 59, 60, 62, 38, 34, 39, 9, 10, 13, 32, 0xA0, 0xE9, 0xFF,
             0xBF, 0x20AC, 0x152, 0x2122, 0x141, 0x4E2D, 0x1F600, 0x10FFFF]


class Doc:
    def __init__(self, rnd, index):
        self.r = rnd
        self.i = index
        self.decl, self.codec, self.cls = rnd.choice(ENCODINGS)
        self.crlf = rnd.random() < 0.3
        self.text_entities = []    # usable in text and attribute values
        self.markup_entities = []  # usable in text only
        self.ext_entities = []     # external: alone in a wrapper element
        self.elements = {}         # name -> {attr: (type, default kind, default)}
        self.files = {}            # extra files: name -> bytes
        self.attr_types = {}       # (element, attr) -> type
        self.ascii_only = False    # while writing the external DTD

    # -- characters ---------------------------------------------------------
    def raw_char(self):
        pool = "" if self.ascii_only else RAW_HIGH[self.cls]
        if pool and self.r.random() < 0.25:
            return self.r.choice(pool)
        return self.r.choice("abcdefghijklmnopqrstuvwxyzABCXYZ0123456789.,;:-_!?()[]/=+*'\"#%")

    def ws(self):
        return self.r.choice([" ", "  ", "\n", "\t", " \n\t ", "\r", "\n\n"])

    def char_ref(self, in_entity=False):
        c = self.r.choice(REF_CODES)
        while in_entity and c in (60, 38):  # would be markup once the entity is used
            c = self.r.choice(REF_CODES)
        return ("&#x%X;" if self.r.random() < 0.3 else "&#x%x;" if self.r.random() < 0.2 else "&#%d;") % c

    def name(self, prefix):
        n = prefix + str(self.r.randint(0, 9))
        if self.cls != "ascii" and self.r.random() < 0.1:
            n += self.r.choice(NAME_HIGH)
        return n

    # -- pieces -------------------------------------------------------------
    def text(self, markup_ok, quote=None):
        """A run of text: raw characters, whitespace and references."""
        out = []
        for _ in range(self.r.randint(1, 12)):
            x = self.r.random()
            if x < 0.45:
                s = "".join(self.raw_char() for _ in range(self.r.randint(1, 6)))
                if quote:
                    s = s.replace(quote, "")
                out.append(s)
            elif x < 0.6:
                out.append(self.ws())
            elif x < 0.72:
                out.append(self.char_ref())
            elif x < 0.82:
                out.append(self.r.choice(["&lt;", "&gt;", "&amp;", "&apos;", "&quot;"]))
            elif x < 0.92 and self.text_entities:
                out.append("&%s;" % self.r.choice(self.text_entities))
            elif markup_ok and self.markup_entities:
                out.append("&%s;" % self.r.choice(self.markup_entities))
        return "".join(out)

    def attr_value(self, quote):
        return self.text(False, quote)

    def entity_value(self, quote, markup):
        parts = []
        for _ in range(self.r.randint(1, 5)):
            x = self.r.random()
            if x < 0.4:
                s = "".join(self.raw_char() for _ in range(self.r.randint(1, 5)))
                parts.append(s.replace(quote, "").replace("%", ""))
            elif x < 0.5:
                parts.append(self.ws())
            elif x < 0.65:
                parts.append(self.char_ref(True))
            elif x < 0.75:
                # escaped twice: the declaration leaves a reference for later
                parts.append(self.r.choice(["&#38;amp;", "&#38;#65;", "&#38;lt;", "&#x26;#x42;"]))
            elif x < 0.85:
                parts.append(self.r.choice(["&lt;", "&amp;", "&quot;"]))
            elif self.text_entities:
                parts.append("&%s;" % self.r.choice(self.text_entities))
        if markup:
            tag = self.r.choice(["b", "i", "em"])
            inner = "".join(parts) or "x"
            aq = "'" if quote == '"' else '"'
            forms = ['<%s>%s</%s>' % (tag, inner, tag), '%s<%s/>' % (inner, tag),
                     '<%s k=%sv%s>%s</%s><!-- note -->' % (tag, aq, aq, inner, tag),
                     '%s<?pi data?>%s' % (inner, inner)]
            return self.r.choice(forms)
        return "".join(parts)

    def quoted(self, value_fn):
        q = self.r.choice(['"', "'"])
        return q + value_fn(q) + q

    def declare_entities(self, lines, external):
        for k in range(self.r.randint(0, 4)):
            name = "t%d%s" % (k, "x" if external else "")
            lines.append('<!ENTITY %s %s>' % (name, self.quoted(lambda q: self.entity_value(q, False))))
            self.text_entities.append(name)
        for k in range(self.r.randint(0, 2)):
            name = "m%d%s" % (k, "x" if external else "")
            lines.append('<!ENTITY %s %s>' % (name, self.quoted(lambda q: self.entity_value(q, True))))
            self.markup_entities.append(name)

    def declare_attlist(self, lines, elem):
        defs = []
        attrs = self.elements[elem]
        for k in range(self.r.randint(1, 4)):
            an = "d%d" % k
            if an in attrs:
                continue
            t = self.r.choice(["CDATA", "CDATA", "NMTOKEN", "NMTOKENS", "ID", "(red|green|blue)"])
            if t.startswith("("):
                kinds = ["#IMPLIED", "#REQUIRED", "default", "#FIXED"]
            elif t == "ID":
                kinds = ["#IMPLIED", "#REQUIRED"]
            else:
                kinds = ["#IMPLIED", "#REQUIRED", "default", "default", "#FIXED"]
            kind = self.r.choice(kinds)
            dv = None
            if kind == "#FIXED":
                dv = "fix%d" % self.r.randint(0, 9) if not t.startswith("(") else "green"
                text = '#FIXED "%s"' % dv
            elif kind == "default":
                if t.startswith("("):
                    dv = "blue"
                elif t == "CDATA":
                    dv = None
                else:
                    dv = " tok%d  tok " % k if t == "NMTOKENS" else "tok%d" % k
                if dv is None:
                    text = self.quoted(lambda q: self.attr_value(q))
                else:
                    text = '"%s"' % dv
            else:
                text = kind
            attrs[an] = (t, kind, dv)
            self.attr_types[(elem, an)] = t
            defs.append("%s %s %s" % (an, t, text))
        if defs:
            sep = self.r.choice([" ", "\n  ", "\t"])
            lines.append("<!ATTLIST %s%s%s>" % (elem, sep, sep.join(defs)))

    def dtd(self):
        """Internal subset and, sometimes, an external DTD file."""
        if self.cls == "ascii" and self.r.random() < 0.5:
            return ""
        if self.r.random() < 0.25:
            return ""
        elems = ["root", "a", "b", "c", "w"]
        for e in elems:
            self.elements[e] = {}
        external = self.r.random() < 0.3
        ext_lines, int_lines = [], []
        first = ext_lines if external else int_lines
        # Elements are declared in the subset read first, before any ATTLIST.
        for e in elems:
            first.append("<!ELEMENT %s ANY>" % e)
        if external:
            ext_lines.insert(0, "<!-- external subset -->")
            if self.r.random() < 0.5:
                ext_lines.insert(0, '<?xml version="1.0" encoding="US-ASCII"?>')
            # Parameter entities are used only where they are declared.
            ext_lines.append('<!ENTITY % decl "<!ELEMENT extra EMPTY>">')
            ext_lines.append("%decl;")
            ext_lines.append('<!ENTITY % pfx "Pre">')
            ext_lines.append('<!ENTITY px "%pfx;-fix">')
            self.ascii_only = True
            self.declare_attlist(ext_lines, "a")
            self.ascii_only = False
        self.declare_entities(int_lines, False)
        for e in self.r.sample(elems, self.r.randint(1, 3)):
            self.declare_attlist(int_lines, e)
        if self.r.random() < 0.3:
            int_lines.append("<?dtd-pi some data?>")
        if self.r.random() < 0.3:
            int_lines.append('<!ENTITY % pdecl "<!NOTATION gif SYSTEM \'viewer\'>">')
            int_lines.append("%pdecl;")
        if self.r.random() < 0.4:
            # External entities: the same bytes for expat and for us.
            for k in range(self.r.randint(1, 2)):
                fname = "%03d_e%d.ent" % (self.i, k)
                self.files[fname] = self.external_entity()
                name = "x%d" % k
                int_lines.append('<!ENTITY %s SYSTEM "%s">' % (name, fname))
                self.ext_entities.append(name)
        # XML reads the internal subset first, so internal declarations must
        # not use what the external one declares; content may.
        if external:
            self.text_entities.append("px")
        sysid = ""
        if external:
            fname = "%03d.dtd" % self.i
            text = "\n".join(ext_lines) + "\n"
            if self.crlf:
                text = text.replace("\n", "\r\n")
            self.files[fname] = text.encode("ascii")
            sysid = ' SYSTEM "%s"' % fname
        subset = ""
        if int_lines:
            subset = " [\n" + "\n".join(int_lines) + "\n]"
        return "<!DOCTYPE root%s%s>\n" % (sysid, subset)

    def external_entity(self):
        choice = self.r.random()
        body = "ext <b>bold</b> text &amp; more"
        if choice < 0.4:
            data = body.encode("ascii")
        elif choice < 0.7:
            data = ('<?xml encoding="UTF-8"?>' + body + " é€ 中").encode("utf-8")
        else:
            data = ('<?xml version="1.0" encoding="ISO-8859-1"?>' + body + " é\xe0\xff").encode("latin-1")
        return data

    def attributes(self, elem):
        attrs = []
        declared = self.elements.get(elem, {})
        used = set()
        for an, (t, kind, dv) in declared.items():
            present = kind == "#REQUIRED" or self.r.random() < 0.5
            if not present:
                continue
            used.add(an)
            if t.startswith("("):
                v = self.r.choice(["red", "green", "blue", " red "])
                if kind == "#FIXED":
                    v = self.r.choice(["green", "red"])
                attrs.append((an, '"%s"' % v))
            elif t == "CDATA":
                attrs.append((an, self.quoted(lambda q: self.attr_value(q))))
            elif t == "ID":
                attrs.append((an, '" id%d "' % self.r.randint(0, 1000)))
            else:
                if kind == "#FIXED" and self.r.random() < 0.5:
                    attrs.append((an, '"%s"' % dv))
                else:
                    toks = " ".join("n%d" % self.r.randint(0, 99) for _ in range(self.r.randint(1, 3)))
                    if t == "NMTOKEN":
                        toks = "n%d" % self.r.randint(0, 99)
                    attrs.append((an, '"%s%s%s"' % (self.ws(), toks, self.ws()) if t == "NMTOKENS"
                                  else '"%s"' % toks))
        for _ in range(self.r.randint(0, 4)):
            an = self.name(self.r.choice(["x", "y", "Lat", "Lon", "name", "Z", "_u", "a-b", "v.w"]))
            if an in used or an in declared:
                continue
            used.add(an)
            attrs.append((an, self.quoted(lambda q: self.attr_value(q))))
        self.r.shuffle(attrs)
        out = ""
        for an, v in attrs:
            eq = self.r.choice(["=", "=", " = ", "\n=\t"])
            out += self.r.choice([" ", "\n\t", "  "]) + an + eq + v
        return out + self.r.choice(["", "", " ", "\n"])

    def content(self, depth):
        out = []
        for _ in range(self.r.randint(0, 6 if depth < 4 else 2)):
            x = self.r.random()
            if x < 0.35:
                out.append(self.text(True))
            elif x < 0.65 and depth < 5:
                out.append(self.element(depth + 1))
            elif x < 0.72:
                out.append("<!-- %s -->" % self.r.choice(["c", "a -- b? no", "<tag> & stuff", ""]).replace("--", "-"))
            elif x < 0.78:
                out.append(self.r.choice(["<?pi x?>", "<?target data with > inside?>", "<?xml-stylesheet href='a'?>"]))
            elif x < 0.86:
                out.append("<![CDATA[%s]]>" % self.r.choice(["cdata", "<not a tag> & x", "  spaced  ", "]"]))
            elif x < 0.92 and self.ext_entities:
                out.append("<w>&%s;</w>" % self.r.choice(self.ext_entities))
            else:
                out.append(self.ws())
        return "".join(out)

    def element(self, depth):
        elem = self.r.choice(["a", "b", "c", self.name("e")] if self.elements else ["a", "b", self.name("e"), "Datum", "Delta"])
        attrs = self.attributes(elem)
        if self.r.random() < 0.25:
            return "<%s%s/>" % (elem, attrs)
        end_ws = self.r.choice(["", "", " ", "\n"])
        return "<%s%s>%s</%s%s>" % (elem, attrs, self.content(depth), elem, end_ws)

    def build(self):
        parts = []
        if self.decl:
            parts.append(self.decl + "\n")
        dtd = self.dtd()
        if self.r.random() < 0.3:
            parts.append("<!-- before -->\n<?app start?>\n")
        parts.append(dtd)
        if not self.elements:
            self.elements = {}
        parts.append(self.ws())
        parts.append("<root%s>%s</root>" % (self.attributes("root"), self.content(0)))
        if self.r.random() < 0.5:
            parts.append("\n<!-- after -->\n")
        doc = "".join(parts)
        if self.crlf:
            doc = doc.replace("\r\n", "\n").replace("\n", "\r\n")
        return doc.encode(self.codec)


# ---------------------------------------------------------------------------
# Oracle

def expected_items(path, codec, elements):
    items = []
    stack = []
    pending = []
    in_cdata = [False]
    folder = os.path.dirname(path)

    def flush():
        if pending:
            t = collapse("".join(pending))
            pending.clear()
            if t:
                items.append((b"text", stack[-1] if stack else b"", b"", value_bytes(t)))

    def start(name, attrs):
        flush()
        nb = name.encode(codec)
        items.append((b"start", nb, b"", b""))
        pairs = []
        for i in range(0, len(attrs), 2):
            an, av = attrs[i], attrs[i + 1]
            decl = elements.get(name, {}).get(an)
            av = av.replace("\t", " ").replace("\n", " ").replace("\r", " ")
            if decl:
                t, kind, dv = decl
                if kind == "#FIXED":
                    av = dv
                if t != "CDATA":
                    av = collapse(av)
            pairs.append((an.encode(codec), value_bytes(av)))
        for an, av in sorted(pairs):
            items.append((b"attr", nb, an, av))
        stack.append(nb)

    def end(name):
        flush()
        items.append((b"end", name.encode(codec), b"", b""))
        stack.pop()

    def chars(data):
        if not in_cdata[0]:
            pending.append(data)

    def cdata_start():
        flush()
        in_cdata[0] = True

    def cdata_end():
        in_cdata[0] = False

    def setup(p):
        p.StartElementHandler = start
        p.EndElementHandler = end
        p.CharacterDataHandler = chars
        p.CommentHandler = lambda d: flush()
        p.ProcessingInstructionHandler = lambda t, d: flush()
        p.StartCdataSectionHandler = cdata_start
        p.EndCdataSectionHandler = cdata_end
        p.ordered_attributes = True
        p.SetParamEntityParsing(expat.XML_PARAM_ENTITY_PARSING_ALWAYS)

        def external(context, base, sysid, pubid):
            sub = p.ExternalEntityParserCreate(context)
            setup(sub)
            with open(os.path.join(folder, sysid), "rb") as f:
                sub.Parse(f.read(), True)
            return 1
        p.ExternalEntityRefHandler = external

    p = expat.ParserCreate()
    setup(p)
    with open(path, "rb") as f:
        p.Parse(f.read(), True)
    flush()
    return b"".join(b"\t".join(escape_field(x) for x in it) + b"\n" for it in items)


def main():
    if os.path.isdir(OUT):
        shutil.rmtree(OUT)
    os.makedirs(OUT)
    rnd = random.Random(20240607)
    xmllint = shutil.which("xmllint")
    total = 0
    for i in range(COUNT):
        doc = Doc(rnd, i)
        data = doc.build()
        path = os.path.join(OUT, "%03d.xml" % i)
        for fname, content in doc.files.items():
            with open(os.path.join(OUT, fname), "wb") as f:
                f.write(content)
        with open(path, "wb") as f:
            f.write(data)
        items = expected_items(path, doc.codec, doc.elements)
        with open(os.path.join(OUT, "%03d.items" % i), "wb") as f:
            f.write(items)
        total += len(data)
        if xmllint:
            # A second, independent check that every document is well-formed.
            r = subprocess.run([xmllint, "--noout", "--noent", "--loaddtd", path],
                               capture_output=True)
            if r.returncode != 0:
                sys.exit("xmllint rejects %s:\n%s" % (path, r.stderr.decode(errors="replace")))
    print("%d documents, %d bytes" % (COUNT, total))


if __name__ == "__main__":
    main()
