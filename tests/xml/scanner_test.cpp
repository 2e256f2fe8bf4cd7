#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "common/TempDir.h"
#include "xml/ItemText.h"
#include "xml/LibXmlParser.h"

namespace {

// The parts of a document, one "Type name|content" string each.
std::vector<std::string> Parts(TXmlParser& p)
{
    std::vector<std::string> out;
    p.StartScan();
    while (p.Scan()) {
        std::string s = CPartType_Name[p.CurPartType];
        if (!p.CurName.empty())
            s += " " + p.CurName;
        if (!p.CurContent.empty())
            s += "|" + p.CurContent;
        out.push_back(s);
    }
    return out;
}

std::vector<std::string> Parts(const std::string& doc)
{
    TXmlParser p;
    p.LoadFromBuffer(doc);
    return Parts(p);
}

// The text of the one element of a document.
std::string TextOf(const std::string& body, const std::string& prolog = "")
{
    TXmlParser p;
    p.LoadFromBuffer(prolog + "<A>" + body + "</A>");
    p.StartScan();
    std::string text;
    while (p.Scan())
        if (p.CurPartType == ptContent)
            text += p.CurContent;
    return text;
}

// The value of attribute v of the first tag.
std::string AttrOf(const std::string& value, const std::string& prolog = "")
{
    TXmlParser p;
    p.LoadFromBuffer(prolog + "<A v=\"" + value + "\"/>");
    p.StartScan();
    while (p.Scan())
        if (p.CurPartType == ptEmptyTag)
            return p.CurAttr.Value("v");
    return "<no tag>";
}

using V = std::vector<std::string>;

} // namespace

TEST(XmlScanner, DescribesEveryKindOfPart)
{
    EXPECT_EQ(Parts("<?xml version=\"1.0\"?><!-- c --><?pi a b?><!DOCTYPE A><A><![CDATA[<x>]]>"
                    "<B x='1'/> t </A>"),
              (V{"XML Prolog", "Comment", "PI pi| a b", "DTD Declaration A", "Start Tag A", "CDATA|<x>",
                 "Empty Tag B", "Text|t", "End Tag A"}));
    // Only "<?xml" followed by whitespace is the declaration.
    EXPECT_EQ(Parts("<?xml-stylesheet href='s'?>"), (V{"PI xml-stylesheet| href='s'"}));
    // Missing terminators run to the end of the text; the scan then ends.
    EXPECT_EQ(Parts("<A x='1"), (V{"Start Tag A"}));
    EXPECT_EQ(Parts("<!-- open"), (V{"Comment"}));
    EXPECT_EQ(Parts("<![CDATA[open"), (V{"CDATA|open"}));
    EXPECT_EQ(Parts("<?pi open"), (V{"PI pi| open"}));
    EXPECT_EQ(Parts("<"), (V{"Start Tag"}));
    // A zero byte ends the document.
    EXPECT_EQ(Parts(std::string("<A>a\0<B/>", 9)), (V{"Start Tag A", "Text|a"}));
}

TEST(XmlScanner, NormalizesTextWhitespace)
{
    EXPECT_EQ(TextOf("a  \r\n b"), "a b");
    EXPECT_EQ(Parts("<A> \r\n\t </A>"), (V{"Start Tag A", "End Tag A"}));
    TXmlParser p;
    p.LoadFromBuffer("<A> a  b </A>");
    p.StartScan();
    p.Normalize = false;
    p.Scan();
    p.Scan();
    EXPECT_EQ(p.CurContent, " a  b ");
}

TEST(XmlScanner, ResolvesReferencesInText)
{
    EXPECT_EQ(TextOf("&#65;&#x41;&#X41;&lt;&gt;&amp;&apos;&quot;"), "AAA<>&'\"");
    EXPECT_EQ(TextOf("x&abc;y"), "xabcy");  // undeclared: the bare name
    // A "&" that starts no well-formed reference stays, and swallows nothing.
    EXPECT_EQ(TextOf("Smith & Sons; Co"), "Smith & Sons; Co");
    EXPECT_EQ(TextOf("a&b c;d"), "a&b c;d");
    EXPECT_EQ(TextOf("a&#x;&#;&#12a;&"), "a&#x;&#;&#12a;&");
    EXPECT_EQ(CompactOf("<A>R&D</A><B>x;</B>"), "<A A:'R&D' >A <B B:'x;' >B");
    // Codes above 255 through Windows-1252, BF without a byte; no NUL ever.
    EXPECT_EQ(TextOf("&#8364;&#x152;&#x4E2D;&#128512;"), "\x80\x8C\xBF\xBF");
    EXPECT_EQ(TextOf("a&#x110000;b&#0;c&#x0;d&#99999999999;e"), "a b c d e");
    EXPECT_EQ(TextOf("&#233;"), "\xE9");
}

