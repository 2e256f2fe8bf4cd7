// The championship's subtree: its shape, rebuilding it, the incremental
// adds and removing what a deleted node showed.
#include <gtest/gtest.h>

#include <string>

#include "champ/ChampFixture.h"
#include "platform/ItemTree.h"

using namespace champtest;

namespace {

// Caption and, for folders made for one item, the related class.
std::string Print(const TTreeItem* item, int depth = 0)
{
    std::string out;
    for (; item; item = item->NextSibling()) {
        out += std::string(static_cast<std::size_t>(depth), '\t') + item->Caption();
        if (item->OwnsObject()) {
            auto* aux = static_cast<const TAuxNode*>(item->Object());
            out += aux->NodeType() == ntTeamClass ? " [TeamClass " : " [ClassTasks ";
            out += aux->RelatedObject()->KeyValue() + "]";
        }
        out += "\n";
        out += Print(item->FirstChild(), depth + 1);
    }
    return out;
}

} // namespace

TEST(ChampionshipTree, ShapeOfAFullChampionship)
{
    TFixedVersion version;
    auto champ = BuildFull();
    TItemTree tree;
    int selected = 0;
    tree.OnSelect = [&](TTreeItem* item) {
        EXPECT_EQ(item->Object(), champ.get());
        ++selected;
    };
    champ->FillTree(&tree);
    EXPECT_EQ(Print(tree.FirstTopLevel()),
              "WMC 2026\n"
              "\tGeo\n"
              "\t\tMaps\n"
              "\t\t\tM0\n\t\t\t\tReference points\n"
              "\t\t\tM1\n\t\t\t\tReference points\n"
              "\t\tWaypoints\n"
              "\tClasses\n"
              "\t\tAL1: Single seat\n"
              "\t\tAL2: Two seat\n"
              "\tTeams\n"
              "\t\tFRA: France\n"
              "\t\t\tAL1: Single seat [TeamClass AL1]\n"
              "\t\t\t\t1: Pierre\n\t\t\t\t12: Marie\n"
              "\t\t\tAL2: Two seat [TeamClass AL2]\n"
              "\t\t\t\t20: Jean / Luc\n"
              "\t\tGBR: UK\n"
              "\t\t\tAL1: Single seat [TeamClass AL1]\n"
              "\t\t\t\t3: John \"JJ\"\n"
              "\t\t\tAL2: Two seat [TeamClass AL2]\n"
              "\tTask catalogue\n"
              "\t\tECO\n"
              "\t\tNAV\n"
              "\t\t\tNAV - 1\n"
              "\t\t\tNAV - 2 & \"b\"\n"
              "\tTasks\n"
              "\t\tAL1: Single seat [ClassTasks AL1]\n"
              "\t\t\t01: NAV - 1\n"
              "\t\t\t\t1: Pierre (FRA)\n"
              "\t\t\t\t12: Marie (FRA) (DID NOT FLY)\n"
              "\t\t\t\t3: John \"JJ\" (GBR) >>> TRACK PENDING <<<\n"
              "\t\t\t02: NAV - 2 & \"b\"\n"
              "\t\t\t\t1: Pierre (FRA) >>> TRACK PENDING <<<\n"
              "\t\t\t\t12: Marie (FRA) >>> TRACK PENDING <<<\n"
              "\t\t\t\t3: John \"JJ\" (GBR) >>> TRACK PENDING <<<\n"
              "\t\tAL2: Two seat [ClassTasks AL2]\n"
              "\t\t\t01: NAV - 1\n"
              "\t\t\t\t20: Jean / Luc (FRA) >>> TRACK PENDING <<<\n"
              "\t\t\t09\n"
              "\t\t\t\t20: Jean / Luc (FRA) >>> TRACK PENDING <<<\n");
    TTreeItem* root = tree.FirstTopLevel();
    EXPECT_EQ(tree.Selected(), root);
    EXPECT_TRUE(root->Expanded());
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(root->FirstChild()->Object(), &GeoFolder);
    EXPECT_EQ(root->FirstChild()->FirstChild()->NextSibling()->Object(), &champ->WayPoints);
    EXPECT_EQ(champ->FindTreeNode(&tree), root);

    // Built again: one subtree, not two, and no folder is leaked (ASan).
    champ->FillTree(&tree);
    EXPECT_EQ(tree.FirstTopLevel()->NextSibling(), nullptr);
    champ->RemoveTreeRoot(&tree);
    EXPECT_EQ(tree.Count(), 0);
    EXPECT_EQ(champ->FindTreeNode(&tree), nullptr);
}

TEST(ChampionshipTree, ChampionshipsOfOneNameKeepTheirOwnSubtrees)
{
    TChampionship one, two;
    one.SetAttribute(acShortName, "WMC");
    two.SetAttribute(acShortName, "WMC");
    TItemTree tree;
    one.FillTree(&tree);
    two.FillTree(&tree);
    two.FillTree(&tree);
    ASSERT_EQ(tree.FirstTopLevel()->Object(), &one);
    ASSERT_EQ(tree.FirstTopLevel()->NextSibling()->Object(), &two);
    EXPECT_EQ(tree.FirstTopLevel()->NextSibling()->NextSibling(), nullptr);
    two.RemoveTreeRoot(&tree);
    EXPECT_EQ(tree.FirstTopLevel()->Object(), &one);
    EXPECT_EQ(tree.FirstTopLevel()->NextSibling(), nullptr);
}

