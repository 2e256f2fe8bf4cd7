#include <gtest/gtest.h>

#include <memory>

#include "model/Champobjects.h"
#include "platform/ItemTree.h"

namespace {

class TCountedFolder : public TAuxNode {
public:
    using TAuxNode::TAuxNode;
    ~TCountedFolder() override { ++Freed; }
    static inline int Freed = 0;
};

class TClassNode : public TChampNode {
public:
    TClassNode() : TChampNode(ntClass) { UpdateName(); }
    void UpdateName() override { FDisplayName = KeyValue(); }
};

} // namespace

TEST(ItemTreeFolders, FoldersMadeForItemsAreFreedWithTheirItems)
{
    TCountedFolder::Freed = 0;
    TClassNode cls;
    {
        TItemTree tree;
        TTreeItem* teams = tree.AddTopLevel("Teams", &TeamsFolder);
        EXPECT_FALSE(teams->OwnsObject());
        TTreeItem* team = tree.AddChild(teams, "CZE: Czechia", nullptr);
        TTreeItem* folder = tree.AddChild(team, "AL1", std::make_unique<TCountedFolder>(ntTeamClass, &cls));
        EXPECT_TRUE(folder->OwnsObject());
        auto* aux = static_cast<TAuxNode*>(folder->Object());
        EXPECT_EQ(aux->NodeType(), ntTeamClass);
        EXPECT_EQ(aux->RelatedObject(), &cls);
        tree.AddChild(team, "AL2", std::make_unique<TCountedFolder>(ntTeamClass, &cls));
        tree.AddTopLevel("Tasks", std::make_unique<TCountedFolder>(ntClassTasks, &cls));

        // Deleting the team frees the folders below it, the shared folder stays.
        tree.OnDeletion = [&](TTreeItem* item) {
            // The object is still there while the item is being deleted.
            if (item->OwnsObject()) {
                EXPECT_EQ(item->Object()->DisplayName(), "Aux");
            }
        };
        tree.Delete(team);
        EXPECT_EQ(TCountedFolder::Freed, 2);
        EXPECT_EQ(TeamsFolder.DisplayName(), "Aux");
    }
    // The rest goes with the tree.
    EXPECT_EQ(TCountedFolder::Freed, 3);

    // A folder that no item took stays with the caller.
    TItemTree one;
    TItemTree two;
    TTreeItem* foreign = two.AddTopLevel("Teams", nullptr);
    auto folder = std::make_unique<TCountedFolder>(ntTeamClass, &cls);
    EXPECT_EQ(one.AddChild(foreign, "AL1", std::move(folder)), nullptr);
    EXPECT_NE(folder, nullptr);
    EXPECT_EQ(TCountedFolder::Freed, 3);
}