TEST(XmlScanner, NormalizesAttributeValues)
{
    EXPECT_EQ(AttrOf("a&#9;b"), "a b");  // character references first, then blanks
    EXPECT_EQ(AttrOf("a\tb\nc"), "a b c");
    EXPECT_EQ(AttrOf("&lt;&amp;&gt;&quot;&#65;&#x42;"), "<&>\"AB");
    EXPECT_EQ(AttrOf("&undeclared; & x; &"), "&undeclared; & x; &");
    // What a reference produces is not read again.
    EXPECT_EQ(AttrOf("&amp;#65;&amp;lt;"), "&#65;&lt;");
    EXPECT_EQ(AttrOf("&#8364; &#x0;"), "\x80  ");
}

TEST(XmlScanner, TranslatesUtf8DocumentsOnly)
{
    const std::string utf8 = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
    const std::string text = "\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80x \xE4\xB8\xAD";
    EXPECT_EQ(TextOf(text, utf8), "\xE9 \x80 \xBFx \xBF");
    EXPECT_EQ(TextOf(text, "<?xml version=\"1.0\"?>"), "\xE9 \x80 \xBFx \xBF");
    EXPECT_EQ(AttrOf(text + " &#233;", utf8), "\xE9 \x80 \xBFx \xBF \xE9");
    EXPECT_EQ(TextOf(text, "<?xml version=\"1.0\" encoding=\"ISO8859-1\"?>"), text);
    EXPECT_EQ(TextOf(text), text);
    // Names are not translated.
    EXPECT_EQ(CompactOf(utf8 + "<\xC3\xA9 \xC3\xA9='\xC3\xA9'/>"), "<\xC3\xA9 \xC3\xA9.\xC3\xA9=\xE9 >\xC3\xA9");
    // Entity text is translated once, where it is declared.
    EXPECT_EQ(TextOf("&e;", utf8 + "<!DOCTYPE A [<!ENTITY e \"\xC3\xA9&#233;\">]>"), "\xE9\xE9");
}

// A malformed sequence neither swallows the "<" behind it nor, overlong,
// becomes one; a byte order mark is no text.
TEST(XmlScanner, MalformedUtf8AndTheByteOrderMark)
{
    const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    EXPECT_EQ(AttrOf("a\xC3<b", utf8), "a\xBF<b");
    EXPECT_EQ(CompactOf(utf8 + "<A>x\xC3<B/>\xC0\xBC" "C/></A>"), "<A A:'x\xBF' <B >B A:'\xBF\xBF" "C/>' >A");
    EXPECT_EQ(CompactOf("\xEF\xBB\xBF" + utf8 + "<A>\xC3\xA9</A>"), "<A A:'\xE9' >A");
    EXPECT_EQ(CompactOf("\xEF\xBB\xBF<A/>"), "<A >A");
}

