#include "ui/UDefineTaskInstance.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "model/Championship.h"
#include "model/Task.h"
#include "model/Waypoint.h"
#include "platform/NumberFormat.h"
#include "platform/Numbers.h"
#include "ui/FormControls.h"
#include "ui/Guard.h"
#include "ui/QtText.h"
#include "ui/Seams.h"

namespace {

// ------------------------------------------------------------ sorted lists

// The order of the sorted lists and drop-down lists: case-insensitive, as
// people read codes; texts equal but for case keep a fixed order.
bool TextLess(const QString& a, const QString& b)
{
    const int order = QString::compare(a, b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
}

template <class TextAt>
int SortedPosition(int count, TextAt textAt, const QString& text)
{
    int low = 0;
    int high = count;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (TextLess(text, textAt(middle)))
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

void AddSorted(QListWidget* list, const QString& text)
{
    list->insertItem(SortedPosition(list->count(), [list](int row) { return list->item(row)->text(); }, text), text);
}

void FillSorted(QListWidget* list, QStringList texts)
{
    std::stable_sort(texts.begin(), texts.end(), TextLess);
    list->clear();
    list->addItems(texts);
}

// Fills a drop-down list without running its change handler; nothing is
// chosen afterwards.
void FillSorted(QComboBox* combo, QStringList texts)
{
    std::stable_sort(texts.begin(), texts.end(), TextLess);
    const QSignalBlocker block(combo);
    combo->clear();
    combo->addItems(texts);
    combo->setCurrentIndex(-1);
}

// The rows of the selected items, from the top.
std::vector<QListWidgetItem*> SelectedItems(QListWidget* list)
{
    std::vector<QListWidgetItem*> items;
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->isSelected()) items.push_back(list->item(row));
    return items;
}

void RemoveItemWithText(QListWidget* list, const QString& text)
{
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    if (!found.isEmpty()) delete found.first();
}

// ------------------------------------------------------------ the model

TChampionship* ChampionshipOf(const TTaskInstance* instance)
{
    if (!instance) return nullptr;
    if (auto* championship = dynamic_cast<TChampionship*>(instance->Owner())) return championship;
    return instance->Template ? dynamic_cast<TChampionship*>(instance->Template->Owner()) : nullptr;
}

std::vector<TCheckElement*> Elements(TTaskInstance* instance, TCheckElementType kind)
{
    std::vector<TCheckElement*> elements;
    if (!instance) return elements;
    for (TCheckElement* e = instance->FirstCheckElement(kind); e; e = instance->NextCheckElement(kind))
        elements.push_back(e);
    return elements;
}

QStringList ElementNames(TTaskInstance* instance, TCheckElementType kind)
{
    QStringList names;
    for (const TCheckElement* e : Elements(instance, kind)) names << ToQt(e->Name);
    return names;
}

QStringList WaypointCodes(TChampionship* championship)
{
    QStringList codes;
    if (!championship) return codes;
    TWayPointSet& set = championship->WayPoints;
    set.First();
    for (const TWayPoint* w = set.Next(); w; w = set.Next()) codes << ToQt(w->Code);
    return codes;
}

// The legs of one kind as courses: each course from a leg that no other leg
// leads to, on along the legs that start where the last one ended; a closed
// course starts with its first leg in name order.
QStringList ChainOrder(TTaskInstance* instance, TCheckElementType kind)
{
    std::vector<const TLeg*> pool;
    for (TCheckElement* e : Elements(instance, kind)) pool.push_back(static_cast<const TLeg*>(e));
    QStringList names;
    while (!pool.empty()) {
        auto preceded = [&pool](const TLeg* leg) {
            return std::any_of(pool.begin(), pool.end(), [leg](const TLeg* other) {
                return other != leg && other->To->Name == leg->From->Name;
            });
        };
        auto start = std::find_if_not(pool.begin(), pool.end(), preceded);
        if (start == pool.end()) start = pool.begin();
        const TLeg* last = *start;
        pool.erase(start);
        names << ToQt(last->Name);
        for (;;) {
            auto next = std::find_if(pool.begin(), pool.end(),
                                     [last](const TLeg* leg) { return leg->From->Name == last->To->Name; });
            if (next == pool.end()) break;
            last = *next;
            pool.erase(next);
            names << ToQt(last->Name);
        }
    }
    return names;
}

// The selected legs of a leg list go, except those a gate stands on; an item
// that names no leg (a start still waiting for its end) goes too.
void RemoveSelectedLegs(TTaskInstance* instance, QListWidget* list, TCheckElementType kind)
{
    for (QListWidgetItem* item : SelectedItems(list)) {
        const std::string name = FromQt(item->text());
        if (instance->RemoveCheckElement(kind, name) || !instance->GetCheckElement(kind, name))
            delete item;
        else
            ShowWarning(QStringLiteral("Can't delete <") + item->text() + QStringLiteral(">."));
    }
}

// ------------------------------------------------------------ number edits

// What a number edit does with a text that does not read as a number.
enum class TEmptyText {
    SpringBack, // every bad text, also an empty one, gets the last good text back
    Keep,       // an empty text stays (the value too)
    Ignore,     // an empty text is not read at all
};

struct TNumberEdit {
    QLineEdit* Edit = nullptr;
    QString Remembered;
    double Value = 0.0;
    TEmptyText Empty = TEmptyText::SpringBack;
    // The numbers the field takes.
    double Max = HUGE_VAL;
    // How the championship file writes the number: whole metres and degrees,
    // a percentage to two decimals.
    const char* Pattern = "0";

    // Silently for text that is no number: a half-typed number is no reason
    // for a message box. A number out of the field's range is one: it would
    // be stored changed ("400" degrees as 40) or make a place that is none.
    void Read()
    {
        const QString text = Edit->text();
        if (text.isEmpty() && Empty != TEmptyText::SpringBack) return;
        double number = 0.0;
        // "nan" and "inf" read as numbers but give no place and no circle.
        const bool isNumber = ParseDouble(FromQt(text), number) && std::isfinite(number);
        const bool inRange = isNumber && number >= 0.0 && number <= Max;
        if (inRange) {
            // Taken as the file gives it back, rounded as its writer rounds,
            // so that what is shown and analysed is what is saved.
            ParseDouble(FormatNumber(Pattern, number), Value);
            Remembered = text;
        } else if (!text.isEmpty() || Empty == TEmptyText::SpringBack) {
            // The remembered text is the one the value was read from.
            {
                const QSignalBlocker block(Edit);
                Edit->setText(Remembered);
            }
            if (isNumber)
                ShowWarning(TDialogForm::OutOfRange(
                    Edit, std::isinf(Max) ? QStringLiteral("0 or more")
                                          : QStringLiteral("from 0 to ") + QString::number(Max)));
        }
    }

    // The number taken, shown in the field (at the end of an edit, and when
    // an element is built from it) in place of one the file cannot keep.
    double Taken()
    {
        double shown = 0.0;
        if (!Edit->text().isEmpty() && (!ParseDouble(FromQt(Edit->text()), shown) || shown != Value))
            Edit->setText(ToQt(FormatNumber(Pattern, Value)));
        return Value;
    }
};

// ------------------------------------------------------------ building

QPushButton* Button(const QString& name, const QString& caption)
{
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    return button;
}

QListWidget* List(const QString& name, QAbstractItemView::SelectionMode mode)
{
    auto* list = new QListWidget;
    list->setObjectName(name);
    list->setSelectionMode(mode);
    return list;
}

QLineEdit* Edit(const QString& name, const QString& text = {})
{
    auto* edit = new QLineEdit(text);
    edit->setObjectName(name);
    return edit;
}

QComboBox* DropDownList(const QString& name)
{
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    combo->setMinimumWidth(120);
    return combo;
}

QVBoxLayout* Captioned(const QString& caption, QWidget* widget)
{
    auto* column = new QVBoxLayout;
    column->addWidget(new QLabel(caption));
    column->addWidget(widget);
    return column;
}

// Two lists side by side with ">" and "<" between them.
QHBoxLayout* TransferRow(const QString& leftCaption, QListWidget* left, QPushButton* add, QPushButton* remove,
                         const QString& rightCaption, QListWidget* right)
{
    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {add, remove}) {
        button->setFixedWidth(32);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    auto* row = new QHBoxLayout;
    row->addLayout(Captioned(leftCaption, left));
    row->addLayout(buttons);
    row->addLayout(Captioned(rightCaption, right));
    return row;
}

void AddField(QGridLayout* grid, int row, const QString& caption, QWidget* field)
{
    grid->addWidget(FieldLabel(caption, field), row, 0);
    grid->addWidget(field, row, 1);
}

QLineEdit* ReadOnly(QLineEdit* edit)
{
    edit->setReadOnly(true);
    return edit;
}

} // namespace

// ------------------------------------------------------------ the form

struct TDefineTaskInstance::TPrivate {
    TChampionship* Championship = nullptr;
    int PendingLegItem = -1;
    int PendingArcItem = -1;
    int ArcClicks = 0;
    bool ChangeLock = false;
    std::string ArcNames[3];
    TNumberEdit TurnPointRadius;
    TNumberEdit LegRadius;
    TNumberEdit ArcLegRadius;
    TNumberEdit GateRadius;
    TNumberEdit GateBearing;
    TNumberEdit GateLegPercent;
    TWayPoint* GateWayPoint = nullptr;
    TWayPoint* BearingWayPoint = nullptr;
    TZone* CurrentZone = nullptr;

