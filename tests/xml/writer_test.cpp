#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include <sys/resource.h>

#include "common/TempDir.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "xml/ItemText.h"

namespace fs = std::filesystem;

namespace {

std::size_t FilesIn(const fs::path& folder)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
        ++n;
    return n;
}

// Whether an independent XML parser accepts the file; empty when none is
// installed, else the verdict.
std::string WellFormedVerdict(const std::string& file)
{
    if (std::system("xmllint --version >/dev/null 2>&1") == 0)
        return std::system(("xmllint --noout '" + file + "' 2>/dev/null").c_str()) == 0 ? "ok" : "rejected";
    if (std::system("/usr/bin/python3 -c '' >/dev/null 2>&1") == 0)
        return std::system(("/usr/bin/python3 -c 'import sys, xml.dom.minidom as m; m.parse(sys.argv[1])' '" +
                            file + "' 2>/dev/null")
                               .c_str()) == 0
                   ? "ok"
                   : "rejected";
    return "";
}

std::string WhatOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const TException& e) {
        return e.what();
    }
    return "no exception";
}

// Exits 0 when a save that cannot finish its write throws the right
// exception and leaves the folder as it was.
[[noreturn]] void SaveBeyondTheFileSizeLimit(const std::string& file)
{
    FailWritesBeyondTheFileSizeLimit(); // as the program does
    const rlimit limit{100, 100};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const std::string before = ReadFileBytes(file);
    const std::size_t files = FilesIn(fs::path(file).parent_path());
    TXmlOutput w(file);
    w.WriteHeader();
    w.WriteElement("Championship", std::string(500, 'x'));
    const std::string what = WhatOf([&] { w.Close(); });
    const bool ok = what == "<Can't write XML file> in <>. Details: <" + file + ">" &&
                    ReadFileBytes(file) == before && FilesIn(fs::path(file).parent_path()) == files;
    std::_Exit(ok ? 0 : 1);
}

} // namespace

TEST(XmlOutput, WritesTheExactLayout)
{
    TempDir dir;
    const std::string file = dir.File("c.xch");
    TXmlOutput w(file);
    w.WriteHeader();
    w.OpenElement("Championship");
    w.BeginTag("Class");
    w.WriteAttribute("Name", "Open class");
    w.WriteAttribute("Code", "A&B \"x\" <y>");
    w.EndTag();
    w.WriteElement("Description", "Fast & <furious> \"q\" '\xE9\x80'");
    w.WriteElement("Empty", "");
    w.OpenElement("Tasks");
    w.WriteElement("Task", "1");
    w.BeginTag("Gate");
    w.WriteAttribute("Lat", "47.1234567");
    w.WriteAttribute("Lon", "-8.5");
    w.EndEmptyTag();
    w.CloseElement();
    w.CloseElement();
    w.BeginTag("Map");
    w.EndEmptyTag();
    w.CloseElement();
    w.CloseElement();  // nothing open: writes nothing
    w.Close();
    EXPECT_EQ(ReadFileBytes(file), ReadFileBytes(std::string(ZEPH_SOURCE_DIR) + "/tests/data/xml/writer_golden.xml"));

    TXmlOutput empty(dir.File("e.xch"));
    empty.WriteHeader();
    empty.Close();
    EXPECT_EQ(ReadFileBytes(dir.File("e.xch")),
              "<?xml version=\"1.0\" encoding=\"ISO8859-1\"?>\n<!DOCTYPE Championship SYSTEM \"Zephyrant.dtd\">\n");
}

TEST(XmlOutput, EveryValueIsWellFormedAndReadsBackUnchanged)
{
    std::string high;
    for (int b = 0x80; b <= 0xFF; ++b)
        high += static_cast<char>(b);
    const std::map<std::string, std::string> values = {
        {"Amp", "Smith & Sons"},       {"Lt", "a<b>c"},         {"Quote", "say \"hi\" 'there'"},
        {"Refs", "&amp; &#65; &lt;"}, {"High", high},          {"Long", std::string(1000, 'x') + "&<>\""},
        {"Semi", "R&D; x;"},          {"Blank", "two words"}, {"Bracket", "]]> ]]>"},
    };
    TempDir dir;
    const std::string file = dir.File("v.xch");
    {
        TXmlOutput w(file);
        w.WriteHeader();
        w.OpenElement("Championship");
        for (const auto& [name, value] : values) {
            w.BeginTag("Attr");
            w.WriteAttribute(name, value);
            w.EndEmptyTag();
            w.WriteElement(name, value);
        }
        w.CloseElement();
        w.Close();
    }
    const std::string verdict = WellFormedVerdict(file);
    if (!verdict.empty()) {
        EXPECT_EQ(verdict, "ok") << ReadFileBytes(file);
    }

    TXmlInput in(file);
    std::map<std::string, std::string> attrs, texts;
    while (in.HasData()) {
        const TXmlData d = in.Get();
        if (d.Kind == xkAttribute)
            attrs[d.Name] = d.Value;
        else if (d.Kind == xkText)
            texts[d.Element] = d.Value;
    }
    EXPECT_EQ(attrs, values);
    EXPECT_EQ(texts, values);
    if (verdict.empty())
        GTEST_SKIP() << "no XML parser installed to check well-formedness";
}

