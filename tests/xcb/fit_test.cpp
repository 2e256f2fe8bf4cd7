// The windows' fit: ctest runs these tests once more on a 1024 x 600 screen
// at scale 1.25 (819 x 480 device-independent pixels).
#include "ScreenFixture.h"

#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <memory>
#include <xcb/xcb.h>

#include "model/Championship.h"
#include "ui/UDefineGeoref.h"
#include "ui/UDefineMap.h"
#include "ui/UDefineTaskInstance.h"
#include "ui/UDefineTaskNumber.h"
#include "ui/UDefineWayPoint.h"

using namespace xcbtest;

using ScreenFit = ScreenTest;

// Every dialog, run as the program runs it, lies on the screen with its
// closing buttons whole (and where the screen has room, every field whole);
// a click on the last of them closes it.
TEST_F(ScreenFit, EveryDialogLiesOnTheScreenWithItsClosingButtons)
{
    WriteFileBytes(Dir.File("lastmap"), "M");
    ShowOnScreen({QString::fromStdString(WriteChampionship())});
    auto node = [&](const std::vector<std::string>& path) { return const_cast<TChampNode*>(Item(path)->Object()); };
    DefineWayPoint->WayPoints = &static_cast<TChampionship*>(node({"CUP"}))->WayPoints;
    DefineWayPoint->Map = DefineGeoref->Map = UserInterface.CurrentMap;
    DefineTaskNumber->Championship = static_cast<TChampionship*>(node({"CUP"}));
    DefineTaskNumber->Class = dynamic_cast<TCClass*>(node({"CUP", "Classes", "ML: Microlight"}));
    DefineTaskInstance->TaskInstance = dynamic_cast<TTaskInstance*>(node({"CUP", "Task catalogue", "NAV", "NAV - 1"}));
    TSeams seams = Seams();
    seams.Dialogs = ProductionSeams().Dialogs;
    seams.Prompter = ProductionSeams().Prompter;
    const TScopedSeams production(seams);
    const std::vector<std::pair<TDialogForm*, QStringList>> dialogs = {
        {DefineWayPoint, {"OK", "Cancel"}}, {DefineGeoref, {"OK", "Cancel"}}, {DefineMap, {"OK", "Cancel"}},
        {DefineTaskNumber, {"OK", "Cancel"}}, {DefineTaskInstance, {"OK", "Cancel"}},
        {SelectTrackSource, {"Load track from FILE", "Cancel"}}, {AboutBox, {"OK"}},
        {OptionDlg, {"&Save", "&Reset", "&Cancel"}}, {nullptr, {"OK", "Cancel"}}, // an input box
        {Splash, {"Thanks!", QString::fromUtf8("¡Gracias!")}}};
    // Twice: the second showing starts from the size the first one left.
    for (int round = 0; round < 2; ++round) {
        for (const auto& entry : dialogs) {
            TDialogForm* dialog = entry.first;
            const QStringList& buttons = entry.second;
            bool done = false;
            QTimer::singleShot(0, [&] {
                QWidget* window = dialog == Splash ? Splash : QApplication::activeModalWidget();
                const QRect screen = W().screen()->availableGeometry();
                EXPECT_TRUE(QTest::qWaitFor([&] { return window && window->windowHandle()->isExposed(); }, 5000));
                const std::string name = window ? window->windowTitle().toStdString() : "none";
                EXPECT_TRUE(window && screen.contains(window->frameGeometry())) << name;
                for (const QWidget* field : window ? window->findChildren<QWidget*>() : QList<QWidget*>()) {
                    if (screen.height() < 700 || !field->isVisible()) continue;
                    EXPECT_EQ(field->visibleRegion().boundingRect(), field->rect()) << name << " is cut";
                }
                QPushButton* last = nullptr;
                for (const QString& text : buttons) {
                    last = nullptr;
                    for (QPushButton* button : window ? window->findChildren<QPushButton*>() : QList<QPushButton*>())
                        if (button->isVisible() && button->text() == text) last = button;
                    EXPECT_TRUE(last && screen.contains(QRect(last->mapToGlobal(QPoint()), last->size())) &&
                                last->visibleRegion().boundingRect() == last->rect())
                        << name << ": " << text.toStdString() << " is not on the screen";
                }
                if (last) QTest::mouseClick(last, Qt::LeftButton);
                EXPECT_TRUE(QTest::qWaitFor([&] { return window && !window->isVisible(); }, 5000)) << name;
                if (window && window->isVisible()) window->close();
                done = true;
            });
            if (dialog == Splash)
                Splash->show();
            else if (dialog)
                RunDialog(*dialog);
            else
                InputBox(QStringLiteral("Change task instance name"), QStringLiteral("Version name"), {});
            TRY_EXPECT(done);
        }
    }
}