    QTabWidget* Pages = nullptr;
    QWidget* TabTurnPoint = nullptr;
    QWidget* TabLeg = nullptr;
    QWidget* TabArc = nullptr;
    QWidget* TabGate = nullptr;
    QWidget* TabZone = nullptr;

    QListWidget* WaypointList = nullptr;
    QListWidget* TurnPointList = nullptr;

    QListWidget* LegTurnPointList = nullptr;
    QListWidget* LegList = nullptr;
    QLineEdit* LegLength = nullptr;
    QLineEdit* LegBearing = nullptr;

    QListWidget* ArcLegTurnPointList = nullptr;
    QListWidget* ArcLegList = nullptr;
    QLineEdit* ArcLegLength = nullptr;

    QListWidget* GateList = nullptr;
    QComboBox* GateWaypoint = nullptr;
    QComboBox* GateWaypointBearing = nullptr;
    QComboBox* GateLeg = nullptr;

    QListWidget* ZoneWaypointList = nullptr;
    QListWidget* ZoneShape = nullptr;
    QListWidget* ZoneList = nullptr;
    QLineEdit* ZoneName = nullptr;

    // Writes a text into an edit as the program, not the user, does it.
    void WriteLocked(QLineEdit* edit, const QString& text)
    {
        struct TLock {
            bool& Flag;
            explicit TLock(bool& flag) : Flag(flag) { Flag = true; }
            ~TLock() { Flag = false; }
        } lock(ChangeLock);
        edit->setText(text);
    }