TEST(XmlScanner, ReadsTheDtd)
{
    TXmlParser p;
    p.LoadFromBuffer(
        "<!DOCTYPE A [\n"
        "<!ATTLIST Early z CDATA 'gone'>\n"
        "<!ELEMENT Early (#PCDATA)>\n"
        "<!ELEMENT A (B|C)*>\n<!ELEMENT B EMPTY>\n<!ELEMENT C (#PCDATA|B)*>\n"
        "<!ATTLIST A d CDATA 'x&e;y' f NMTOKEN #FIXED 'F' i NMTOKENS #IMPLIED\n"
        "            r ID #REQUIRED k (one|two) 'two' n NOTATION (gif) #IMPLIED>\n"
        "<!ENTITY e \"E&#65;\">\n<!ENTITY % p 'PE'>\n<!ENTITY x SYSTEM 'x.txt' NDATA gif>\n"
        "<!NOTATION gif PUBLIC 'pub' 'viewer'>\n<?pi in dtd?><!-- comment -->\n"
        "]>\n<A i='  a   b ' f='ignored' r=' r1 '/><Early/>");
    const V parts = Parts(p);
    EXPECT_EQ(parts.front(), "DTD Declaration A");
    EXPECT_EQ(p.RootName, "A");
    EXPECT_EQ(p.Elements.Node("A")->ElemType, etChildren);
    EXPECT_EQ(p.Elements.Node("B")->ElemType, etEmpty);
    EXPECT_EQ(p.Elements.Node("C")->ElemType, etMixed);
    EXPECT_EQ(p.Elements.Node("C")->Definition, "(#PCDATA|B)*");
    // A later ELEMENT replaces the one an early ATTLIST made, with its attributes.
    EXPECT_EQ(p.Elements.Node("Early")->Count(), 0u);
    const TElemDef* a = p.Elements.Node("A");
    EXPECT_EQ(a->Node("k")->AttrType, atEnumeration);
    EXPECT_EQ(a->Node("k")->Notations, "(one|two)");
    EXPECT_EQ(a->Node("n")->AttrType, atNotation);
    EXPECT_EQ(a->Node("r")->DefaultType, adRequired);
    EXPECT_EQ(p.Entities.Value("e"), "EA");
    EXPECT_EQ(p.ParEntities.Value("p"), "PE");
    const auto* x = static_cast<const TEntityDef*>(p.Entities.Node("x"));
    EXPECT_EQ(x->SystemId, "x.txt");
    EXPECT_EQ(x->NotationName, "gif");
    const auto* gif = static_cast<const TNotationDef*>(p.Notations.Node("gif"));
    EXPECT_EQ(gif->Value, "viewer");
    EXPECT_EQ(gif->PublicId, "pub");

    // The tag: defaults added, the fixed value imposed, types normalised.
    p.StartScan();
    while (p.Scan() && p.CurPartType != ptEmptyTag) {
    }
    EXPECT_EQ(p.CurAttr.Value("d"), "xEAy");
    EXPECT_EQ(p.CurAttr.Node("d")->ValueType, vtDefault);
    EXPECT_EQ(p.CurAttr.Value("f"), "F");
    EXPECT_EQ(p.CurAttr.Node("f")->ValueType, vtFixed);
    EXPECT_EQ(p.CurAttr.Value("i"), "a b");
    EXPECT_EQ(p.CurAttr.Node("i")->ValueType, vtImplied);
    EXPECT_EQ(p.CurAttr.Node("i")->AttrType, atNmTokens);
    EXPECT_EQ(p.CurAttr.Value("k"), "two");
    EXPECT_EQ(p.CurAttr.Value("r"), "r1");
    EXPECT_EQ(p.CurAttr.Count(), 5u);
    // Scanning again does not read the DTD again, and gives the same parts.
    EXPECT_EQ(Parts(p), parts);
}

TEST(XmlScanner, EntitiesInTextMayHoldMarkupAndNest)
{
    const std::string dtd =
        "<!DOCTYPE A [<!ENTITY in 'i<B/>'><!ENTITY out 'o&in;'><!ENTITY lt2 '&#38;lt;'>]>";
    EXPECT_EQ(CompactOf(dtd + "<A>a&out;b</A>"), "<A A:'aoi' <B >B A:'b' >A");
    // An entity that ends where its enclosing one ends does not end the document.
    EXPECT_EQ(CompactOf(dtd + "<A>&out;</A><C/>"), "<A A:'oi' <B >B >A <C >C");
    EXPECT_EQ(CompactOf(dtd + "<A v='&lt2;'>&lt2;</A>"), "<A A.v=< A:'<' >A");
}

