#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "model/PtrSet.h"
#include "platform/Exceptions.h"

namespace {

// A node that counts its copies alive and records the order of deletion.
class TCountedNode : public TChampNode {
public:
    explicit TCountedNode(const std::string& key, TNodeType type = ntCompetitor) : TChampNode(type)
    {
        SetAttribute(KeyAttribute(), key);
        ++Alive;
    }
    TCountedNode(const TCountedNode& other) : TChampNode(other) { ++Alive; }
    ~TCountedNode() override
    {
        --Alive;
        Deleted.push_back(KeyValue());
    }
    void UpdateName() override { FDisplayName = "#" + KeyValue(); }

    static inline int Alive = 0;
    static inline std::vector<std::string> Deleted;
};

// A plain element type ordered by its own operator< (as map references are).
struct TPixel {
    int Y;
    int X;
    explicit TPixel(int y, int x) : Y(y), X(x) { ++Alive; }
    ~TPixel() { --Alive; }
    bool operator<(const TPixel& o) const { return Y != o.Y ? Y < o.Y : X < o.X; }
    static inline int Alive = 0;
};

std::vector<std::string> Walk(PtrSet<TCountedNode*>& set)
{
    std::vector<std::string> keys;
    set.reset();
    while (TCountedNode* node = set.next()) keys.push_back(node->KeyValue());
    return keys;
}

class PtrSetTest : public testing::Test {
protected:
    void SetUp() override
    {
        TCountedNode::Alive = 0;
        TCountedNode::Deleted.clear();
    }
    void TearDown() override { EXPECT_EQ(TCountedNode::Alive, 0) << "leaked or freed twice"; }
};

} // namespace

static_assert(!std::is_copy_constructible_v<PtrSetOwner<TCountedNode*>>);
static_assert(!std::is_copy_assignable_v<PtrSetOwner<TCountedNode*>>);
static_assert(std::is_nothrow_move_constructible_v<PtrSetOwner<TCountedNode*>>);
static_assert(std::is_nothrow_move_assignable_v<PtrSetOwner<TCountedNode*>>);
static_assert(!std::is_copy_constructible_v<PtrSet<TCountedNode*>>);

TEST_F(PtrSetTest, WalksInByteOrderOfTheKeys)
{
    PtrSetOwner<TCountedNode*> set;
    EXPECT_EQ(set.first(), nullptr);
    set.reset();
    EXPECT_EQ(set.next(), nullptr);
    for (const char* key : {"b", "a", "\xE9", "B", "ab", "10", "9"}) EXPECT_TRUE(set.insert(new TCountedNode(key)));
    EXPECT_EQ(Walk(set), (std::vector<std::string>{"10", "9", "B", "a", "ab", "b", "\xE9"}));
    EXPECT_EQ(set.first()->KeyValue(), "10");
    EXPECT_EQ(set.next()->KeyValue(), "9");
    std::vector<std::string> iterated;
    for (TCountedNode* node : set) iterated.push_back(node->KeyValue());
    EXPECT_EQ(iterated, Walk(set));
    EXPECT_EQ(set.next(), nullptr); // walk finished
    EXPECT_EQ(set.next(), nullptr);
}

TEST_F(PtrSetTest, AnEqualKeyIsRefusedAndTheCallerKeepsItsObject)
{
    PtrSetOwner<TCountedNode*> set;
    auto* first = new TCountedNode("12");
    auto* second = new TCountedNode("12");
    EXPECT_TRUE(set.insert(first));
    EXPECT_FALSE(set.insert(second));
    EXPECT_EQ(set.size(), 1u);
    EXPECT_EQ(*set.find(second), first);
    EXPECT_TRUE(set.contains(first));
    EXPECT_FALSE(set.contains(second));
    EXPECT_EQ(second->HolderCount(), 0u);
    delete second; // refused: still the caller's, and the set does not notice
    EXPECT_EQ(set.size(), 1u);
    // The same object again: the set holds it, so the caller must not delete it.
    EXPECT_TRUE(set.insert(first));
    EXPECT_EQ(first->HolderCount(), 1u);
    EXPECT_FALSE(set.insert(nullptr));
    // A copy of a held node belongs to no set.
    TCountedNode copy(*first);
    EXPECT_EQ(copy.HolderCount(), 0u);
}

