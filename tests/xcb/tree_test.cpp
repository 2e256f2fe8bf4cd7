// The tree on the screen: its popup menus after right clicks that include
// the championship's root, and its labels, whole.
#include "ScreenFixture.h"

#include <QScrollBar>

using namespace xcbtest;

namespace {

const std::string Class = "ML: Microlight two-seater";

} // namespace

TEST_F(ScreenTest, EveryRightClickAfterTheRootShowsItsMenu)
{
    ShowOnScreen({QString::fromStdString(MakeDemo())});
    struct TClick {
        std::vector<std::string> Path;
        std::vector<std::string> Items; // empty: no popup at all
    };
    const std::vector<TClick> clicks = {
        {{"DEMO", "Classes"}, {"New class"}},
        {{"DEMO"}, {}},
        {{"DEMO", "Geo", "Maps"}, {"New map"}},
        {{"DEMO", "Geo", "Maps", "DEMO-MAP"}, {"Load Map \"DEMO-MAP\"", "Delete Map \"DEMO-MAP\""}},
        {{"DEMO", "Geo"}, {}},
        {{"DEMO", "Teams", "ESP: Spain", Class}, {"New competitor in team \"ESP\" class \"ML\""}},
        {{"DEMO"}, {}},
        {{"DEMO"}, {}},
        {{"DEMO", "Teams", "ESP: Spain", Class, "1: Ana Ruiz / Luis Gil"}, {"Delete Competitor \"1: Ana Ruiz / Luis Gil\""}},
        {{"DEMO", "Geo", "Waypoints"}, {}},
        {{"DEMO", "Task catalogue", "NAV"}, {"New task instance", "Delete Task Template \"NAV\""}},
        {{"DEMO", "Tasks", Class, "01: NAV - 1"}, {"View loaded tracks in Google Earth"}},
        {{"DEMO", "Tasks", Class, "01: NAV - 1", "3: Jeanne Martin / Paul Roux (FRA) >>> TRACK PENDING <<<"},
         {"New track for this flight", "View track in Google Earth"}},
    };
    for (const TClick& click : clicks) {
        TTreeItem* item = Item(click.Path);
        ASSERT_TRUE(item) << click.Path.back();
        QTreeWidgetItem* viewItem = ViewItemOf(item);
        if (viewItem->childCount() && viewItem->parent()) {
            // On the node's button: its menu, and the branch stays open.
            PlaceOf(viewItem);
            const QRect place = W().TreeChamp->visualItemRect(viewItem);
            QTest::mouseClick(W().TreeChamp->viewport(), Qt::RightButton, {},
                              QPoint(place.left() - W().TreeChamp->indentation() / 2, place.center().y()));
            EXPECT_TRUE(viewItem->isExpanded()) << click.Path.back();
        } else {
            ClickItem(item, Qt::RightButton);
        }
        TRY_ASSERT(W().ChampTree.Selected() == item);
        if (click.Items.empty()) {
            // Nothing pops up, and nothing is left waiting to.
            QTest::qWait(100);
            EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << click.Path.back();
            continue;
        }
        TRY_EXPECT(ShownPopup());
        QMenu* menu = ShownPopup();
        ASSERT_TRUE(menu) << click.Path.back() << ": no menu mapped";
        EXPECT_EQ(menu, W().TreeMenu);
        EXPECT_EQ(VisibleItems(menu), click.Items);
        CloseWithEscape(menu);
    }
}

TEST_F(ScreenTest, TreeLabelsAreWholeAndScrollSideways)
{
    ShowOnScreen({QString::fromStdString(MakeDemo())});
    QTreeWidget* tree = W().TreeChamp;
    // The flights' labels are wider than the tree: it scrolls sideways.
    TRY_EXPECT(tree->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(tree->rootIsDecorated());
    const QFontMetrics metrics(tree->font());
    int widest = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        QTreeWidgetItem* item = *it;
        const QRect place = tree->visualItemRect(item);
        const int needed = metrics.horizontalAdvance(item->text(0));
        widest = std::max(widest, place.left() + tree->horizontalScrollBar()->value() + needed);
        // The row's cell holds the whole label beside its indentation.
        EXPECT_GE(tree->columnWidth(0) - (place.left() + tree->horizontalScrollBar()->value()), needed)
            << item->text(0).toStdString();
    }
    ASSERT_GT(widest, tree->viewport()->width());
    EXPECT_GE(tree->horizontalScrollBar()->maximum(), widest - tree->viewport()->width());
}