// At the least size that the window system is told for it as the program builds it, the main
// window shows every status text whole, no panel over another; also when the loaded map's datum
// has a longer name.
TEST_F(ScreenFit, TheMainWindowAtItsSmallestShowsEveryStatusTextWhole)
{
    WriteFileBytes(Dir.File("lastmap"), "M");
    uitest::WriteMapBitmap(Dir.File("n.bmp"));
    ShowOnScreen({QString::fromStdString(WriteChampionship())});
    QTest::mouseMove(W().Graf, QPoint(999, 699)); // long texts: far from the map's corner
    TRY_ASSERT(W().StatusText(0) == " Win:  999  699");
    xcb_connection_t* x = qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const auto window = static_cast<xcb_window_t>(W().winId());
    for (const char* map : {"M", "N"}) {
        if (*map == 'N') // M is open since the start, its panels filled
            W().LoadMap(static_cast<TMap*>(const_cast<TChampNode*>(Item({"CUP", "Geo", "Maps", map})->Object())));
        QTest::qWait(50); // the layouts follow the new text
        // Held to the least size of its WM_NORMAL_HINTS (flags, x, y, width, height, least width and
        // height, ...) through the X server, as a window manager holds it.
        const auto asked = xcb_get_property(x, 0, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 0, 18);
        const std::unique_ptr<xcb_get_property_reply_t, void (*)(void*)> hints(xcb_get_property_reply(x, asked, 0),
                                                                                std::free);
        ASSERT_TRUE(hints && xcb_get_property_value_length(hints.get()) == 72);
        const auto* least = static_cast<const std::uint32_t*>(xcb_get_property_value(hints.get())) + 5;
        xcb_configure_window(x, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, least);
        xcb_flush(x);
        TRY_ASSERT(std::abs(W().width() * W().devicePixelRatioF() - least[0]) < 2);
        // Never wider than the screen; on a screen with room, every text whole, and else all but the last.
        EXPECT_LE(W().frameGeometry().width(), W().screen()->availableGeometry().width());
        const bool screenWide = W().frameGeometry().width() >= W().screen()->availableGeometry().width();
        int right = 0;
        for (const QLabel* panel : W().StatusPanels) {
            const int indent = panel->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2;
            if (screenWide && panel == W().StatusPanels[4]) break;
            const QRect shown = panel->contentsRect() & panel->visibleRegion().boundingRect();
            EXPECT_LE(panel->fontMetrics().horizontalAdvance(panel->text()), shown.width() - indent) << least[0];
            EXPECT_GE(panel->x(), right) << panel->text().toStdString() << " covers the panel before it";
            right = panel->geometry().right() + 1;
        }
    }
}

// Started as the program starts, the splash is painted before any event is
// handled; closed by either button or Escape, it stays closed when the main
// window is first activated (a click on it, without a window manager).
TEST_F(ScreenFit, TheSplashIsPaintedAtOnceAndOnceClosedStaysClosed)
{
    for (auto close : {+[] { QTest::mouseClick(Splash->Button1, Qt::LeftButton); },
                       +[] { QTest::mouseClick(Splash->Button2, Qt::LeftButton); },
                       +[] { QTest::keyClick(Splash, Qt::Key_Escape); }}) {
        Program.reset();
        ScopedSeams.reset();
        ScopedSeams = std::make_unique<TScopedSeams>(Script->Install());
        Program = std::make_unique<TProgram>(QStringList{}, true);
        const QRect r = Splash->frameGeometry();
        const QImage shot = Splash->screen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
        int black = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) black += qGray(shot.pixel(x, y)) < 16;
        EXPECT_LT(black, shot.width() * shot.height() / 2) << "the splash is a black box";
        close();
        TRY_ASSERT(!Splash->isVisible());
        W().show();
        W().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&W()));
        QTest::qWait(100);
        EXPECT_FALSE(Splash->isVisible()) << "the splash came back";
    }
}