TEST_F(PtrSetTest, FindCountEraseAndKeyLookup)
{
    PtrSetOwner<TCountedNode*> set;
    auto* a = new TCountedNode("A");
    set.insert(a);
    set.insert(new TCountedNode("B"));
    TCountedNode probe("B");
    EXPECT_EQ(set.count(&probe), 1u);
    EXPECT_EQ(set.FindKey("A"), a);
    EXPECT_EQ(set.FindKey("a"), nullptr);
    // Erase by key hands the stored element back, not the probe.
    TCountedNode* removed = set.erase(&probe);
    ASSERT_NE(removed, nullptr);
    EXPECT_NE(removed, &probe);
    EXPECT_EQ(removed->KeyValue(), "B");
    EXPECT_EQ(removed->HolderCount(), 0u);
    EXPECT_EQ(set.count(&probe), 0u);
    EXPECT_EQ(set.erase(&probe), nullptr);
    delete removed;
}

TEST_F(PtrSetTest, ErasingTheElementAtTheCursorKeepsTheWalkGoing)
{
    PtrSetOwner<TCountedNode*> set;
    for (const char* key : {"1", "2", "3"}) set.insert(new TCountedNode(key));
    EXPECT_EQ(set.first()->KeyValue(), "1"); // cursor now on "2"
    TCountedNode probe("2");
    delete set.erase(&probe);
    EXPECT_EQ(set.next()->KeyValue(), "3");
    EXPECT_EQ(set.next(), nullptr);
}

