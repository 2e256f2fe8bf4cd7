// The table panel on the screen: every node's own table after any other, in
// every order, clicked in the tree as a person clicks.
#include "ScreenFixture.h"

#include <QScreen>

using namespace xcbtest;

namespace {

// A kind of node of the demonstration championship: its place in the tree,
// its table (none for folders and task numbers) and the first texts the
// table shows: corner, first column heading, first row heading, first cell.
struct TKind {
    const char* Name;
    std::vector<std::string> Path;
    TStringGrid TZephyrant::*Table;
    std::vector<std::string> FirstCells;
};

const std::string Class = "ML: Microlight two-seater";

std::vector<TKind> Kinds()
{
    using Z = TZephyrant;
    return {
        {"championship", {"DEMO"}, &Z::TableForChampionship, {"Championship", "DEMO", "Name", "Demonstration Microlight Open"}},
        {"Geo", {"DEMO", "Geo"}, nullptr, {}},
        {"Maps", {"DEMO", "Geo", "Maps"}, nullptr, {}},
        {"map", {"DEMO", "Geo", "Maps", "DEMO-MAP"}, &Z::TableForMap, {"Map", "DEMO-MAP", "Name", "Demonstration map 1:100 000"}},
        {"references", {"DEMO", "Geo", "Maps", "DEMO-MAP", "Reference points"}, &Z::TableForGeoref, {" N", " Pixel X", "1", "100"}},
        {"waypoints", {"DEMO", "Geo", "Waypoints"}, &Z::TableForWaypoints, {" N", " Code", "1", "AF"}},
        {"Classes", {"DEMO", "Classes"}, nullptr, {}},
        {"class", {"DEMO", "Classes", Class}, &Z::TableForClass, {"Class", Class, "Name", "Microlight two-seater"}},
        {"Teams", {"DEMO", "Teams"}, nullptr, {}},
        {"team", {"DEMO", "Teams", "ESP: Spain"}, &Z::TableForTeam, {"Team", "ESP: Spain", "Name", "Spanish team"}},
        {"team class", {"DEMO", "Teams", "ESP: Spain", Class}, nullptr, {}},
        {"competitor", {"DEMO", "Teams", "ESP: Spain", Class, "1: Ana Ruiz / Luis Gil"}, &Z::TableForCompetitor,
         {"Competitor", "1: Ana Ruiz / Luis Gil", "Number", "1"}},
        {"Task catalogue", {"DEMO", "Task catalogue"}, nullptr, {}},
        {"template", {"DEMO", "Task catalogue", "NAV"}, &Z::TableForTaskTemplate, {"Task Template", "NAV", "Name", "Navigation triangle"}},
        {"instance", {"DEMO", "Task catalogue", "NAV", "NAV - 1"}, &Z::TableForTaskInstance, {" Type", " Name", "TP", "TP1"}},
        {"Tasks", {"DEMO", "Tasks"}, nullptr, {}},
        {"class tasks", {"DEMO", "Tasks", Class}, nullptr, {}},
        {"task number", {"DEMO", "Tasks", Class, "01: NAV - 1"}, nullptr, {}},
        {"flight", {"DEMO", "Tasks", Class, "01: NAV - 1", "1: Ana Ruiz / Luis Gil (ESP) >>> TRACK PENDING <<<"},
         &Z::TableForTrack, {" N", " Time", "0", "09:00:00"}},
    };
}

// What the view paints as its first texts.
std::vector<std::string> FirstCells(const TGridView* view)
{
    const QAbstractItemModel* model = view->model();
    return {FromQt(view->CornerText()), FromQt(model->headerData(0, Qt::Horizontal).toString()),
            FromQt(model->headerData(0, Qt::Vertical).toString()), FromQt(model->index(0, 0).data().toString())};
}

// Dark pixels (the text's) that the screen shows in the view's corner.
int CornerInk(QWidget& window, const TGridView* view)
{
    const auto* corner = view->findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
    if (!corner || !corner->isVisible()) return 0;
    const QPoint at = corner->mapTo(&window, QPoint(0, 0));
    const QImage shot =
        window.screen()->grabWindow(window.winId(), at.x(), at.y(), corner->width(), corner->height()).toImage();
    int ink = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) ink += qGray(shot.pixel(x, y)) < 96;
    return ink;
}

} // namespace

TEST_F(ScreenTest, EveryNodeShowsItsOwnTableAfterAnyOtherAndAFolderKeepsIt)
{
    ShowOnScreen({QString::fromStdString(MakeDemo())});
    const std::vector<TKind> kinds = Kinds();
    // The items, found before their captions change (a flight's, once its
    // log is read).
    std::vector<TTreeItem*> items;
    for (const TKind& kind : kinds) {
        items.push_back(Item(kind.Path));
        ASSERT_TRUE(items.back()) << kind.Name;
    }
    const TKind* shown = &kinds.front(); // the championship's table at the start

    const char* after = "the start";
    auto select = [&](std::size_t k) {
        const TKind& kind = kinds[k];
        ClickItem(items[k]);
        TRY_ASSERT(W().ChampTree.Selected() == items[k]);
        if (kind.Table) shown = &kind;
        TGridView* view = View(W().*(shown->Table));
        TRY_EXPECT(ShownTable() == view);
        EXPECT_EQ(ShownTable(), view) << kind.Name << " after " << after << ": "
                                      << ShownTable()->objectName().toStdString() << " is shown";
        EXPECT_TRUE(view->isVisible()) << kind.Name << " after " << after;
        EXPECT_TRUE(view->isEnabled()) << kind.Name << " after " << after;
        EXPECT_EQ(FirstCells(view), shown->FirstCells) << kind.Name << " after " << after;
        // The corner's text is on the screen.
        TRY_EXPECT(CornerInk(W(), view) > 8);
        after = kind.Name;
    };
    for (std::size_t a = 0; a < kinds.size(); ++a)
        for (std::size_t b = 0; b < kinds.size(); ++b) {
            if (a == b) continue;
            select(a);
            select(b);
            if (HasFailure()) return;
        }
}
