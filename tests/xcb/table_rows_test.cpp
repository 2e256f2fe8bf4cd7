// The tables as the program drives them: a row that the map selects far down
// its table is scrolled into view; a second double click on a cell ends the
// editing of an attribute table.
#include "ScreenFixture.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

#include "ui/MapWindow.h"
#include "ui/UDefineWayPoint.h"

using namespace xcbtest;

TEST_F(ScreenTest, ARowTheMapSelectsFarDownItsTableIsScrolledIntoView)
{
    // A hundred more waypoints, "W00" to "W99", in rows of ten over the map.
    auto pixel = [](int i) { return QPoint(50 + 90 * (i % 10), 40 + 72 * (i / 10)); };
    std::string text = uitest::ChampionshipText(), more;
    for (int i = 0; i < 100; ++i) {
        const auto p = uitest::PlaceOfPixel(pixel(i).x(), pixel(i).y());
        char code[8];
        std::snprintf(code, sizeof code, "W%02d", i);
        more += std::string("<WayPoint Code=\"") + code + "\"><Lat>" + uitest::Degrees(p.LatDeg) + "</Lat><Lon>" +
                uitest::Degrees(p.LonDeg) + "</Lon></WayPoint>\n";
    }
    WriteFileBytes(Dir.File("cup.xch"), text.insert(text.find("\t\t\t</WayPointSet>"), more));
    uitest::WriteMapBitmap(Dir.File("m.bmp"));
    WriteFileBytes(Dir.File("lastmap"), "M");
    WriteFileBytes(Dir.File("1T01A.igc"), uitest::FlightLog());
    ShowOnScreen({QString::fromStdString(Dir.File("cup.xch"))});
    auto onMap = [](QPoint p) {
        const TScreenPoint at = UserInterface.MapWindow.View.ImageToScreen(p.x() + 2, p.y() + 2);
        return QPoint(at.X, at.Y);
    };
    struct TCase {
        std::vector<std::string> Node;
        TStringGrid* Grid;
        std::function<void()> Select;
    };
    const std::vector<TCase> cases = {
        // The mouse near W91, in row 96 after A to D.
        {{"CUP", "Geo", "Waypoints"}, &W().TableForWaypoints, [&] { QTest::mouseMove(W().Graf, onMap(pixel(91))); }},
        // A right click on the track from C (800, 250) to D (700, 650), late in the log.
        {{"CUP", "Tasks", "ML: Microlight", "01: NAV - 1", "1: Ana (ESP) >>> TRACK PENDING <<<"},
         &W().TableForTrack,
         [&] { QTest::mouseClick(W().Graf, Qt::RightButton, {}, onMap(QPoint(750, 450))); }},
    };
    for (const TCase& c : cases) {
        ClickItem(Item(c.Node));
        TGridView* view = View(*c.Grid);
        TRY_ASSERT(ShownTable() == view);
        c.Select();
        TRY_ASSERT(c.Grid->Selection().Top > c.Grid->VisibleRowCount() + 1);
        const int row = c.Grid->Selection().Top;
        QApplication::processEvents();
        const QRect place = view->visualRect(view->model()->index(row - 1, 0));
        EXPECT_TRUE(view->viewport()->rect().contains(place)) << c.Node.back() << ": row " << row << " is not shown";
    }
    EXPECT_EQ(W().TableForWaypoints.Cell(1, W().TableForWaypoints.Selection().Top), "W91");
}

TEST_F(ScreenTest, ASecondDoubleClickOnACellEndsTheEdit)
{
    ShowOnScreen({QString::fromStdString(WriteChampionship())});
    TTreeItem* competitor = Item({"CUP", "Teams", "ESP: Spain", "ML: Microlight", "1: Ana"});
    ClickItem(competitor);
    TGridView* table = View(W().TableForCompetitor);
    TRY_ASSERT(ShownTable() == table);
    auto cell = [&](int row) { return table->visualRect(table->model()->index(row, 0)).center(); };
    // On the cell whose editor is open, and on another value cell.
    for (int second : {0, 1}) {
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell(0));
        TRY_ASSERT(qobject_cast<QLineEdit*>(table->Editor()) && UserInterface.EditMode);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell(second));
        TRY_EXPECT(!UserInterface.EditMode && !table->Editor());
        // Read-only again: typing changes nothing.
        QTest::keyClicks(table->Editor() ? table->Editor() : table, "x");
        QApplication::processEvents();
        EXPECT_FALSE(table->Editor());
        EXPECT_EQ(competitor->Object()->GetAttribute(acNumber), "1");
        EXPECT_EQ(competitor->Object()->GetAttribute(acPilot), "Ana");
        EXPECT_EQ(W().TableForCompetitor.Cell(1, 1), "1");
    }
}

TEST_F(ScreenTest, UnderAWindowManagerTheEditorOfACellOutlivesTheBoxThatRefusesAKey)
{
    ShowOnScreen({QString::fromStdString(WriteChampionship())});
    Seams().Prompter = ProductionSeams().Prompter;
    QPointer<QLineEdit> editor;
    QString told; // the start of a box once it is active, and the editor behind it; Return closes the box
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isActiveWindow())
            told = box->text().left(10) + " / " + editor->text(), QTest::keyClick(box->windowHandle(), Qt::Key_Return);
    });
    boxes.start(50);
    TGridView* table = View(W().TableForChampionship);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(0, 0)).center());
    TRY_ASSERT(editor = qobject_cast<QLineEdit*>(table->Editor()));
    QTest::keyClick(W().windowHandle(), Qt::Key_Home);
    for (const QChar key : QStringLiteral("xŁ y  z ")) // the box comes and goes after "Ł"
        QTest::sendKeyEvent(QTest::Click, W().windowHandle(), Qt::Key(key.unicode()), key, {});
    EXPECT_EQ(told, "Name holds / xTest Cup"); // the key put back before the box
    EXPECT_EQ(editor->text(), "x y  z Test Cup");
    ClickItem(Item({"CUP", "Classes"})); // ends the edit; the table stays
    EXPECT_EQ(W().TableForChampionship.Cell(1, 1), "x y z Test Cup");
    EXPECT_EQ(static_cast<TChampNode*>(UserInterface.ActiveNode)->GetAttribute(acName), "x y z Test Cup");
    // A dialog's field refused at OK (Space on it) takes the keys typed after the box, from the refused character.
    QTimer::singleShot(0, [&, description = editor = DefineWayPoint->findChild<QLineEdit*>("Description")] {
        TRY_EXPECT(DefineWayPoint->isActiveWindow());
        description->setText(QStringLiteral("Water Ω tower")), DefineWayPoint->findChild<QWidget*>("OKBtn")->setFocus();
        EXPECT_EQ(std::system("xdotool key space"), 0);
        TRY_EXPECT(told == QStringLiteral("Descriptio / Water Ω tower") && DefineWayPoint->isActiveWindow());
        EXPECT_EQ(std::system("xdotool key Delete type Omega"), 0);
        TRY_EXPECT(description->text() == "Water Omega tower" && description->hasFocus() && description->cursorPosition() == 11);
        DefineWayPoint->reject();
    });
    DefineWayPoint->exec();
}