TEST(XmlScanner, ReadsExternalDtdAndEntitiesBesideTheDocument)
{
    TempDir dir;
    WriteFileBytes(dir.File("d.dtd"), "<?xml encoding='UTF-8'?><!ATTLIST A x CDATA 'ext'><!ENTITY t 'T'>");
    WriteFileBytes(dir.File("e.txt"), "<?xml encoding='UTF-8'?>\xC3\xA9<B/>");
    WriteFileBytes(dir.File("doc.xml"),
                   "<?xml version='1.0' encoding='ISO8859-1'?>\n"
                   "<!DOCTYPE A SYSTEM 'd.dtd' [<!ENTITY e SYSTEM 'e.txt'><!ENTITY x 'int'>]>"
                   "<A>&t;&e;\xE9</A>");
    TXmlInput in(dir.File("doc.xml"));
    // The external entity switches to UTF-8 and back to ISO8859-1 behind it;
    // its own declaration is a part, so the text around it is split.
    EXPECT_EQ(Compact(in), "<A A.x=ext A:'T' A:'\xE9' <B >B A:'\xE9' >A");
    // Without a declaration nothing is translated, also behind an entity
    // that declared UTF-8 for itself.
    WriteFileBytes(dir.File("bare.xml"), "<!DOCTYPE A [<!ENTITY e SYSTEM 'e.txt'>]><A>&e;\xC3\xA9</A>");
    TXmlInput bare(dir.File("bare.xml"));
    EXPECT_EQ(Compact(bare), "<A A:'\xE9' <B >B A:'\xC3\xA9' >A");
    // A DTD that does not exist is an empty one.
    EXPECT_EQ(CompactOf("<!DOCTYPE A SYSTEM 'Zephyrant.dtd'><A>a</A>"), "<A A:'a' >A");
}

