// Test probe of the user interface: the program's real windows, offscreen,
// driven by commands on standard input.
//
//   uiprobe [--size WxH] [FILE.xch]
//
// Builds the main window and the dialogs as the program does, with the map
// view W x H pixels (default 800 x 600), opens FILE through the Open command,
// then reads one command a line: a command and its arguments separated by
// TABs, all text UTF-8. Every command ends with one line "ok[\t...]" or
// "ERROR\t<message>"; what it printed on the way (prompts, files opened) comes
// before it, a line feed inside a text written "\n". Nothing waits for a
// person: prompts, choosers and dialogs take the answers queued with
// "answer", or Cancel (No) when none is queued, and print
// "prompt\t<title>\t<text>[\t<filter>][\tunanswered]". Files handed to the
// desktop are printed as "opened\t<path>" and not opened.
//
// Commands:
//   tree                          the tree, an item a line, indented by TABs
//   select CAPTION...             a click on the item with those captions from the root
//   table                         the table the panel shows, as it shows it: a row a line, cells
//                                 TAB-separated, the heading row first (the corner cell first);
//                                 ok\t<table's name>[\tdisabled]
//   menu tree|table|track         "caption\tenabled\tchecked" a line, submenu items indented; the
//                                 tree's and the table's are the popups that a right click on the
//                                 selected item or the shown table opens ("no menu" when none)
//   click tool CAPTION            a tool-bar button
//   click tree|table|track CAPTION...  a menu item by its captions from the menu down (a click on
//                                 it in the popup that a right click opened)
//   answer button yes|no|ok|cancel|ignore|save|discard
//   answer text VALUE | answer file PATH|cancel | answer dialog ok|cancel [NAME=VALUE]...
//   flight CLASS TASKNUMBER COMPETITOR   selects that flight; ok\t<fixes>\t<events>
//   loadmap MAPKEY                ok\t<width>\t<height>
//   flag NAME 0|1                 NAME: Map Grid Wpts Task Trck Pnts Evts Sync Mov
//   zoom in|out|1 | point N | drag X1 Y1 X2 Y2
//   rclick X Y | mouse X Y (prints the five status panels) | dblclick ROW | type ROW TEXT
//   map FILE.png (full redraw) | quick FILE.png (quick repaint): the back buffer
//   save FILE.xch                 the Save command, answering its chooser with FILE
//   window FILE.png               a picture of the whole main window
//   caption                       the window's caption
//   quit                          the close query; the probe ends when the window closes
// The probe's clicks take the window system's way, as a person's would.
#define QTEST_QPA_MOUSE_HANDLING
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QStackedLayout>
#include <QTest>
#include <QLocale>
#include <QMenu>
#include <QToolBar>
#include <QTreeWidget>
#include <clocale>
#include <cstdio>
#include <iostream>
#include <string>

#include "analysis/Flight.h"
#include "analysis/Track.h"
#include "model/Championship.h"
#include "model/Class.h"
#include "ui/GridView.h"
#include "ui/Guard.h"
#include "ui/MapWindow.h"
#include "ui/Program.h"
#include "ui/QtText.h"
#include "ui/Seams.h"
#include "ui/TreeView.h"
#include "ui/UZephyrant.h"
#include "ui/Userinterface.h"

