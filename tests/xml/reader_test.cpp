#include <gtest/gtest.h>

#include <sys/stat.h>

#include "common/TempDir.h"
#include "platform/Exceptions.h"
#include "xml/ItemText.h"

TEST(XmlInput, TagsAttributesAndTextBecomeItems)
{
    // An empty-element tag and a start tag with its end tag give the same items.
    EXPECT_EQ(CompactOf("<A x=\"1\"/>"), "<A A.x=1 >A");
    EXPECT_EQ(CompactOf("<A x=\"1\"></A>"), "<A A.x=1 >A");
    EXPECT_EQ(CompactOf("<A>abc</A>"), "<A A:'abc' >A");
    // Attributes come in byte-wise order of their names, not as written.
    EXPECT_EQ(CompactOf("<P Y='4' X='3' Lon='2' Lat='1' \xE9='5' a='6'/>"),
              "<P P.Lat=1 P.Lon=2 P.X=3 P.Y=4 P.a=6 P.\xE9=5 >P");
    // Comments, processing instructions, declarations and CDATA give nothing.
    EXPECT_EQ(CompactOf("<?xml version=\"1.0\"?><!-- c --><?pi x?><!DOCTYPE A>"), "");
    EXPECT_EQ(CompactOf("<A><![CDATA[skipped]]>kept</A>"), "<A A:'kept' >A");
    // Text belongs to the innermost open element.
    EXPECT_EQ(CompactOf("<A>a<B>b</B>c</A>"), "<A A:'a' <B B:'b' >B A:'c' >A");
}

TEST(XmlInput, EndTagsAreNotMatchedAndStrayOnesAreHarmless)
{
    // The end item carries the name written in the end tag and pops the top.
    EXPECT_EQ(CompactOf("<A></B>after"), "<A >B :'after'");
    // Text outside all elements and an end tag with nothing open: carry on.
    EXPECT_EQ(CompactOf("before</X></Y><A>in</A>after"), ":'before' >X >Y <A A:'in' >A :'after'");
}

// The loader of the championship reports these; the items stay as they are.
TEST(XmlInput, ItemsKnowTheirLineAndTheFirstMismatchedEndTagIsKept)
{
    TXmlInput in("<test>", "<A>\n<B x='1'>\ntext</B>\n</C></A>\n</D>");
    std::string lines;
    while (in.HasData()) lines += std::to_string(in.Get().Line);
    EXPECT_EQ(lines, "12233445");
    EXPECT_EQ(in.MismatchedEndTag(), "</C> on line 4 where <A> is open");
    TXmlInput matched("<test>", "<A><B/></A>");
    while (matched.HasData()) matched.Get();
    EXPECT_EQ(matched.MismatchedEndTag(), "");
}

TEST(XmlInput, GetAfterTheEndKeepsReturningNoItem)
{
    TXmlInput in("<test>", "<A/>");
    while (in.HasData())
        in.Get();
    for (int i = 0; i < 3; ++i) {
        const TXmlData d = in.Get();
        EXPECT_EQ(d.Kind, xkNone);
        EXPECT_TRUE(d.Element.empty() && d.Name.empty() && d.Value.empty());
    }
    EXPECT_FALSE(in.HasData());
}

TEST(XmlInput, CrLfFileReadsExactlyLikeLfFile)
{
    const std::string lf =
        "<?xml version=\"1.0\" encoding=\"ISO8859-1\"?>\n<!DOCTYPE C [\n<!ENTITY e \"x\ny\">\n]>\n"
        "<C Note=\"two\nlines &e;\">\n\t<D>text\n\tmore</D>\n\t<E><![CDATA[a\nb]]></E>\n</C>\n";
    std::string crlf;
    for (char c : lf)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(CompactOf(crlf), CompactOf(lf));
    EXPECT_EQ(CompactOf(lf), "<C C.Note=two lines x y <D D:'text more' >D <E >E >C");
}

TEST(XmlInput, FailuresNameTheirCause)
{
    TempDir dir;
    try {
        TXmlInput in(dir.File("missing.xml"));
        FAIL() << "no exception";
    } catch (const TException& e) {
        EXPECT_EQ(e.Message(), "<Can't open XML file> in <>. Details: <" + dir.File("missing.xml") + ">");
    }
    // A folder or a FIFO is not a file (and a FIFO must not block).
    EXPECT_THROW(TXmlInput in(dir.Path().string()), TException);
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_THROW(TXmlInput in(dir.File("fifo")), TException);
    // A document cut short is no error: the items end where the text does.
    WriteFileBytes(dir.File("cut.xml"), "<A x='1'><B>text");
    TXmlInput in(dir.File("cut.xml"));
    EXPECT_EQ(Compact(in), "<A A.x=1 <B B:'text'");
}

TEST(XmlInput, ReadsTheDatumFile)
{
    TXmlInput in(std::string(ZEPH_SOURCE_DIR) + "/data/Datums.xml");
    const std::string items = Compact(in);
    EXPECT_NE(items.find("<Datum Datum.Name=WGS 84 <Ellipsoid Ellipsoid:'WGS 84' >Ellipsoid"), std::string::npos)
        << items;
    EXPECT_NE(items.find("Ellipsoid:'6378137 298.257223563'"), std::string::npos);
}