TEST_F(PtrSetTest, OwnerDeletesEveryElementOnceInKeyOrder)
{
    {
        PtrSetOwner<TCountedNode*> owner;
        PtrSet<TCountedNode*> view;
        for (const char* key : {"c", "a", "b"}) {
            auto* node = new TCountedNode(key);
            owner.insert(node);
            view.insert(node);
        }
        EXPECT_EQ(TCountedNode::Alive, 3);
    }
    EXPECT_EQ(TCountedNode::Deleted, (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(PtrSetTest, PlainElementsAreOwnedAndRefusedLikeNodes)
{
    TPixel::Alive = 0;
    {
        PtrSetOwner<TPixel*> refs;
        EXPECT_TRUE(refs.insert(new TPixel(5, 1)));
        EXPECT_TRUE(refs.insert(new TPixel(2, 9)));
        auto* duplicate = new TPixel(5, 1);
        EXPECT_FALSE(refs.insert(duplicate));
        delete duplicate;
        EXPECT_EQ((*refs.begin())->Y, 2);
        PtrSet<TPixel*> view;
        for (TPixel* p : refs) view.insert(p);
        EXPECT_EQ(TPixel::Alive, 2);
    }
    EXPECT_EQ(TPixel::Alive, 0);
    {
        PtrSet<TPixel*> plain;
        TPixel local(1, 1);
        plain.insert(&local);
    }
    EXPECT_EQ(TPixel::Alive, 0);
}

TEST_F(PtrSetTest, MovingAnOwnerMovesTheElementsTheCursorAndTheLinks)
{
    PtrSetOwner<TCountedNode*> source;
    for (const char* key : {"1", "2", "3"}) source.insert(new TCountedNode(key));
    source.first(); // cursor on "2"
    PtrSetOwner<TCountedNode*> target(std::move(source));
    EXPECT_TRUE(source.empty());
    EXPECT_EQ(source.next(), nullptr);
    EXPECT_EQ(target.size(), 3u);
    EXPECT_EQ(target.next()->KeyValue(), "2");

    // Key changes now re-seat the node in the new set.
    TCountedNode* three = target.FindKey("3");
    three->SetAttribute(acNumber, "0");
    EXPECT_EQ(target.first(), three);
    EXPECT_THROW(three->SetAttribute(acNumber, "1"), TException);

    // Move assignment deletes what the target held before.
    PtrSetOwner<TCountedNode*> other;
    other.insert(new TCountedNode("x"));
    other = std::move(target);
    EXPECT_EQ(TCountedNode::Deleted, (std::vector<std::string>{"x"}));
    EXPECT_EQ(other.size(), 3u);
    EXPECT_EQ(three->HolderCount(), 1u);

    // Sets as values of a map (the class's flights per task number).
    std::vector<PtrSetOwner<TCountedNode*>> many;
    many.push_back(std::move(other));
    for (int i = 0; i < 20; ++i) many.emplace_back(); // reallocates, moving the sets
    three->SetAttribute(acNumber, "9");
    EXPECT_EQ(Walk(many[0]), (std::vector<std::string>{"1", "2", "9"}));
}

TEST_F(PtrSetTest, AKeyChangeReseatsTheNodeInEverySetThatHoldsIt)
{
    // A competitor is in the championship's set, its team's group and its
    // class's set at once.
    PtrSetOwner<TCountedNode*> all;
    PtrSet<TCountedNode*> teamGroup;
    PtrSet<TCountedNode*> classSet;
    auto* c5 = new TCountedNode("5");
    auto* c7 = new TCountedNode("7");
    auto* c9 = new TCountedNode("9");
    for (TCountedNode* c : {c5, c7, c9}) all.insert(c);
    teamGroup.insert(c5);
    teamGroup.insert(c9);
    classSet.insert(c9);
    EXPECT_EQ(c9->HolderCount(), 3u);

    c9->SetAttribute(acNumber, "1");
    EXPECT_EQ(c9->DisplayName(), "#1");
    EXPECT_EQ(Walk(all), (std::vector<std::string>{"1", "5", "7"}));
    EXPECT_EQ(Walk(teamGroup), (std::vector<std::string>{"1", "5"}));
    EXPECT_EQ(all.FindKey("1"), c9);
    EXPECT_EQ(all.FindKey("9"), nullptr);
    EXPECT_EQ(classSet.FindKey("1"), c9);

    // A new key that a node in any of the sets has is refused; nothing moves.
    try {
        c9->SetAttribute(acNumber, "7");
        FAIL() << "no exception";
    } catch (const TException& e) {
        EXPECT_EQ(e.WhatText(), "Duplicate key");
        EXPECT_EQ(e.Details(), "7");
        EXPECT_EQ(e.Where(), "Number");
    }
    EXPECT_EQ(c9->KeyValue(), "1");
    EXPECT_EQ(c9->DisplayName(), "#1");
    EXPECT_EQ(Walk(all), (std::vector<std::string>{"1", "5", "7"}));
    EXPECT_EQ(Walk(teamGroup), (std::vector<std::string>{"1", "5"}));

    // Setting the same key again and changing other attributes move nothing.
    c9->SetAttribute(acNumber, "1");
    c9->SetAttribute(acPilot, "Novak");
    EXPECT_EQ(all.FindKey("1"), c9);

    // Inserting after a key change still finds duplicates correctly: the
    // order stayed intact ("5" must be refused, "9" is free again).
    auto* again5 = new TCountedNode("5");
    EXPECT_FALSE(all.insert(again5));
    delete again5;
    EXPECT_TRUE(all.insert(new TCountedNode("9")));
    EXPECT_EQ(Walk(all), (std::vector<std::string>{"1", "5", "7", "9"}));
}

TEST_F(PtrSetTest, NodesAndSetsThatGoFirstLeaveTheOtherClean)
{
    // A node deleted while plain sets still hold it (the championship deletes
    // its competitors before the teams and classes that refer to them).
    PtrSet<TCountedNode*> group;
    PtrSet<TCountedNode*> classSet;
    {
        PtrSetOwner<TCountedNode*> all;
        for (const char* key : {"1", "2", "3"}) {
            auto* node = new TCountedNode(key);
            all.insert(node);
            group.insert(node);
            if (std::string(key) != "2") classSet.insert(node);
        }
        group.first(); // cursor on "2"
    }
    EXPECT_TRUE(group.empty());
    EXPECT_TRUE(classSet.empty());
    EXPECT_EQ(group.next(), nullptr);

    // A plain set destroyed before its nodes: their key changes no longer
    // reach it.
    auto* node = new TCountedNode("4");
    {
        PtrSet<TCountedNode*> shortLived;
        shortLived.insert(node);
        EXPECT_EQ(node->HolderCount(), 1u);
    }
    EXPECT_EQ(node->HolderCount(), 0u);
    node->SetAttribute(acNumber, "5");
    // Clearing a plain set lets go without deleting; clearing an owner deletes.
    PtrSetOwner<TCountedNode*> owner;
    owner.insert(node);
    PtrSet<TCountedNode*> view;
    view.insert(node);
    view.clear();
    EXPECT_EQ(node->HolderCount(), 1u);
    owner.clear();
    EXPECT_EQ(TCountedNode::Alive, 0);
}

TEST_F(PtrSetTest, KeyAttributeAndListOfAHeldNodeCannotChange)
{
    class TRekeyable : public TCountedNode {
    public:
        using TCountedNode::TCountedNode;
        void UseKey(TAttributeCode code) { SetKeyAttribute(code); }
    };
    PtrSetOwner<TCountedNode*> set;
    auto* node = new TRekeyable("1");
    set.insert(node);
    node->UseKey(acNumber); // the same: fine
    EXPECT_THROW(node->UseKey(acPilot), TException);
    EXPECT_THROW(node->SetAttributeList(NodeAttributeList(ntCompetitor)), TException);
    EXPECT_EQ(node->KeyAttribute(), acNumber);
}
