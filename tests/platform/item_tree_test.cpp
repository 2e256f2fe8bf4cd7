#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ItemTree.h"

namespace {

std::vector<std::string> Captions(const TItemTree& tree)
{
    std::vector<std::string> out;
    for (int i = 0; i < tree.Count(); ++i) out.push_back(tree.ItemAt(i)->Caption());
    return out;
}

} // namespace

TEST(ItemTree, ItemsKeepTheirOrderAndShape)
{
    TItemTree tree;
    TTreeItem* champ = tree.AddTopLevel("Champ", nullptr);
    TTreeItem* geo = tree.AddChild(champ, "Geo", nullptr);
    TTreeItem* maps = tree.AddChild(geo, "Maps", nullptr);
    tree.AddChild(geo, "Waypoints", nullptr);
    tree.AddChild(champ, "Classes", nullptr);
    tree.AddChild(maps, "Map A", nullptr);
    tree.AddTopLevel("Other", nullptr);

    EXPECT_EQ(tree.FirstTopLevel(), champ);
    EXPECT_EQ(champ->FirstChild(), geo);
    EXPECT_EQ(geo->NextSibling()->Caption(), "Classes");
    EXPECT_EQ(geo->NextSibling()->NextSibling(), nullptr);
    EXPECT_EQ(maps->Parent(), geo);
    EXPECT_EQ(champ->NextSibling()->Caption(), "Other");
    EXPECT_EQ(Captions(tree),
              (std::vector<std::string>{"Champ", "Geo", "Maps", "Map A", "Waypoints", "Classes", "Other"}));
    EXPECT_EQ(tree.ItemAt(7), nullptr);
    EXPECT_EQ(tree.ItemAt(-1), nullptr);

    EXPECT_FALSE(champ->Expanded());
    tree.Expand(champ);
    EXPECT_TRUE(champ->Expanded());
    EXPECT_FALSE(geo->Expanded());

    tree.SetCaption(maps, "Karten");
    EXPECT_EQ(maps->Caption(), "Karten");
}

TEST(ItemTree, DeletingAnItemTakesItsChildrenAndTheSelection)
{
    TItemTree tree;
    TTreeItem* a = tree.AddTopLevel("A", nullptr);
    TTreeItem* a1 = tree.AddChild(a, "A1", nullptr);
    tree.AddChild(a1, "A1x", nullptr);
    TTreeItem* a2 = tree.AddChild(a, "A2", nullptr);
    TTreeItem* b = tree.AddTopLevel("B", nullptr);
    tree.Select(a1);

    std::vector<std::string> deleted;
    tree.OnDeletion = [&](TTreeItem* item) { deleted.push_back(item->Caption()); };
    tree.Delete(a1);
    EXPECT_EQ(deleted, (std::vector<std::string>{"A1x", "A1"}));
    EXPECT_EQ(tree.Selected(), nullptr);
    EXPECT_EQ(a->FirstChild(), a2);
    EXPECT_EQ(Captions(tree), (std::vector<std::string>{"A", "A2", "B"}));

    tree.Delete(a);
    EXPECT_EQ(tree.FirstTopLevel(), b);
    EXPECT_EQ(tree.Count(), 1);
    tree.Delete(b);
    EXPECT_EQ(tree.FirstTopLevel(), nullptr);
    EXPECT_EQ(tree.Count(), 0);

    // Items of another tree are left alone.
    TItemTree other;
    TTreeItem* foreign = other.AddTopLevel("F", nullptr);
    tree.Delete(foreign);
    tree.Select(foreign);
    EXPECT_EQ(tree.AddChild(foreign, "G", nullptr), nullptr);
    EXPECT_EQ(other.Count(), 1);
    EXPECT_EQ(tree.Count(), 0);
    EXPECT_EQ(tree.Selected(), nullptr);
}

TEST(ItemTree, SelectingCallsBackBeforeSelectReturns)
{
    TItemTree tree;
    TTreeItem* a = tree.AddTopLevel("A", nullptr);
    TTreeItem* b = tree.AddChild(a, "B", nullptr);
    std::vector<TTreeItem*> calls;
    TTreeItem* selectedDuringCall = nullptr;
    tree.OnSelect = [&](TTreeItem* item) {
        calls.push_back(item);
        selectedDuringCall = tree.Selected();
    };
    tree.Select(b);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], b);
    EXPECT_EQ(selectedDuringCall, b);
    tree.Select(b); // already selected: no second call
    EXPECT_EQ(calls.size(), 1u);
    tree.Select(nullptr);
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(tree.Selected(), nullptr);

    // The selection handler may add items and select again (as "New ..."
    // commands do from the handler of another item).
    tree.OnSelect = [&](TTreeItem* item) {
        if (item == a) tree.Select(tree.AddChild(a, "C", nullptr));
    };
    tree.Select(a);
    EXPECT_EQ(tree.Selected()->Caption(), "C");
}

TEST(ItemTree, SuspendedRedrawSendsOneChangeAtTheEnd)
{
    TItemTree tree;
    std::vector<unsigned> seen;
    tree.Subscribe([&](unsigned changes) { seen.push_back(changes); });
    {
        TTreeUpdateLock lock(tree);
        TTreeItem* root = tree.AddTopLevel("Root", nullptr);
        for (int i = 0; i < 50; ++i) tree.AddChild(root, "child", nullptr);
        tree.Select(root);
        tree.Expand(root);
        tree.SetCaption(root, "Champ");
        EXPECT_TRUE(seen.empty());
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], unsigned(tcStructure | tcSelection | tcExpanded | tcCaption));
    seen.clear();
    tree.Clear();
    EXPECT_EQ(seen, (std::vector<unsigned>{unsigned(tcSelection), unsigned(tcStructure)}));
}