TEST(XmlOutput, RefusesATargetThatCannotBeWritten)
{
    TempDir dir;
    for (const std::string& target : {dir.File("no/such/folder/c.xch"), dir.Path().string(), std::string()}) {
        EXPECT_EQ(WhatOf([&] { TXmlOutput w(target); }),
                  "<Can't open XML file for output> in <>. Details: <" + target + ">");
    }
    // A read-only file, also for a user whom the system lets write anything.
    const std::string readOnly = dir.File("ro.xch");
    WriteFileBytes(readOnly, "old");
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(WhatOf([&] { TXmlOutput w(readOnly); }),
              "<Can't open XML file for output> in <>. Details: <" + readOnly + ">");
    EXPECT_EQ(ReadFileBytes(readOnly), "old");
}

TEST(XmlOutput, TheStepBeforeReplacingSeesTheNewTextOnDiskAndMayStopTheSave)
{
    TempDir dir;
    fs::create_directory(dir.File("real"));
    const std::string target = dir.File("real/c.xch");
    WriteFileBytes(target, "old");
    fs::create_symlink("real/c.xch", dir.File("l2.xch"));
    fs::create_symlink("l2.xch", dir.File("l1.xch"));
    auto unchanged = [&] {
        EXPECT_EQ(ReadFileBytes(target), "old");
        EXPECT_EQ(FilesIn(dir.File("real")), 1u);
        EXPECT_TRUE(fs::is_symlink(dir.File("l1.xch")));
        EXPECT_TRUE(fs::is_symlink(dir.File("l2.xch")));
    };
    auto writer = [&](std::unique_ptr<TXmlOutput>& w) {
        w = std::make_unique<TXmlOutput>(dir.File("l1.xch"));
        w->WriteHeader();
    };
    std::unique_ptr<TXmlOutput> w;
    writer(w);
    std::string seen;
    std::string besideIt;
    EXPECT_FALSE(w->Close([&](const std::string& t, bool) {
        seen = t;
        for (const auto& e : fs::directory_iterator(dir.File("real")))
            if (e.path() != fs::path(target)) besideIt = ReadFileBytes(e.path().string());
        return false;
    }));
    EXPECT_EQ(fs::canonical(seen), fs::canonical(target));
    EXPECT_EQ(besideIt, w->Text());
    unchanged();

    writer(w);
    EXPECT_EQ(WhatOf([&] { w->Close([](const std::string&, bool) -> bool { throw TException("", "No backup", ""); }); }),
              "<No backup> in <>. Details: <>");
    unchanged();

    writer(w);
    EXPECT_TRUE(w->Close([](const std::string&, bool) { return true; }));
    EXPECT_EQ(ReadFileBytes(target), w->Text());
    EXPECT_TRUE(fs::is_symlink(dir.File("l1.xch")));
    EXPECT_TRUE(fs::is_symlink(dir.File("l2.xch")));

    // Built in memory only: nothing to close onto.
    TXmlOutput memory;
    memory.WriteHeader();
    EXPECT_EQ(memory.Text().substr(0, 5), "<?xml");
    EXPECT_EQ(WhatOf([&] { memory.Close(); }), "<Can't write XML file> in <>. Details: <>");
}

TEST(XmlOutput, WritesNothingUnlessClosedAndKeepsTheOldFileOnFailure)
{
    TempDir dir;
    const std::string file = dir.File("c.xch");
    // Destroyed without Close (an exception while the model was writing).
    {
        TXmlOutput w(file);
        w.WriteHeader();
        w.OpenElement("Championship");
    }
    EXPECT_FALSE(fs::exists(file));
    WriteFileBytes(file, "old content");
    {
        TXmlOutput w(file);
        w.WriteHeader();
        EXPECT_EQ(ReadFileBytes(file), "old content");  // not truncated at construction
    }
    EXPECT_EQ(ReadFileBytes(file), "old content");
    EXPECT_EQ(FilesIn(dir.Path()), 1u);

    // The folder went away before Close.
    const std::string gone = dir.File("sub/c.xch");
    fs::create_directory(dir.File("sub"));
    TXmlOutput w(gone);
    w.WriteHeader();
    fs::remove(dir.File("sub"));
    EXPECT_EQ(WhatOf([&] { w.Close(); }), "<Can't write XML file> in <>. Details: <" + gone + ">");
}

TEST(XmlOutputDeathTest, FailureWhileWritingLeavesTheOldFileAndNoTemporary)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir dir;
    const std::string file = dir.File("c.xch");
    WriteFileBytes(file, "old content");
    // In a child process: files may grow to 100 bytes only, so the write fails.
    EXPECT_EXIT(SaveBeyondTheFileSizeLimit(file), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadFileBytes(file), "old content");

    // A successful Close replaces the old file.
    TXmlOutput w(file);
    w.WriteHeader();
    w.Close();
    EXPECT_EQ(ReadFileBytes(file).substr(0, 5), "<?xml");
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
}