TEST(XmlScanner, BoundsEntityExpansion)
{
    // Each level references the one below ten times: 10^9 copies unbounded.
    std::string lol = "<!DOCTYPE A [<!ENTITY l0 'lol'>";
    for (int i = 1; i <= 9; ++i) {
        lol += "<!ENTITY l" + std::to_string(i) + " '";
        for (int k = 0; k < 10; ++k)
            lol += "&l" + std::to_string(i - 1) + ";";
        lol += "'>";
    }
    lol += "<!ENTITY self 'x&self;'><!ENTITY % pe '%pe;'> %pe; ]>";
    const auto started = std::chrono::steady_clock::now();
    for (const std::string body : {"<A>&l9;</A>", "<A v='&l9;'/>", "<A>&self;</A>", "<A v='&self;'/>"}) {
        TXmlParser p;
        p.LoadFromBuffer(lol + body);
        p.StartScan();
        std::size_t produced = 0;
        while (p.Scan()) {
            produced += p.CurContent.size();
            for (std::size_t i = 0; i < p.CurAttr.Count(); ++i)
                produced += p.CurAttr.Value(i).size();
        }
        EXPECT_GT(produced, 0u) << body;
        EXPECT_LE(produced, TXmlParser::kMaxExpansion) << body;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
    // The bound stops a reference, which then stays as written.
    EXPECT_NE(TextOf("&self;", lol).find("&self;"), std::string::npos);
}

TEST(XmlScanner, ReadsExternalEntitiesOnlyFromBoundedRegularFiles)
{
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    WriteFileBytes(dir.File("huge"), "");
    std::filesystem::resize_file(dir.File("huge"), TXmlParser::kMaxExternalSize + 1);
    std::filesystem::create_directory(dir.File("folder"));
    for (const std::string& target : {std::string("/dev/zero"), std::string("fifo"), std::string("huge"),
                                      std::string("folder"), std::string("missing")}) {
        WriteFileBytes(dir.File("doc.xml"), "<!DOCTYPE A SYSTEM '" + target + "' [<!ENTITY e SYSTEM '" +
                                                target + "'>]><A v='[&e;]'>[&e;]</A>");
        TXmlInput in(dir.File("doc.xml"));
        EXPECT_EQ(Compact(in), "<A A.v=[] A:'[]' >A") << target;
    }
}

// A championship file must not pull any local file into a value that the
// next save keeps: only files in the document's folder or below it are read.
TEST(XmlScanner, ReadsExternalFilesOnlyFromTheDocumentsFolder)
{
    TempDir dir;
    std::filesystem::create_directories(dir.File("doc/sub"));
    WriteFileBytes(dir.File("secret"), "secret");
    WriteFileBytes(dir.File("doc/sub/ok.ent"), "ok");
    WriteFileBytes(dir.File("doc/sub/d.dtd"), "<!ATTLIST A x CDATA 'dtd'>");
    const std::string refused[] = {"/etc/passwd", dir.File("secret"), "../secret", "sub/../../secret",
                                   "..\\secret"};
    for (const std::string& id : refused) {
        WriteFileBytes(dir.File("doc/doc.xml"), "<!DOCTYPE A SYSTEM '" + id + "' [<!ENTITY e SYSTEM '" + id +
                                                    "'>]><A v='[&e;]'>[&e;]</A>");
        TXmlInput in(dir.File("doc/doc.xml"));
        EXPECT_EQ(Compact(in), "<A A.v=[] A:'[]' >A") << id;
    }
    WriteFileBytes(dir.File("doc/doc.xml"), "<!DOCTYPE A SYSTEM 'sub/d.dtd' [<!ENTITY e SYSTEM 'sub\\ok.ent'>]>"
                                            "<A v='[&e;]'>[&e;]</A>");
    TXmlInput in(dir.File("doc/doc.xml"));
    EXPECT_EQ(Compact(in), "<A A.v=[ok] A.x=dtd A:'[ok]' >A");
    // A document held in memory has no folder.
    EXPECT_EQ(CompactOf("<!DOCTYPE A [<!ENTITY e SYSTEM 'secret'>]><A>[&e;]</A>"), "<A A:'[]' >A");
}

TEST(XmlScanner, ChargesEveryExternalLoadToTheBound)
{
    struct Counting : TXmlParser {
        int Loads = 0;
        std::unique_ptr<TXmlParser> LoadExternalEntity(const std::string& s, const std::string& p,
                                                       const std::string& n) override
        {
            ++Loads;
            return TXmlParser::LoadExternalEntity(s, p, n);
        }
    };
    TempDir dir;
    WriteFileBytes(dir.File("big.dtd"), std::string(1u << 20, ' '));  // no declarations in it
    std::string doc = "<!DOCTYPE A";
    for (int i = 0; i < 100; ++i)
        doc += " SYSTEM 'big.dtd'";
    doc += " [<!ENTITY e SYSTEM 'big.dtd'>]><A>";
    for (int i = 0; i < 100; ++i)
        doc += "&e;";
    WriteFileBytes(dir.File("doc.xml"), doc + "</A>");
    Counting p;
    ASSERT_TRUE(p.LoadFromFile(dir.File("doc.xml")));
    Parts(p);
    EXPECT_LE(p.Loads, static_cast<int>(TXmlParser::kMaxExpansion >> 20) + 1);
}

TEST(XmlScanner, RepeatedDoctypeDoesNotLoop)
{
    EXPECT_EQ(Parts("<!DOCTYPE A><!DOCTYPE B><A/>"),
              (V{"DTD Declaration A", "DTD Declaration B", "Empty Tag A"}));
}

TEST(XmlNameValueList, KeepsByteWiseOrderAndFindsTheNewestOfEqualNames)
{
    TNvpList list;
    for (const char* n : {"b", "\xE9", "B", "a"})
        list.Add(std::make_unique<TNvpNode>(n, "old"));
    list.Add(std::make_unique<TNvpNode>("b", "new"));
    ASSERT_EQ(list.Count(), 5u);
    EXPECT_EQ(list.Name(0), "B");
    EXPECT_EQ(list.Name(4), "\xE9");  // above every ASCII letter: unsigned bytes
    EXPECT_EQ(list.Value("b"), "new");
    EXPECT_EQ(list.Value(std::size_t{2}), "new");  // before the equal name added earlier
    EXPECT_EQ(list.Value(std::size_t{3}), "old");
    EXPECT_EQ(list.Node("zz"), nullptr);
    EXPECT_EQ(list.Node(std::size_t{5}), nullptr);
    EXPECT_EQ(list.Value(std::size_t{9}), "");
}

TEST(XmlTextHelpers, TrimConvertAndSubstrings)
{
    EXPECT_EQ(TrimWs(" \t\r\na b\n "), "a b");
    EXPECT_EQ(ConvertWs("a \t\nb\r", false), "a   b ");
    EXPECT_EQ(ConvertWs("a \t\nb\r", true), "a b ");
    EXPECT_EQ(TrimWs("\xA0x\xA0"), "\xA0x\xA0");  // no-break space is no whitespace
    const char* s = "abcdef";
    EXPECT_EQ(StrSFPas(s + 1, s + 3), "bcd");
    EXPECT_EQ(StrSFPas(s + 3, s + 1), "");
}
