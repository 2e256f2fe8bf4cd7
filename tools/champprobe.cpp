// Test probe over the championship file.
//   champprobe IN.xch OUT.xch      loads IN and saves it as OUT
//   champprobe --tree IN.xch       prints the championship tree: one item per
//                                  line, indented by TABs, caption only
//   champprobe --table IN.xch CLASS TASKNUMBER COMPETITOR
//                                  prints the flight table, TAB-separated
//                                  rows; the track is read from the
//                                  championship's folder
// Load warnings go to standard error. On failure the exception's message
// goes to standard error and the exit status is 1.
#include <cstdio>
#include <exception>
#include <string>

#include "analysis/Flight.h"
#include "model/Championship.h"
#include "platform/Exceptions.h"
#include "platform/ItemTree.h"
#include "platform/StringGrid.h"

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: champprobe IN.xch OUT.xch\n"
                 "       champprobe --tree IN.xch\n"
                 "       champprobe --table IN.xch CLASS TASKNUMBER COMPETITOR\n");
    return 2;
}

void PrintItems(const TTreeItem* item, int depth)
{
    for (; item; item = item->NextSibling()) {
        std::printf("%s%s\n", std::string(static_cast<std::size_t>(depth), '\t').c_str(), item->Caption().c_str());
        PrintItems(item->FirstChild(), depth + 1);
    }
}

int PrintTable(TChampionship& champ, const std::string& className, const std::string& number,
               const std::string& competitor)
{
    TCClass* cls = champ.FindClass(className);
    if (!cls) throw TException("champprobe", "No such class", className);
    TTaskNumber* taskNumber = cls->TaskNumbers.FindKey(number);
    if (!taskNumber) throw TException("champprobe", "No such task number", number);
    TFlight* flight = cls->FlightsOf(taskNumber).FindKey(competitor);
    if (!flight) throw TException("champprobe", "No such flight", competitor);
    TStringGrid grid(12, 2);
    flight->FillGrid(&grid);
    for (int row = 0; row < grid.RowCount(); ++row) {
        std::string line;
        for (int col = 0; col < grid.ColCount(); ++col) {
            if (col) line += '\t';
            line += grid.Cell(col, row);
        }
        std::printf("%s\n", line.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 3 && std::string(argv[1]) == "--tree") {
            TChampionship champ{std::string(argv[2])};
            TItemTree tree;
            champ.FillTree(&tree);
            PrintItems(tree.FirstTopLevel(), 0);
            return 0;
        }
        if (argc == 6 && std::string(argv[1]) == "--table") {
            TChampionship champ{std::string(argv[2])};
            return PrintTable(champ, argv[3], argv[4], argv[5]);
        }
        if (argc == 3 && argv[1][0] != '-') {
            TChampionship champ{std::string(argv[1])};
            champ.Save(argv[2]);
            return 0;
        }
        return Usage();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
