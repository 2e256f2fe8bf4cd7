// The status bar on the screen while the mouse moves over the map: every
// panel's text whole in the program's font, over a georeferenced UTM map and
// over a map without a valid georeference.
#include "ScreenFixture.h"

#include "model/Championship.h"
#include "ui/MapWindow.h"

using namespace xcbtest;

namespace {

// The room a label gives its text: inside the frame, less the margins and
// the indent it keeps when it has a frame.
int Room(const QLabel* label)
{
    const QFontMetrics metrics(label->font());
    const int indent = label->indent() >= 0 ? label->indent()
                       : label->frameWidth() > 0 ? metrics.horizontalAdvance(QLatin1Char('x')) / 2
                                                 : 0;
    return label->contentsRect().width() - 2 * label->margin() - indent;
}

} // namespace

TEST_F(ScreenTest, StatusPanelsShowWholeTextsAndNothingOfAnotherMap)
{
    const std::string file = WriteChampionship();
    WriteFileBytes(Dir.File("lastmap"), "M");
    uitest::WriteMapBitmap(Dir.File("n.bmp"));
    ShowOnScreen({QString::fromStdString(file)});
    TMapWindow& view = UserInterface.MapWindow;
    ASSERT_TRUE(view.HasValidMap());

    auto moveTo = [&](int x, int y) {
        QTest::mouseMove(W().Graf, QPoint(x, y));
        TRY_EXPECT(W().StatusText(0) == QStringLiteral(" Win:  %1  %2").arg(x).arg(y));
    };
    auto expectWhole = [&](const char* where) {
        for (QLabel* panel : W().StatusPanels) {
            const QFontMetrics metrics(panel->font());
            EXPECT_LE(metrics.horizontalAdvance(panel->text()), Room(panel))
                << where << ": \"" << panel->text().toStdString() << "\" is cut";
            EXPECT_TRUE(panel->isVisible());
        }
    };

    // The UTM map: grid position with its zone, both hemispheres' letters.
    for (const QPoint p : {QPoint(3, 4), QPoint(420, 310), QPoint(795, 590)}) {
        moveTo(p.x(), p.y());
        EXPECT_TRUE(W().StatusText(2).endsWith(QStringLiteral("N  30T"))) << W().StatusText(2).toStdString();
        EXPECT_TRUE(W().StatusText(3).endsWith(QStringLiteral("\" W"))) << W().StatusText(3).toStdString();
        EXPECT_EQ(W().StatusText(4), " Datum:  WGS 84 (Global)");
        expectWhole("over map M");
    }

    // Map N, with one reference, loaded from its tree menu: no position of
    // M is left, and N's datum is shown at once.
    TTreeItem* n = Item({"CUP", "Geo", "Maps", "N"});
    ClickItem(n, Qt::RightButton);
    TRY_ASSERT(ShownPopup());
    QMenu* menu = ShownPopup();
    QAction* load = nullptr;
    for (QAction* action : menu->actions())
        if (action->isVisible() && action->text() == QStringLiteral("Load Map \"N\"")) load = action;
    ASSERT_TRUE(load);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(load).center());
    TRY_ASSERT(view.Map && view.Map->KeyValue() == "N");
    EXPECT_FALSE(view.HasValidMap());
    EXPECT_EQ(W().StatusText(2), " Grd:");
    EXPECT_EQ(W().StatusText(3), " Geo:");
    EXPECT_EQ(W().StatusText(4), " Datum:  European 1950 (Portugal; Spain)");
    for (const QPoint p : {QPoint(10, 20), QPoint(600, 500)}) {
        moveTo(p.x(), p.y());
        EXPECT_EQ(W().StatusText(1), QStringLiteral(" Map:  %1.00  %2.00").arg(p.x()).arg(p.y()));
        EXPECT_EQ(W().StatusText(2), " Grd:");
        EXPECT_EQ(W().StatusText(3), " Geo:");
        EXPECT_EQ(W().StatusText(4), " Datum:  European 1950 (Portugal; Spain)");
        expectWhole("over map N");
    }
}
