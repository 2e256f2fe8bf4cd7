#pragma once
// The program's windows on the screen of a real X server (Qt's xcb platform),
// driven by mouse and key events that take the way of the X server's own:
// through the window system layer (QTEST_QPA_MOUSE_HANDLING), the event loop
// and the grab of an open popup. Tests wait for the event loop as QTRY_ does
// and then look at what the screen holds: the widget a panel shows, whether
// it is mapped, exposed and enabled, and the texts it paints.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QStackedLayout>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>
#include <string>
#include <vector>

#include "ui/GridView.h"
#include "ui/USmallDialogs.h"
#include "ui/WindowFixture.h"

namespace xcbtest {

// What Qt printed at warning level or above since the test began.
inline std::vector<QString>& QtWarnings()
{
    static std::vector<QString> warnings;
    return warnings;
}

// Runs the event loop until the condition holds (5 s at most), as QTRY_ does.
#define TRY_EXPECT(cond) EXPECT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(cond); }, 5000)) << #cond
#define TRY_ASSERT(cond) ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(cond); }, 5000)) << #cond

class ScreenTest : public uitest::WindowTest {
protected:
    void SetUp() override { QtWarnings().clear(); }

    void TearDown() override
    {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        QApplication::processEvents();
        QString printed;
        for (const QString& warning : QtWarnings()) printed += warning + QLatin1Char('\n');
        EXPECT_TRUE(printed.isEmpty()) << "Qt printed:\n" << printed.toStdString();
    }

    // The demonstration championship (scripts/make_demo.py) in the temporary
    // folder, with its map, logs and "lastmap"; its file.
    std::string MakeDemo()
    {
        int status = -1;
        const std::string out = CommandOutput(std::string("python3 '" ZEPH_SOURCE_DIR "/scripts/make_demo.py' '") +
                                                  Dir.File("demo") + "'",
                                              &status);
        EXPECT_EQ(status, 0) << out;
        return Dir.File("demo/demo.xch");
    }

    // The program's windows as it makes them, the main window on the screen
    // (mapped, exposed, active), the splash that its first activation showed
    // closed again, the whole tree expanded.
    void ShowOnScreen(const QStringList& arguments)
    {
        Start(arguments);
        W().Graf->setMinimumSize(0, 0);
        W().Graf->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        W().setGeometry(0, 0, 1600, 975);
        W().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&W()));
        W().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&W()));
        TRY_ASSERT(Splash->isVisible());
        Splash->close();
        W().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&W()));
        W().TreeChamp->expandAll();
        QApplication::processEvents();
    }

    QTreeWidgetItem* ViewItemOf(const TTreeItem* item) { return item ? W().TreeChamp->ViewItem(item) : nullptr; }

    // Where a click on the item lands in the tree's viewport (scrolled into
    // view first, as a person would).
    QPoint PlaceOf(QTreeWidgetItem* item)
    {
        QTreeWidget* tree = W().TreeChamp;
        tree->scrollToItem(item);
        QApplication::processEvents();
        const QRect r = tree->visualItemRect(item);
        const int x = std::clamp(r.left() + 12, 2, tree->viewport()->width() - 2);
        return {x, r.center().y()};
    }

    void ClickItem(const TTreeItem* item, Qt::MouseButton button = Qt::LeftButton)
    {
        QTreeWidgetItem* viewItem = ViewItemOf(item);
        ASSERT_TRUE(viewItem);
        QTest::mouseClick(W().TreeChamp->viewport(), button, {}, PlaceOf(viewItem));
    }

    // The popup on the screen: the active popup, shown and exposed by the X
    // server; null when there is none.
    static QMenu* ShownPopup()
    {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible() || !menu->windowHandle() || !menu->windowHandle()->isExposed()) return nullptr;
        return menu;
    }

    static std::vector<std::string> VisibleItems(const QMenu* menu)
    {
        std::vector<std::string> texts;
        for (const QAction* action : menu->actions())
            if (action->isVisible() && !action->isSeparator()) texts.push_back(FromQt(action->text()));
        return texts;
    }

    // Escape on the open popup; waits until no popup is left.
    static void CloseWithEscape(QMenu* menu)
    {
        QTest::keyClick(menu->windowHandle(), Qt::Key_Escape);
        TRY_EXPECT(!QApplication::activePopupWidget());
    }

    // The table the panel shows now.
    QWidget* ShownTable() { return static_cast<QStackedLayout*>(W().PanelTable->layout())->currentWidget(); }
    TGridView* View(TStringGrid& grid) { return W().ViewOf(&grid); }
};

} // namespace xcbtest
