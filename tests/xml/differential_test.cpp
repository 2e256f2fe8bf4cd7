// Our reader against an independent parser: every document of the corpus
// that scripts/make_xml_corpus.py generated must give exactly the items that
// Python's expat gave, after the reader's documented deviations.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "common/TempDir.h"
#include "xml/ItemText.h"

namespace fs = std::filesystem;

namespace {

const fs::path kCorpus = fs::path(ZEPH_SOURCE_DIR) / "tests/data/xml/corpus";

std::vector<fs::path> CorpusDocuments()
{
    std::vector<fs::path> docs;
    for (const auto& e : fs::directory_iterator(kCorpus))
        if (e.path().extension() == ".xml")
            docs.push_back(e.path());
    std::sort(docs.begin(), docs.end());
    return docs;
}

std::string RunProbe(const std::string& args, int& status)
{
    std::string out;
    FILE* p = ::popen((std::string(ZEPH_TOOLS_DIR) + "/xmlitems " + args).c_str(), "r");
    if (p == nullptr) {
        status = -1;
        return out;
    }
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    status = ::pclose(p);
    return out;
}

} // namespace

TEST(XmlDifferential, EveryCorpusDocumentGivesTheItemsOfExpat)
{
    const auto docs = CorpusDocuments();
    ASSERT_GE(docs.size(), 200u) << "corpus missing: run scripts/make_xml_corpus.py";
    int failures = 0;
    for (const fs::path& doc : docs) {
        fs::path expectedFile = doc;
        expectedFile.replace_extension(".items");
        TXmlInput in(doc.string());
        const std::string got = ProbeLines(in);
        if (got != ReadFileBytes(expectedFile.string()) && ++failures <= 5)
            ADD_FAILURE() << doc.filename() << " differs from " << expectedFile.filename();
    }
    EXPECT_EQ(failures, 0) << "of " << docs.size() << " documents";
}

TEST(XmlDifferential, ProbePrintsTheItemsAndReportsFailures)
{
    const fs::path doc = CorpusDocuments().front();
    fs::path expectedFile = doc;
    expectedFile.replace_extension(".items");
    int status = 0;
    EXPECT_EQ(RunProbe(doc.string(), status), ReadFileBytes(expectedFile.string()));
    EXPECT_EQ(status, 0);

    TempDir dir;
    const std::string missing = dir.File("missing.xml");
    const std::string err = dir.File("err.txt");
    RunProbe(missing + " 2>" + err, status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_EQ(ReadFileBytes(err), "<Can't open XML file> in <>. Details: <" + missing + ">\n");
}