// Started maximised as the program starts, then restored: on the screen, frame and all, status bar whole. The size and
// place the organiser then gives it come back from maximised twice; a map loaded maximised leaves room for the frame.
TEST_F(ScreenFit, UnderAWindowManagerTheRestoredMainWindowLiesOnTheScreen)
{
    WriteFileBytes(Dir.File("lastmap"), "M");
    uitest::WriteMapBitmap(Dir.File("n.bmp"));
    ScopedSeams = std::make_unique<TScopedSeams>(Script->Install());
    Program = std::make_unique<TProgram>(QStringList{QString::fromStdString(WriteChampionship())}, true);
    const QSize made = W().size();
    xcb_connection_t* x = qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const auto id = static_cast<xcb_window_t>(W().winId());
    const auto reply = [](auto* r) {
        return std::unique_ptr<std::remove_pointer_t<decltype(r)>, void (*)(void*)>(r, std::free);
    };
    const auto extents = reply(xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, 18, "_NET_FRAME_EXTENTS"), nullptr));
    QRect client; // on the root window as the X server has it (its pixels), in the frame's sides that the window
    QMargins frame; // manager gives (left, right, top, bottom); true when Qt has the same size
    const auto read = [&] {
        const auto sides = reply(
            xcb_get_property_reply(x, xcb_get_property(x, 0, id, extents->atom, XCB_ATOM_CARDINAL, 0, 4), nullptr));
        const auto size = reply(xcb_get_geometry_reply(x, xcb_get_geometry(x, id), nullptr));
        const auto at =
            reply(xcb_translate_coordinates_reply(x, xcb_translate_coordinates(x, id, size->root, 0, 0), nullptr));
        const auto* s = static_cast<const std::uint32_t*>(xcb_get_property_value(sides.get()));
        frame = xcb_get_property_value_length(sides.get()) == 16 ? QMargins(s[0], s[2], s[1], s[3]) : QMargins();
        client = QRect(at->dst_x, at->dst_y, size->width, size->height);
        return client.size() / W().devicePixelRatioF() == W().size();
    };
    const QRect room(QPoint(), W().screen()->availableGeometry().size() * W().devicePixelRatioF());
    W().showMaximized();
    TRY_ASSERT(W().windowHandle()->isExposed() && read() && client.marginsAdded(frame) == room);
    const QRect maximised = client;
    const auto restored = [&] { // and framed with sides, as openbox frames a window in its normal state
        return read() && frame.left() > 0 && client != maximised && room.contains(client.marginsAdded(frame)) &&
               W().statusBar()->geometry().bottom() < W().height();
    };
    W().showNormal();
    TRY_EXPECT(restored());
    EXPECT_TRUE(room.height() < 800 || W().size() == made.expandedTo(W().minimumSize())) << W().width();
    // As wide as the screen lets it, lower and further down, as xdotool would make it.
    const int sides = frame.left() + frame.right();
    const QRect given(frame.left(), client.y() + 60, room.width() - sides, client.height() - 120);
    const std::uint32_t values[] = {std::uint32_t(given.x()), std::uint32_t(given.y()), std::uint32_t(given.width()),
                                    std::uint32_t(given.height())};
    xcb_configure_window(x, id, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                         XCB_CONFIG_WINDOW_HEIGHT, values);
    xcb_flush(x);
    TRY_ASSERT(read() && client == given);
    for (const char* map : {"N", ""}) {
        W().showMaximized();
        TRY_ASSERT(read() && client == maximised);
        if (*map) { // a datum with a longer name
            W().LoadMap(static_cast<TMap*>(const_cast<TChampNode*>(Item({"CUP", "Geo", "Maps", map})->Object())));
            EXPECT_LE(qRound(W().minimumWidth() * W().devicePixelRatioF()) + sides, room.width());
        }
        W().showNormal();
        TRY_EXPECT(restored() && client == given) << client.x() << "," << client.y() << " " << client.width();
    }
}