TEST(ChampionshipTree, WithoutClassesTheFoldersStayEmpty)
{
    TChampionship champ;
    auto* team = new TTeam;
    team->SetAttribute(acIsoCountry, "CZE");
    champ.AddTeam(team);
    TItemTree tree;
    champ.FillTree(&tree);
    EXPECT_EQ(Print(tree.FirstTopLevel()), "\n\tGeo\n\t\tMaps\n\t\tWaypoints\n\tClasses\n\tTeams\n\t\tCZE: \n"
                                           "\tTask catalogue\n\tTasks\n");
    EXPECT_TRUE(team->CanDelete());
}

TEST(ChampionshipTree, IncrementalAdds)
{
    TFixedVersion version;
    auto champ = BuildFull();
    TItemTree tree;
    champ->FillTree(&tree);
    TTreeItem* root = tree.FirstTopLevel();
    auto folder = [&](const char* caption) {
        for (TTreeItem* item = root->FirstChild(); item; item = item->NextSibling())
            if (item->Caption() == caption) return item;
        return static_cast<TTreeItem*>(nullptr);
    };
    auto lastChild = [](TTreeItem* item) {
        TTreeItem* last = item->FirstChild();
        while (last && last->NextSibling()) last = last->NextSibling();
        return last;
    };

    // A class: under Classes, a folder under each team and under Tasks.
    auto* al3 = new TCClass;
    al3->SetAttribute(acShortName, "AL3");
    champ->AddClass(al3);
    champ->AddClassToTree(&tree, al3);
    EXPECT_EQ(tree.Selected()->Object(), al3);
    EXPECT_EQ(lastChild(folder("Classes"))->Object(), al3);
    for (TTreeItem* team = folder("Teams")->FirstChild(); team; team = team->NextSibling()) {
        auto* aux = static_cast<TAuxNode*>(lastChild(team)->Object());
        EXPECT_EQ(aux->NodeType(), ntTeamClass);
        EXPECT_EQ(aux->RelatedObject(), al3);
    }
    EXPECT_EQ(static_cast<TAuxNode*>(lastChild(folder("Tasks"))->Object())->RelatedObject(), al3);

    // A team: its item with one folder per class, selected.
    auto* esp = new TTeam;
    esp->SetAttribute(acIsoCountry, "SUI");
    champ->AddTeam(esp);
    champ->AddTeamToTree(&tree, esp);
    TTreeItem* espItem = lastChild(folder("Teams"));
    EXPECT_EQ(espItem->Object(), esp);
    EXPECT_EQ(tree.Selected(), espItem);
    EXPECT_EQ(Print(espItem->FirstChild()), "AL1: Single seat [TeamClass AL1]\nAL2: Two seat [TeamClass AL2]\n"
                                            "AL3:  [TeamClass AL3]\n");
    // Only the whole tree gives a team its groups: a team just added has
    // none yet, so it can still be deleted, and the new class left the
    // other teams' groups as they were.
    EXPECT_TRUE(esp->Groups().empty());
    EXPECT_TRUE(esp->CanDelete());
    for (TTeam* team : champ->Teams) EXPECT_EQ(team->Groups().count(al3), 0u) << team->KeyValue();

    // A competitor after the task numbers of its class: its item and one
    // flight item per task number.
    TCompetitor* c = NewCompetitor("30", "Paco");
    champ->AddCompetitor(c, esp, champ->FindClass("AL1"));
    champ->AddCompetitorToTree(&tree, c);
    EXPECT_EQ(tree.Selected()->Object(), c);
    EXPECT_EQ(tree.Selected()->Parent(), espItem->FirstChild());
    TTreeItem* al1Tasks = folder("Tasks")->FirstChild();
    for (TTreeItem* tn = al1Tasks->FirstChild(); tn; tn = tn->NextSibling()) {
        TTreeItem* flight = lastChild(tn);
        EXPECT_EQ(static_cast<TFlight*>(flight->Object())->Competitor(), c);
        EXPECT_EQ(flight->Caption(), "30: Paco (SUI) >>> TRACK PENDING <<<");
    }

    // A map with its georeference.
    auto* m2 = new TMap;
    m2->SetAttribute(acShortName, "M2");
    champ->AddMap(m2);
    champ->AddMapToTree(&tree, m2);
    EXPECT_EQ(tree.Selected()->Object(), m2);
    EXPECT_EQ(tree.Selected()->FirstChild()->Object(), &m2->Georef);

    // The whole tree built afresh shows the same (new items at the end of
    // their folders aside, all in key order here).
    const std::string incremental = Print(root);
    champ->FillTree(&tree);
    EXPECT_EQ(Print(tree.FirstTopLevel()), incremental);

    // Without the championship's item nothing happens.
    TItemTree other;
    champ->AddTeamToTree(&other, esp);
    champ->AddClassToTree(&other, al3);
    champ->AddCompetitorToTree(&other, c);
    champ->AddMapToTree(&other, m2);
    EXPECT_EQ(other.Count(), 0);
}

TEST(ChampionshipTree, DeletedNodesLeaveTheTree)
{
    TFixedVersion version;
    auto champ = BuildFull();
    TItemTree tree;
    champ->FillTree(&tree);
    tree.Select(tree.FirstTopLevel()->FirstChild());
    version.Hooks->NodeDeleting = [&](TChampNode* node) { TChampionship::RemoveTreeItems(&tree, node); };
    const int before = tree.Count();
    // Marie: her item under the team and her two flights.
    ASSERT_TRUE(champ->DeleteNode(champ->FindCompetitor("12")));
    EXPECT_EQ(tree.Count(), before - 3);
    EXPECT_EQ(Print(tree.FirstTopLevel()).find("Marie"), std::string::npos);
}