namespace {

void Out(const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString Escaped(QString text)
{
    return text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

struct TProbeError {
    QString Message;
};

[[noreturn]] void Fail(const QString& message)
{
    throw TProbeError{message};
}

class TProbe {
public:
    TProbe(TZephyrant& window, std::shared_ptr<TScriptedSeams> script) : W(window), Script(std::move(script)) {}

    // Runs one command line; false when the probe should end.
    bool Run(const QStringList& words);

private:
    void Tree(const TTreeItem* item, int depth);
    TTreeItem* FindItem(const QStringList& captions);
    QMenu* MenuOf(const QString& which);
    // A right click at a point of the widget; the popup it opened.
    QMenu* PopUp(QWidget* widget, const QPoint& at);
    TGridView* ShownTable();
    void Table();
    void ListMenu(const QMenu* menu, int depth);
    QAction* FindAction(QMenu* menu, QStringList captions);
    void Answer(const QStringList& words);
    TMapWindow& View() { return UserInterface.MapWindow; }
    QString Panels();

    TZephyrant& W;
    std::shared_ptr<TScriptedSeams> Script;
};

void TProbe::Tree(const TTreeItem* item, int depth)
{
    for (; item; item = item->NextSibling()) {
        Out(QString(depth, QLatin1Char('\t')) + Escaped(ToQt(item->Caption())));
        Tree(item->FirstChild(), depth + 1);
    }
}

TTreeItem* TProbe::FindItem(const QStringList& captions)
{
    TTreeItem* item = W.ChampTree.FirstTopLevel();
    TTreeItem* found = nullptr;
    for (const QString& caption : captions) {
        found = nullptr;
        for (; item; item = item->NextSibling())
            if (ToQt(item->Caption()) == caption) {
                found = item;
                break;
            }
        if (!found) Fail(QStringLiteral("no tree item ") + caption);
        item = found->FirstChild();
    }
    if (!found) Fail(QStringLiteral("no tree item"));
    return found;
}

QMenu* TProbe::PopUp(QWidget* widget, const QPoint& at)
{
    if (QWidget* open = QApplication::activePopupWidget()) open->close();
    QTest::mouseClick(widget, Qt::RightButton, {}, at);
    QApplication::processEvents();
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu || !menu->isVisible()) Fail(QStringLiteral("no menu"));
    return menu;
}

TGridView* TProbe::ShownTable()
{
    auto* stack = qobject_cast<QStackedLayout*>(W.PanelTable->layout());
    auto* view = stack ? qobject_cast<TGridView*>(stack->currentWidget()) : nullptr;
    if (!view) Fail(QStringLiteral("no table shown"));
    return view;
}

QMenu* TProbe::MenuOf(const QString& which)
{
    if (which == QLatin1String("tree")) {
        QTreeWidgetItem* item = W.TreeChamp->ViewItem(W.ChampTree.Selected());
        if (!item) Fail(QStringLiteral("no tree item selected"));
        W.TreeChamp->scrollToItem(item);
        const QRect place = W.TreeChamp->visualItemRect(item);
        return PopUp(W.TreeChamp->viewport(),
                     QPoint(std::clamp(place.left() + 10, 1, W.TreeChamp->viewport()->width() - 2), place.center().y()));
    }
    if (which == QLatin1String("track")) return W.MenuTrack;
    if (which == QLatin1String("table")) {
        TGridView* view = ShownTable();
        return PopUp(view->viewport(), QPoint(2, 2));
    }
    Fail(QStringLiteral("no menu ") + which);
}

void TProbe::Table()
{
    // What the view paints: its headings, the corner and the cells of its
    // model, not the grid behind them.
    TGridView* view = ShownTable();
    const QAbstractItemModel* model = view->model();
    const bool rowHeadings = !view->verticalHeader()->isHidden();
    if (!view->horizontalHeader()->isHidden()) {
        QStringList cells;
        if (rowHeadings) cells << Escaped(view->CornerText());
        for (int col = 0; col < model->columnCount(); ++col)
            cells << Escaped(model->headerData(col, Qt::Horizontal).toString());
        Out(cells.join(QLatin1Char('\t')));
    }
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        if (rowHeadings) cells << Escaped(model->headerData(row, Qt::Vertical).toString());
        for (int col = 0; col < model->columnCount(); ++col)
            cells << Escaped(model->index(row, col).data().toString());
        Out(cells.join(QLatin1Char('\t')));
    }
}

void TProbe::ListMenu(const QMenu* menu, int depth)
{
    for (QAction* action : menu->actions()) {
        if (!action->isVisible() || action->isSeparator()) continue;
        Out(QString(depth, QLatin1Char('\t')) + action->text() + QLatin1Char('\t') +
            (action->isEnabled() ? QStringLiteral("1") : QStringLiteral("0")) + QLatin1Char('\t') +
            (action->isChecked() ? QStringLiteral("1") : QStringLiteral("0")));
        if (action->menu()) ListMenu(action->menu(), depth + 1);
    }
}

QAction* TProbe::FindAction(QMenu* menu, QStringList captions)
{
    while (!captions.isEmpty()) {
        const QString caption = captions.takeFirst();
        QAction* found = nullptr;
        for (QAction* action : menu->actions())
            if (action->isVisible() && action->text() == caption) found = action;
        if (!found) Fail(QStringLiteral("no menu item ") + caption);
        if (captions.isEmpty()) return found;
        if (!found->menu()) Fail(QStringLiteral("no submenu ") + caption);
        menu = found->menu();
    }
    Fail(QStringLiteral("no menu item"));
}

void TProbe::Answer(const QStringList& words)
{
    const QString kind = words.value(1);
    if (kind == QLatin1String("button")) {
        static const std::pair<const char*, TButton> buttons[] = {
            {"yes", TButton::Yes}, {"no", TButton::No}, {"ok", TButton::Ok}, {"cancel", TButton::Cancel},
            {"ignore", TButton::Ignore}, {"save", TButton::Save}, {"discard", TButton::Discard}};
        for (const auto& [name, button] : buttons)
            if (words.value(2) == QLatin1String(name)) return Script->AnswerButton(button);
        Fail(QStringLiteral("no button ") + words.value(2));
    }
    if (kind == QLatin1String("text")) return Script->AnswerText(words.value(2));
    if (kind == QLatin1String("file")) {
        if (words.value(2) == QLatin1String("cancel")) return Script->AnswerFile(std::nullopt);
        return Script->AnswerFile(words.value(2));
    }
    if (kind == QLatin1String("dialog")) {
        TScriptedSeams::TDialogAnswer answer;
        answer.Ok = words.value(2) == QLatin1String("ok");
        for (int i = 3; i < words.size(); ++i) {
            const qsizetype equals = words[i].indexOf(QLatin1Char('='));
            if (equals < 0) Fail(QStringLiteral("no NAME=VALUE: ") + words[i]);
            answer.Fields.emplace_back(words[i].left(equals), words[i].mid(equals + 1));
        }
        return Script->AnswerDialog(std::move(answer));
    }
    Fail(QStringLiteral("no answer kind ") + kind);
}

QString TProbe::Panels()
{
    QStringList texts;
    for (int i = 0; i < 5; ++i) texts << W.StatusText(i);
    return texts.join(QLatin1Char('\t'));
}

int Int(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok) Fail(QStringLiteral("not a number: ") + text);
    return value;
}