    TTurnPoint* TurnPoint(TTaskInstance* instance, const QString& name) const
    {
        return static_cast<TTurnPoint*>(instance->GetCheckElement(ceTurnPoint, FromQt(name)));
    }

    // The turn point chosen in a single-selection list; null without one.
    TTurnPoint* ChosenTurnPoint(TTaskInstance* instance, QListWidget* list) const
    {
        const QList<QListWidgetItem*> chosen = list->selectedItems();
        return chosen.isEmpty() ? nullptr : TurnPoint(instance, chosen.first()->text());
    }
};

TDefineTaskInstance::TDefineTaskInstance(QWidget* parent) : TDialogForm(parent), d(new TPrivate)
{
    setObjectName(QStringLiteral("DefineTaskInstance"));
    setWindowTitle(QStringLiteral("Define Task"));
    const auto multi = QAbstractItemView::ExtendedSelection;
    const auto single = QAbstractItemView::SingleSelection;

    d->Pages = new QTabWidget;
    d->Pages->setObjectName(QStringLiteral("Pages"));
    auto page = [this](QWidget*& tab, const QString& name, const QString& caption) {
        tab = new QWidget;
        tab->setObjectName(name);
        d->Pages->addTab(tab, caption);
        return new QVBoxLayout(tab);
    };

    // Turn points.
    QVBoxLayout* column = page(d->TabTurnPoint, QStringLiteral("TabTurnPoint"), QStringLiteral("Turn Points"));
    d->WaypointList = List(QStringLiteral("WaypointList"), multi);
    d->TurnPointList = List(QStringLiteral("TurnPointList"), multi);
    QPushButton* addSelected = Button(QStringLiteral("SpeedAddSelected"), QStringLiteral(">"));
    QPushButton* removeSelected = Button(QStringLiteral("SpeedRemoveSelected"), QStringLiteral("<"));
    column->addLayout(TransferRow(QStringLiteral("Available Waypoints"), d->WaypointList, addSelected, removeSelected,
                                  QStringLiteral("Defined Turn Points"), d->TurnPointList));
    d->TurnPointRadius.Edit = Edit(QStringLiteral("TurnPointRadius"), QStringLiteral("200"));
    auto* fields = new QGridLayout;
    AddField(fields, 0, QStringLiteral("Turn Point Radius"), d->TurnPointRadius.Edit);
    fields->setColumnStretch(2, 1);
    column->addLayout(fields);

    // Straight legs.
    column = page(d->TabLeg, QStringLiteral("TabLeg"), QStringLiteral("Legs"));
    d->LegTurnPointList = List(QStringLiteral("LegTurnPointList"), single);
    d->LegList = List(QStringLiteral("LegList"), multi);
    QPushButton* addToLeg = Button(QStringLiteral("SpeedAddTPtoLeg"), QStringLiteral(">"));
    QPushButton* removeLeg = Button(QStringLiteral("SpeedRemoveLeg"), QStringLiteral("<"));
    column->addLayout(TransferRow(QStringLiteral("Available Turn Points"), d->LegTurnPointList, addToLeg, removeLeg,
                                  QStringLiteral("Defined Legs"), d->LegList));
    d->LegRadius.Edit = Edit(QStringLiteral("LegRadius"), QStringLiteral("200"));
    d->LegLength = ReadOnly(Edit(QStringLiteral("LegLength"), QStringLiteral("-")));
    d->LegBearing = ReadOnly(Edit(QStringLiteral("LegBearing"), QStringLiteral("-")));
    fields = new QGridLayout;
    AddField(fields, 0, QStringLiteral("Leg radius"), d->LegRadius.Edit);
    AddField(fields, 1, QStringLiteral("Length"), d->LegLength);
    AddField(fields, 2, QStringLiteral("Bearing"), d->LegBearing);
    fields->setColumnStretch(2, 1);
    column->addLayout(fields);

    // Arc legs.
    column = page(d->TabArc, QStringLiteral("TabArc"), QStringLiteral("Arc Legs"));
    d->ArcLegTurnPointList = List(QStringLiteral("ArcLegTurnPointList"), single);
    d->ArcLegList = List(QStringLiteral("ArcLegList"), multi);
    QPushButton* addToArc = Button(QStringLiteral("SpeedAddTPtoArcLeg"), QStringLiteral(">"));
    QPushButton* removeArc = Button(QStringLiteral("SpeedRemoveArcLeg"), QStringLiteral("<"));
    column->addLayout(TransferRow(QStringLiteral("Available Turn Points"), d->ArcLegTurnPointList, addToArc, removeArc,
                                  QStringLiteral("Defined Arc Legs"), d->ArcLegList));
    d->ArcLegRadius.Edit = Edit(QStringLiteral("ArcLegRadius"), QStringLiteral("250"));
    d->ArcLegLength = ReadOnly(Edit(QStringLiteral("ArcLegLength"), QStringLiteral("-")));
    fields = new QGridLayout;
    AddField(fields, 0, QStringLiteral("Leg radius"), d->ArcLegRadius.Edit);
    AddField(fields, 1, QStringLiteral("Length"), d->ArcLegLength);
    fields->setColumnStretch(2, 1);
    column->addLayout(fields);

    // Gates.
    column = page(d->TabGate, QStringLiteral("TabGate"), QStringLiteral("Gates"));
    d->GateList = List(QStringLiteral("GateList"), multi);
    d->GateWaypoint = DropDownList(QStringLiteral("GateWaypoint"));
    d->GateBearing.Edit = Edit(QStringLiteral("GateBearing"));
    d->GateWaypointBearing = DropDownList(QStringLiteral("GateWaypointBearing"));
    QPushButton* addOnWaypoint = Button(QStringLiteral("AddGateOnWaypoint"), QStringLiteral("Add"));
    d->GateLeg = DropDownList(QStringLiteral("GateLeg"));
    d->GateLegPercent.Edit = Edit(QStringLiteral("GateLegPercent"));
    QPushButton* addOnLeg = Button(QStringLiteral("AddGateOnLeg"), QStringLiteral("Add"));
    d->GateRadius.Edit = Edit(QStringLiteral("GateRadius"), QStringLiteral("200"));
    QPushButton* removeGate = Button(QStringLiteral("RemoveGate"), QStringLiteral("Remove"));
    auto* onWaypoint = new QGroupBox(QStringLiteral("Gate on Waypoint"));
    fields = new QGridLayout(onWaypoint);
    AddField(fields, 0, QStringLiteral("Waypoint"), d->GateWaypoint);
    AddField(fields, 1, QStringLiteral("Bearing"), d->GateBearing.Edit);
    AddField(fields, 2, QStringLiteral("Bearing to"), d->GateWaypointBearing);
    fields->addWidget(addOnWaypoint, 3, 1, Qt::AlignRight);
    auto* onLeg = new QGroupBox(QStringLiteral("Gate on Leg"));
    fields = new QGridLayout(onLeg);
    AddField(fields, 0, QStringLiteral("Leg"), d->GateLeg);
    AddField(fields, 1, QStringLiteral("% length"), d->GateLegPercent.Edit);
    fields->addWidget(addOnLeg, 2, 1, Qt::AlignRight);
    auto* gateColumn = new QVBoxLayout;
    gateColumn->addWidget(onWaypoint);
    gateColumn->addWidget(onLeg);
    fields = new QGridLayout;
    AddField(fields, 0, QStringLiteral("Gate radius"), d->GateRadius.Edit);
    fields->addWidget(removeGate, 0, 2);
    gateColumn->addLayout(fields);
    gateColumn->addStretch();
    auto* gateRow = new QHBoxLayout;
    gateRow->addLayout(Captioned(QStringLiteral("Defined Gates"), d->GateList), 1);
    gateRow->addLayout(gateColumn);
    column->addLayout(gateRow);

    // Zones.
    column = page(d->TabZone, QStringLiteral("TabZone"), QStringLiteral("Zones"));
    d->ZoneWaypointList = List(QStringLiteral("ZoneWaypointList"), single);
    d->ZoneShape = List(QStringLiteral("ZoneShape"), multi);
    d->ZoneList = List(QStringLiteral("ZoneList"), single);
    QPushButton* addToZone = Button(QStringLiteral("SpeedAddWptToZone"), QStringLiteral(">"));
    QPushButton* deleteFromZone = Button(QStringLiteral("SpeedDeleteWptFromZone"), QStringLiteral("<"));
    auto* zoneRow = TransferRow(QStringLiteral("Waypoints"), d->ZoneWaypointList, addToZone, deleteFromZone,
                                QStringLiteral("Zone shape"), d->ZoneShape);
    zoneRow->addLayout(Captioned(QStringLiteral("Defined zones"), d->ZoneList));
    column->addLayout(zoneRow);
    d->ZoneName = Edit(QStringLiteral("ZoneName"));
    auto* zoneType = new QGroupBox(QStringLiteral("Type"));
    zoneType->setObjectName(QStringLiteral("ZoneType"));
    auto* types = new QHBoxLayout(zoneType);
    types->addWidget(new QRadioButton(QStringLiteral("No fly")));
    types->addWidget(new QRadioButton(QStringLiteral("No exit")));
    QPushButton* newZone = Button(QStringLiteral("NewZone"), QStringLiteral("New"));
    auto* zoneButtons = new QHBoxLayout;
    zoneButtons->addWidget(newZone);
    zoneButtons->addWidget(Button(QStringLiteral("DeleteZone"), QStringLiteral("Delete")));
    zoneButtons->addWidget(Button(QStringLiteral("EditZone"), QStringLiteral("Edit")));
    fields = new QGridLayout;
    AddField(fields, 0, QStringLiteral("Zone name"), d->ZoneName);
    fields->addWidget(zoneType, 1, 0, 1, 2);
    fields->addLayout(zoneButtons, 2, 0, 1, 2);
    fields->setColumnStretch(2, 1);
    column->addLayout(fields);

    // Arc legs and zones take no part in the analysis and are not saved.
    d->Pages->setTabVisible(d->Pages->indexOf(d->TabArc), false);
    d->Pages->setTabVisible(d->Pages->indexOf(d->TabZone), false);

    auto* ok = Button(QStringLiteral("OKBtn"), QStringLiteral("OK"));
    ok->setDefault(true);
    auto* cancel = Button(QStringLiteral("CancelBtn"), QStringLiteral("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(Button(QStringLiteral("HelpBtn"), QStringLiteral("&Help")));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(d->Pages);
    layout->addLayout(buttons);
    resize(600, 420);

    d->GateRadius.Empty = TEmptyText::Keep;
    d->GateLegPercent.Empty = TEmptyText::Ignore;
    d->GateBearing.Max = 360.0;
    d->GateLegPercent.Max = 100.0;
    d->GateBearing.Pattern = "000";
    d->GateLegPercent.Pattern = "0.##";

    auto on = [this](auto* sender, auto signal, void (TDefineTaskInstance::*handler)()) {
        connect(sender, signal, this, GuardedSlot([this, handler](auto&&...) { (this->*handler)(); }));
    };
    for (TNumberEdit* number : {&d->TurnPointRadius, &d->LegRadius, &d->ArcLegRadius, &d->GateRadius, &d->GateBearing,
                                &d->GateLegPercent})
        connect(number->Edit, &QLineEdit::editingFinished, this, GuardedSlot([number] { number->Taken(); }));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(d->Pages, &QTabWidget::currentChanged, this, GuardedSlot([this](int index) { PageShow(index); }));
    on(addSelected, &QPushButton::clicked, &TDefineTaskInstance::SpeedAddSelectedClick);
    on(removeSelected, &QPushButton::clicked, &TDefineTaskInstance::SpeedRemoveSelectedClick);
    on(d->TurnPointRadius.Edit, &QLineEdit::textChanged, &TDefineTaskInstance::TurnPointRadiusChange);
    on(addToLeg, &QPushButton::clicked, &TDefineTaskInstance::SpeedAddTPtoLegClick);
    on(removeLeg, &QPushButton::clicked, &TDefineTaskInstance::SpeedRemoveLegClick);
    on(d->LegRadius.Edit, &QLineEdit::textChanged, &TDefineTaskInstance::LegRadiusChange);
    on(d->LegList, &QListWidget::itemSelectionChanged, &TDefineTaskInstance::LegListSelectionChange);
    on(addToArc, &QPushButton::clicked, &TDefineTaskInstance::SpeedAddTPtoArcLegClick);
    on(removeArc, &QPushButton::clicked, &TDefineTaskInstance::SpeedRemoveArcLegClick);
    on(d->ArcLegRadius.Edit, &QLineEdit::textChanged, &TDefineTaskInstance::ArcLegRadiusChange);
    on(d->ArcLegList, &QListWidget::itemSelectionChanged, &TDefineTaskInstance::ArcLegListSelectionChange);
    on(d->GateWaypoint, &QComboBox::currentIndexChanged, &TDefineTaskInstance::GateWaypointChange);
    on(d->GateWaypointBearing, &QComboBox::currentIndexChanged, &TDefineTaskInstance::GateWaypointBearingChange);
    on(d->GateBearing.Edit, &QLineEdit::textChanged, &TDefineTaskInstance::GateBearingChange);
    on(addOnWaypoint, &QPushButton::clicked, &TDefineTaskInstance::AddGateOnWaypointClick);
    on(d->GateRadius.Edit, &QLineEdit::textChanged, &TDefineTaskInstance::GateRadiusChange);
    on(d->GateLegPercent.Edit, &QLineEdit::textChanged, &TDefineTaskInstance::GateLegPercentChange);
    on(addOnLeg, &QPushButton::clicked, &TDefineTaskInstance::AddGateOnLegClick);
    on(removeGate, &QPushButton::clicked, &TDefineTaskInstance::RemoveGateClick);
    on(addToZone, &QPushButton::clicked, &TDefineTaskInstance::SpeedAddWptToZoneClick);
    on(deleteFromZone, &QPushButton::clicked, &TDefineTaskInstance::SpeedDeleteWptFromZoneClick);
    on(newZone, &QPushButton::clicked, &TDefineTaskInstance::NewZoneClick);
    on(d->ZoneName, &QLineEdit::textEdited, &TDefineTaskInstance::ZoneNameChange);
}

TDefineTaskInstance::~TDefineTaskInstance()
{
    delete d;
}

void TDefineTaskInstance::Prepare()
{
    FormActivate();
    PageShow(d->Pages->currentIndex());
}

void TDefineTaskInstance::ScriptField(const QString& name, const QString& value)
{
    if (auto* list = findChild<QListWidget*>(name)) {
        list->clearSelection();
        for (const QString& text : value.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
            if (found.isEmpty()) continue;
            if (list->selectionMode() == QAbstractItemView::SingleSelection) {
                list->setCurrentItem(found.first());
                break;
            }
            found.first()->setSelected(true);
        }
        return;
    }
    if (name == QLatin1String("Pages")) {
        for (int index = 0; index < d->Pages->count(); ++index) {
            const bool named = d->Pages->widget(index)->objectName() == value ||
                               d->Pages->tabText(index).remove(QLatin1Char('&')) == value;
            if (named && d->Pages->isTabVisible(index)) d->Pages->setCurrentIndex(index);
        }
        return;
    }
    TDialogForm::ScriptField(name, value);
}

void TDefineTaskInstance::PageShow(int index)
{
    const QWidget* shown = d->Pages->widget(index);
    if (shown == d->TabTurnPoint)
        TabTurnPointShow();
    else if (shown == d->TabLeg)
        TabLegShow();
    else if (shown == d->TabArc)
        TabArcShow();
    else if (shown == d->TabGate)
        TabGateShow();
    else if (shown == d->TabZone)
        TabZoneShow();
}

void TDefineTaskInstance::FormActivate()
{
    d->Championship = ChampionshipOf(TaskInstance);
    d->GateList->clear();
    d->GateList->addItems(ElementNames(TaskInstance, ceGate));
    d->PendingLegItem = -1;
    ClearPendingArc();
    // Pointers kept from an earlier showing may name objects deleted since.
    d->GateWayPoint = nullptr;
    d->BearingWayPoint = nullptr;
    d->CurrentZone = nullptr;
    for (TNumberEdit* radius : {&d->TurnPointRadius, &d->LegRadius, &d->ArcLegRadius, &d->GateRadius})
        radius->Read();
}

// ------------------------------------------------------------ turn points

void TDefineTaskInstance::TabTurnPointShow()
{
    d->Championship = ChampionshipOf(TaskInstance);
    if (!TaskInstance) return;
    FillSorted(d->TurnPointList, ElementNames(TaskInstance, ceTurnPoint));
    QStringList free;
    for (const QString& code : WaypointCodes(d->Championship))
        if (!TaskInstance->GetCheckElement(ceTurnPoint, FromQt(code))) free << code;
    FillSorted(d->WaypointList, free);
}

void TDefineTaskInstance::SpeedAddSelectedClick()
{
    if (!TaskInstance || !d->Championship) return;
    for (QListWidgetItem* item : SelectedItems(d->WaypointList)) {
        TWayPoint* waypoint = d->Championship->WayPoints.Find(FromQt(item->text()));
        if (!waypoint) continue;
        auto turnPoint = std::make_unique<TTurnPoint>(waypoint, d->TurnPointRadius.Taken());
        if (!TaskInstance->AddTurnPoint(turnPoint.get())) continue;
        turnPoint.release();
        AddSorted(d->TurnPointList, item->text());
        delete item;
    }
}

void TDefineTaskInstance::SpeedRemoveSelectedClick()
{
    if (!TaskInstance) return;
    for (QListWidgetItem* item : SelectedItems(d->TurnPointList)) {
        const std::string name = FromQt(item->text());
        if (TaskInstance->RemoveCheckElement(ceTurnPoint, name)) {
            AddSorted(d->WaypointList, item->text());
            delete item;
        } else if (TaskInstance->GetCheckElement(ceTurnPoint, name)) {
            ShowWarning(QStringLiteral("Turn point <") + item->text() + QStringLiteral("> is being used. Can't delete."));
        }
    }
}

void TDefineTaskInstance::TurnPointRadiusChange()
{
    d->TurnPointRadius.Read();
}

// ------------------------------------------------------------ straight legs

void TDefineTaskInstance::TabLegShow()
{
    d->Championship = ChampionshipOf(TaskInstance);
    if (!TaskInstance) return;
    FillSorted(d->LegTurnPointList, ElementNames(TaskInstance, ceTurnPoint));
    RefillLegList();
}

void TDefineTaskInstance::RefillLegList()
{
    d->LegList->clear();
    d->LegList->addItems(ChainOrder(TaskInstance, ceStraightLeg));
    // The list holds legs only now: a start chosen before is no longer there.
    d->PendingLegItem = -1;
}

void TDefineTaskInstance::SpeedAddTPtoLegClick()
{
    if (!TaskInstance) return;
    TTurnPoint* end = d->ChosenTurnPoint(TaskInstance, d->LegTurnPointList);
    if (!end) return;
    if (d->PendingLegItem < 0) {
        d->LegList->addItem(ToQt(end->Name));
        d->PendingLegItem = d->LegList->count() - 1;
        return;
    }
    TTurnPoint* start = d->TurnPoint(TaskInstance, d->LegList->item(d->PendingLegItem)->text());
    if (start) {
        const std::string name = start->Name + " - " + end->Name;
        auto leg = std::make_unique<TStraightLeg>(start, end, d->LegRadius.Taken(), name.c_str());
        if (TaskInstance->AddStraightLeg(leg.get()))
            leg.release();
        else
            ShowWarning(QStringLiteral("Can't add duplicate leg."));
    }
    RefillLegList();
    LegListSelectionChange();
}

void TDefineTaskInstance::SpeedRemoveLegClick()
{
    if (!TaskInstance) return;
    RemoveSelectedLegs(TaskInstance, d->LegList, ceStraightLeg);
    RefillLegList();
}

void TDefineTaskInstance::LegRadiusChange()
{
    d->LegRadius.Read();
}

void TDefineTaskInstance::LegListSelectionChange()
{
    const QList<QListWidgetItem*> chosen = d->LegList->selectedItems();
    const TCheckElement* element =
        TaskInstance && chosen.size() == 1 ? TaskInstance->GetCheckElement(ceStraightLeg, FromQt(chosen.first()->text()))
                                           : nullptr;
    if (!element) {
        d->LegLength->setText(QStringLiteral("-"));
        d->LegBearing->setText(QStringLiteral("-"));
        return;
    }
    const auto* leg = static_cast<const TStraightLeg*>(element);
    d->LegLength->setText(ToQt(FormatNumber("# ### ##0", leg->Length())));
    d->LegBearing->setText(ToQt(FormatNumber("000", leg->Start.Course(leg->End))));
}

// ------------------------------------------------------------ arc legs

void TDefineTaskInstance::TabArcShow()
{
    d->Championship = ChampionshipOf(TaskInstance);
    if (!TaskInstance) return;
    FillSorted(d->ArcLegTurnPointList, ElementNames(TaskInstance, ceTurnPoint));
    RefillArcLegList();
}

void TDefineTaskInstance::ClearPendingArc()
{
    d->PendingArcItem = -1;
    d->ArcClicks = 0;
    for (std::string& name : d->ArcNames) name.clear();
}

void TDefineTaskInstance::RefillArcLegList()
{
    d->ArcLegList->clear();
    d->ArcLegList->addItems(ChainOrder(TaskInstance, ceArcLeg));
    ClearPendingArc();
}

void TDefineTaskInstance::SpeedAddTPtoArcLegClick()
{
    if (!TaskInstance) return;
    TTurnPoint* chosen = d->ChosenTurnPoint(TaskInstance, d->ArcLegTurnPointList);
    if (!chosen) return;
    if (d->ArcClicks == 0) {
        d->ArcNames[0] = chosen->Name;
        d->ArcLegList->addItem(ToQt(chosen->Name));
        d->PendingArcItem = d->ArcLegList->count() - 1;
        d->ArcClicks = 1;
        return;
    }
    if (d->ArcClicks == 1) {
        d->ArcNames[1] = chosen->Name;
        d->ArcLegList->item(d->PendingArcItem)->setText(ToQt(d->ArcNames[0] + " - " + d->ArcNames[1]));
        d->ArcClicks = 2;
        return;
    }
    d->ArcNames[2] = chosen->Name;
    TTurnPoint* from = d->TurnPoint(TaskInstance, ToQt(d->ArcNames[0]));
    TTurnPoint* mid = d->TurnPoint(TaskInstance, ToQt(d->ArcNames[1]));
    if (from && mid) {
        const std::string name = d->ArcNames[0] + " - " + d->ArcNames[1] + " - " + d->ArcNames[2];
        // Three points that give no arc throw here; the pending item stays,
        // so another third point can be tried.
        auto arc = std::make_unique<TArcLeg>(from, chosen, mid, d->ArcLegRadius.Taken(), name.c_str());
        if (TaskInstance->AddArcLeg(arc.get()))
            arc.release();
        else
            ShowWarning(QStringLiteral("Can't add duplicate leg."));
    }
    RefillArcLegList();
    ArcLegListSelectionChange();
}

void TDefineTaskInstance::SpeedRemoveArcLegClick()
{
    if (!TaskInstance) return;
    RemoveSelectedLegs(TaskInstance, d->ArcLegList, ceArcLeg);
    RefillArcLegList();
}

void TDefineTaskInstance::ArcLegRadiusChange()
{
    d->ArcLegRadius.Read();
}

void TDefineTaskInstance::ArcLegListSelectionChange()
{
    const QList<QListWidgetItem*> chosen = d->ArcLegList->selectedItems();
    const TCheckElement* element =
        TaskInstance && chosen.size() == 1 ? TaskInstance->GetCheckElement(ceArcLeg, FromQt(chosen.first()->text()))
                                           : nullptr;
    d->ArcLegLength->setText(element ? ToQt(FormatNumber("# ### ##0", static_cast<const TArcLeg*>(element)->Length()))
                                     : QStringLiteral("-"));
}

// ------------------------------------------------------------ gates

void TDefineTaskInstance::TabGateShow()
{
    d->Championship = ChampionshipOf(TaskInstance);
    if (!TaskInstance) return;
    const QStringList codes = WaypointCodes(d->Championship);
    FillSorted(d->GateWaypoint, codes);
    FillSorted(d->GateWaypointBearing, codes);
    // The drop-down lists show no choice now, so neither is one kept.
    d->GateWayPoint = nullptr;
    d->BearingWayPoint = nullptr;
    FillSorted(d->GateLeg, ElementNames(TaskInstance, ceStraightLeg) + ElementNames(TaskInstance, ceArcLeg));
    d->GateList->clear();
    d->GateList->addItems(ElementNames(TaskInstance, ceGate));
    d->WriteLocked(d->GateBearing.Edit, QStringLiteral("000"));
    d->WriteLocked(d->GateLegPercent.Edit, QStringLiteral("000"));
}

void TDefineTaskInstance::GateWaypointChange()
{
    const int index = d->GateWaypoint->currentIndex();
    d->GateWayPoint = index < 0 || !d->Championship
                          ? nullptr
                          : d->Championship->WayPoints.Find(FromQt(d->GateWaypoint->itemText(index)));
    GateWaypointBearingChange();
}

void TDefineTaskInstance::GateWaypointBearingChange()
{
    const int index = d->GateWaypointBearing->currentIndex();
    d->BearingWayPoint = index < 0 || !d->Championship
                             ? nullptr
                             : d->Championship->WayPoints.Find(FromQt(d->GateWaypointBearing->itemText(index)));
    if (d->GateWayPoint && d->BearingWayPoint)
        d->WriteLocked(d->GateBearing.Edit,
                       ToQt(FormatNumber("000", d->GateWayPoint->Location.Course(d->BearingWayPoint->Location))));
}

void TDefineTaskInstance::GateBearingChange()
{
    d->GateBearing.Read();
    if (d->ChangeLock || !d->GateWayPoint) return;
    // A typed bearing replaces the one toward a waypoint.
    const QSignalBlocker block(d->GateWaypointBearing);
    d->GateWaypointBearing->setCurrentIndex(-1);
    d->BearingWayPoint = nullptr;
}

namespace {

void AddGate(TTaskInstance* instance, QListWidget* gates, std::unique_ptr<TGate> gate)
{
    if (!instance->AddGate(gate.get())) {
        ShowWarning(QStringLiteral("Duplicate gate."));
        return;
    }
    gates->addItem(ToQt(gate.release()->Name));
}

} // namespace

void TDefineTaskInstance::AddGateOnWaypointClick()
{
    if (!TaskInstance) return;
    if (!d->GateWayPoint) {
        ShowWarning(QStringLiteral("Waypoint not selected."));
        return;
    }
    if (!d->BearingWayPoint && d->GateBearing.Edit->text().isEmpty()) {
        ShowWarning(QStringLiteral("Bearing not selected"));
        return;
    }
    const double radius = d->GateRadius.Taken();
    AddGate(TaskInstance, d->GateList,
            d->BearingWayPoint ? std::make_unique<TGate>(d->GateWayPoint, d->BearingWayPoint, radius)
                               : std::make_unique<TGate>(d->GateWayPoint, d->GateBearing.Taken(), radius));
}

void TDefineTaskInstance::GateRadiusChange()
{
    d->GateRadius.Read();
}

void TDefineTaskInstance::GateLegPercentChange()
{
    d->GateLegPercent.Read();
}

void TDefineTaskInstance::AddGateOnLegClick()
{
    if (!TaskInstance || d->GateLeg->currentIndex() < 0) return;
    const std::string name = FromQt(d->GateLeg->currentText());
    const double percent = d->GateLegPercent.Taken();
    const double radius = d->GateRadius.Taken();
    if (TCheckElement* leg = TaskInstance->GetCheckElement(ceStraightLeg, name))
        AddGate(TaskInstance, d->GateList, std::make_unique<TGate>(static_cast<TStraightLeg*>(leg), percent, radius));
    else if (TCheckElement* arc = TaskInstance->GetCheckElement(ceArcLeg, name))
        AddGate(TaskInstance, d->GateList, std::make_unique<TGate>(static_cast<TArcLeg*>(arc), percent, radius));
}

void TDefineTaskInstance::RemoveGateClick()
{
    if (!TaskInstance) return;
    for (QListWidgetItem* item : SelectedItems(d->GateList)) {
        if (TaskInstance->RemoveCheckElement(ceGate, FromQt(item->text())))
            delete item;
        else
            ShowWarning(QStringLiteral("Can't delete <") + item->text() + QStringLiteral(">."));
    }
}

// ------------------------------------------------------------ zones

void TDefineTaskInstance::TabZoneShow()
{
    d->Championship = ChampionshipOf(TaskInstance);
    if (!TaskInstance) return;
    FillSorted(d->ZoneWaypointList, WaypointCodes(d->Championship));
    FillSorted(d->ZoneList, ElementNames(TaskInstance, ceZone));
}

void TDefineTaskInstance::SpeedAddWptToZoneClick()
{
    const QList<QListWidgetItem*> chosen = d->ZoneWaypointList->selectedItems();
    if (!chosen.isEmpty()) d->ZoneShape->addItem(chosen.first()->text());
}

void TDefineTaskInstance::SpeedDeleteWptFromZoneClick()
{
    for (QListWidgetItem* item : SelectedItems(d->ZoneShape)) delete item;
}

void TDefineTaskInstance::NewZoneClick()
{
    if (!TaskInstance) return;
    auto zone = std::make_unique<TZone>();
    if (!TaskInstance->AddZone(zone.get())) {
        d->CurrentZone = nullptr;
        return;
    }
    d->CurrentZone = zone.release();
    const QString name = ToQt(d->CurrentZone->Name);
    AddSorted(d->ZoneList, name);
    d->ZoneName->setText(name);
}

void TDefineTaskInstance::ZoneNameChange()
{
    if (!TaskInstance || !d->CurrentZone) return;
    // The instance keys its zones by name and gives none back without
    // deleting it: the zone is copied under the new name, and the old one
    // goes only once the copy was taken.
    const std::string name = FromQt(d->ZoneName->text());
    auto renamed = std::make_unique<TZone>(name.c_str());
    static_cast<TBaseZone&>(*renamed) = static_cast<const TBaseZone&>(*d->CurrentZone);
    renamed->Radius = d->CurrentZone->Radius;
    if (!TaskInstance->AddZone(renamed.get())) return;
    const std::string old = d->CurrentZone->Name;
    d->CurrentZone = renamed.release();
    TaskInstance->RemoveCheckElement(ceZone, old);
    RemoveItemWithText(d->ZoneList, ToQt(old));
    AddSorted(d->ZoneList, ToQt(name));
}
