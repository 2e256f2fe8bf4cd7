// Names on the screen follow the nodes: the window's caption, the shown
// table's header row and the tree's labels, after typing into a table, a
// renamed task instance and a flight's log read.
#include "ScreenFixture.h"

#include <QLineEdit>

using namespace xcbtest;

namespace {

const std::string Class = "ML: Microlight two-seater";

std::string Caption(const QTreeWidgetItem* item)
{
    return item ? FromQt(item->text(0)) : std::string();
}

} // namespace

TEST_F(ScreenTest, CaptionsHeadingsAndLabelsFollowTheNamesAsTheyChange)
{
    ShowOnScreen({QString::fromStdString(MakeDemo())});
    TTreeItem* competitor = Item({"DEMO", "Teams", "ESP: Spain", Class, "1: Ana Ruiz / Luis Gil"});
    TTreeItem* flight = Item({"DEMO", "Tasks", Class, "01: NAV - 1", "1: Ana Ruiz / Luis Gil (ESP) >>> TRACK PENDING <<<"});
    TTreeItem* logged = Item({"DEMO", "Tasks", Class, "01: NAV - 1", "2: Pedro Sanz / Marta Vidal (ESP) >>> TRACK PENDING <<<"});
    TTreeItem* taskNumber = Item({"DEMO", "Tasks", Class, "01: NAV - 1"});
    TTreeItem* instance = Item({"DEMO", "Task catalogue", "NAV", "NAV - 1"});
    ASSERT_TRUE(competitor && flight && logged && taskNumber && instance);

    // The competitor renumbered by typing into its table.
    ClickItem(competitor);
    TGridView* table = View(W().TableForCompetitor);
    TRY_ASSERT(ShownTable() == table);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(0, 0)).center());
    TRY_ASSERT(qobject_cast<QLineEdit*>(table->Editor()));
    auto* editor = static_cast<QLineEdit*>(table->Editor());
    editor->selectAll();
    QTest::keyClicks(editor, "7");
    TRY_EXPECT(W().TableForCompetitor.Cell(1, 1) == "7");
    EXPECT_EQ(FromQt(table->model()->headerData(0, Qt::Horizontal).toString()), "7: Ana Ruiz / Luis Gil");
    EXPECT_EQ(FromQt(W().windowTitle()), "Zephyrant - DEMO - 7: Ana Ruiz / Luis Gil");
    EXPECT_EQ(Caption(ViewItemOf(competitor)), "7: Ana Ruiz / Luis Gil");
    // Its flight, renumbered by the model, is labelled so.
    EXPECT_EQ(Caption(ViewItemOf(flight)), "7: Ana Ruiz / Luis Gil (ESP) >>> TRACK PENDING <<<");

    // Another table while the editor is open: closed once, without a word
    // from Qt (the fixture's end checks that).
    ClickItem(instance);
    TRY_ASSERT(ShownTable() == View(W().TableForTaskInstance));
    EXPECT_FALSE(UserInterface.EditMode);

    // The instance renamed from its table's menu: the task number's label.
    TGridView* instanceTable = View(W().TableForTaskInstance);
    QTest::mouseClick(instanceTable->viewport(), Qt::RightButton, {}, QPoint(40, 10));
    TRY_ASSERT(ShownPopup() == W().MenuTaskInstance);
    QAction* rename = W().MenuTaskInstance->actions().front();
    ASSERT_EQ(rename->text(), "Change name");
    Script->AnswerText(QStringLiteral("Final"));
    QTest::mouseClick(W().MenuTaskInstance, Qt::LeftButton, {}, W().MenuTaskInstance->actionGeometry(rename).center());
    TRY_EXPECT(Caption(ViewItemOf(instance)) == "NAV - Final");
    EXPECT_EQ(Caption(ViewItemOf(taskNumber)), "01: NAV - Final");
    EXPECT_EQ(FromQt(W().windowTitle()), "Zephyrant - DEMO - NAV - Final");

    // A flight's log is read when the flight is selected: no pending track
    // left in the caption.
    ClickItem(logged);
    TRY_ASSERT(ShownTable() == View(W().TableForTrack));
    TRY_EXPECT(UserInterface.CurrentFlight);
    EXPECT_EQ(FromQt(W().windowTitle()), "Zephyrant - DEMO - 2: Pedro Sanz / Marta Vidal (ESP)");
    EXPECT_EQ(Caption(ViewItemOf(logged)), "2: Pedro Sanz / Marta Vidal (ESP)");
}