bool TProbe::Run(const QStringList& words)
{
    const QString command = words.value(0);
    QString result;
    if (command == QLatin1String("tree")) {
        Tree(W.ChampTree.FirstTopLevel(), 0);
    } else if (command == QLatin1String("select")) {
        TTreeItem* item = FindItem(words.mid(1));
        W.TreeChamp->setCurrentItem(W.TreeChamp->ViewItem(item));
    } else if (command == QLatin1String("table")) {
        Table();
        const TGridView* view = ShownTable();
        result = QLatin1Char('\t') + view->objectName() + (view->isEnabled() ? QString() : QStringLiteral("\tdisabled"));
    } else if (command == QLatin1String("menu")) {
        QMenu* menu = MenuOf(words.value(1));
        ListMenu(menu, 0);
        if (menu->isVisible()) menu->close();
    } else if (command == QLatin1String("click")) {
        if (words.value(1) == QLatin1String("tool")) {
            QAction* found = nullptr;
            for (QAction* action : W.ToolBar1->actions())
                if (action->text() == words.value(2)) found = action;
            if (!found) Fail(QStringLiteral("no tool button ") + words.value(2));
            if (!found->isEnabled()) Fail(QStringLiteral("disabled: ") + words.value(2));
            found->trigger();
        } else {
            QMenu* menu = MenuOf(words.value(1));
            QAction* action = nullptr;
            try {
                action = FindAction(menu, words.mid(2));
                if (!action->isEnabled()) Fail(QStringLiteral("disabled: ") + action->text());
            } catch (const TProbeError&) {
                if (menu->isVisible()) menu->close();
                throw;
            }
            if (menu->isVisible() && menu->actions().contains(action)) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            } else {
                // An item of a submenu.
                if (menu->isVisible()) menu->close();
                action->trigger();
            }
        }
    } else if (command == QLatin1String("answer")) {
        Answer(words);
    } else if (command == QLatin1String("flight")) {
        TChampionship* championship = nullptr;
        for (TChampionship* c : UserInterface.Championships) championship = c;
        TCClass* cls = championship ? championship->FindClass(FromQt(words.value(1))) : nullptr;
        if (!cls) Fail(QStringLiteral("no class ") + words.value(1));
        TTaskNumber* taskNumber = cls->TaskNumbers.FindKey(FromQt(words.value(2)));
        if (!taskNumber) Fail(QStringLiteral("no task number ") + words.value(2));
        TFlight* flight = cls->FlightsOf(taskNumber).FindKey(FromQt(words.value(3)));
        if (!flight) Fail(QStringLiteral("no flight ") + words.value(3));
        TTreeItem* item = nullptr;
        for (int i = 0; i < W.ChampTree.Count() && !item; ++i)
            if (W.ChampTree.ItemAt(i)->Object() == flight) item = W.ChampTree.ItemAt(i);
        if (!item) Fail(QStringLiteral("flight not in the tree"));
        W.TreeChamp->setCurrentItem(W.TreeChamp->ViewItem(item));
        const TTrack* track = flight->Track();
        result = QStringLiteral("\t%1\t%2")
                     .arg(track ? track->Points.size() : 0)
                     .arg(track ? track->Events.size() : 0);
    } else if (command == QLatin1String("loadmap")) {
        TChampionship* championship = nullptr;
        for (TChampionship* c : UserInterface.Championships) championship = c;
        TMap* map = championship ? championship->FindMap(FromQt(words.value(1))) : nullptr;
        if (!map) Fail(QStringLiteral("no map ") + words.value(1));
        if (!Guarded([&] { W.LoadMap(map); })) Fail(QStringLiteral("map not loaded"));
        result = QStringLiteral("\t%1\t%2").arg(View().View.BitmapWidth).arg(View().View.BitmapHeight);
    } else if (command == QLatin1String("flag")) {
        static const std::pair<const char*, QAction* TZephyrant::*> flags[] = {
            {"Map", &TZephyrant::ToolButtonShowMap},     {"Grid", &TZephyrant::ToolButtonShowGrid},
            {"Wpts", &TZephyrant::ToolButtonShowWpt},    {"Task", &TZephyrant::ToolButtonShowTask},
            {"Trck", &TZephyrant::ToolButtonShowFlight}, {"Pnts", &TZephyrant::ToolButtonShowPoints},
            {"Evts", &TZephyrant::ToolButtonShowEvents}, {"Sync", &TZephyrant::ToolButtonSyncView},
            {"Mov", &TZephyrant::ToolButtonAutoMove}};
        QAction* action = nullptr;
        for (const auto& [name, member] : flags)
            if (words.value(1) == QLatin1String(name)) action = W.*member;
        if (!action) Fail(QStringLiteral("no flag ") + words.value(1));
        if (action->isChecked() != (words.value(2) == QLatin1String("1"))) action->trigger();
    } else if (command == QLatin1String("zoom")) {
        if (words.value(1) == QLatin1String("in"))
            W.ZoomMore->trigger();
        else if (words.value(1) == QLatin1String("out"))
            W.ZoomLess->trigger();
        else
            W.ToolButtonScaleOne->trigger();
    } else if (command == QLatin1String("point")) {
        const int index = Int(words.value(1));
        Guarded([&] { UserInterface.SelectPoint(index); });
    } else if (command == QLatin1String("drag")) {
        const int x1 = Int(words.value(1)), y1 = Int(words.value(2)), x2 = Int(words.value(3)), y2 = Int(words.value(4));
        Guarded([&] {
            W.GrafMouseDown(Qt::LeftButton, x1, y1);
            W.GrafMouseMove(x2, y2, true);
            W.GrafMouseUp(x2, y2);
        });
    } else if (command == QLatin1String("map") || command == QLatin1String("quick")) {
        Guarded([&] {
            if (command == QLatin1String("map"))
                View().Redraw();
            else
                View().Paint();
        });
        if (!View().BackBuffer().save(words.value(1), "PNG")) Fail(QStringLiteral("can't write ") + words.value(1));
    } else if (command == QLatin1String("rclick")) {
        const int x = Int(words.value(1)), y = Int(words.value(2));
        Guarded([&] { W.GrafMouseDown(Qt::RightButton, x, y); });
    } else if (command == QLatin1String("mouse")) {
        const int x = Int(words.value(1)), y = Int(words.value(2));
        Guarded([&] { W.GrafMouseMove(x, y, false); });
        result = QLatin1Char('\t') + Panels();
    } else if (command == QLatin1String("dblclick")) {
        TStringGrid* grid = UserInterface.ActiveTable;
        if (!grid) Fail(QStringLiteral("no table shown"));
        const int row = Int(words.value(1));
        grid->SetSelection({1, row, 1, row});
        TGridView* view = W.ViewOf(grid);
        Guarded([&] {
            if (view && view->OnDoubleClick) view->OnDoubleClick();
        });
    } else if (command == QLatin1String("type")) {
        TStringGrid* grid = UserInterface.ActiveTable;
        if (!grid) Fail(QStringLiteral("no table shown"));
        const int row = Int(words.value(1));
        const QString text = words.value(2);
        TGridView* view = W.ViewOf(grid);
        // Keystroke by keystroke, the cell's text growing from empty.
        for (qsizetype n = 1; n <= text.size(); ++n)
            Guarded([&] {
                if (view && view->OnEditText) view->OnEditText(1, row, text.left(n));
            });
    } else if (command == QLatin1String("save")) {
        Script->AnswerFile(words.value(1));
        W.ToolButtonSaveChamp->trigger();
    } else if (command == QLatin1String("window")) {
        if (!W.grab().save(words.value(1), "PNG")) Fail(QStringLiteral("can't write ") + words.value(1));
    } else if (command == QLatin1String("caption")) {
        result = QLatin1Char('\t') + W.windowTitle();
    } else if (command == QLatin1String("quit")) {
        W.close();
        if (!W.isVisible()) {
            Out(QStringLiteral("ok"));
            return false;
        }
        result = QStringLiteral("\tstays");
    } else if (command.isEmpty()) {
        return true;
    } else {
        Fail(QStringLiteral("unknown command ") + command);
    }
    Out(QStringLiteral("ok") + result);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    int width = 800;
    int height = 600;
    if (arguments.size() >= 2 && arguments.front() == QLatin1String("--size")) {
        const QStringList size = arguments[1].split(QLatin1Char('x'));
        width = size.value(0).toInt();
        height = size.value(1).toInt();
        arguments.remove(0, 2);
        if (width <= 0 || height <= 0) {
            std::fprintf(stderr, "usage: uiprobe [--size WxH] [FILE.xch]\n");
            return 2;
        }
    }

    auto script = TScriptedSeams::Create();
    TScopedSeams seams(script->Install());
    script->OnPrompt = [](const TScriptedSeams::TRecord& record) { Out(record.Line()); };
    script->OnOpen = [](const QString& path) { Out(QStringLiteral("opened\t") + path); };

    TProgram program({});
    TZephyrant& window = program.MainWindow();
    window.Graf->setFixedSize(width, height);
    window.show();
    QApplication::processEvents();
    if (!arguments.isEmpty()) {
        script->AnswerFile(arguments.front());
        window.ToolButtonOpenChamp->trigger();
    }
    QApplication::processEvents();

    TProbe probe(window, script);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const QStringList words = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())).split(QLatin1Char('\t'));
        bool goOn = true;
        try {
            goOn = probe.Run(words);
        } catch (const TProbeError& error) {
            Out(QStringLiteral("ERROR\t") + Escaped(error.Message));
        } catch (const std::exception& error) {
            Out(QStringLiteral("ERROR\t") + Escaped(QString::fromLocal8Bit(error.what())));
        }
        QApplication::processEvents();
        if (!goOn) break;
    }
    return 0;
}
