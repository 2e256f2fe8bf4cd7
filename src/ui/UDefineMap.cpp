#include "ui/UDefineMap.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "geodesy/Datum.h"
#include "platform/Hooks.h"
#include "platform/Numbers.h"
#include "ui/FormControls.h"
#include "ui/Guard.h"
#include "ui/QtText.h"
#include "ui/Seams.h"

namespace {

QComboBox* List(const QString& name)
{
    auto* list = new QComboBox;
    list->setObjectName(name);
    list->setMaxVisibleItems(10);
    // Some regions of use are long lists of countries: the field keeps its
    // width and the open list shows them whole.
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(24);
    return list;
}

// The open list as wide as its longest item.
void FitPopup(QComboBox* list)
{
    list->view()->setMinimumWidth(list->view()->sizeHintForColumn(0) + 24);
}

// The item with exactly that text becomes the choice; none when there is no
// such item.
void Choose(QComboBox* list, const std::string& text)
{
    list->setCurrentIndex(list->findText(ToQt(text)));
}

} // namespace

TDefineMap::TDefineMap(QWidget* parent) : TDialogForm(parent)
{
    setObjectName(QStringLiteral("DefineMap"));
    setWindowTitle(QStringLiteral("Map definition"));

    Name = NamedEdit(QStringLiteral("Name"));
    ShortName = NamedEdit(QStringLiteral("ShortName"));
    Description = NamedEdit(QStringLiteral("Description"));
    FileName = NamedEdit(QStringLiteral("FileName"));
    SelectFile = new QPushButton(QStringLiteral("Select"));
    SelectFile->setObjectName(QStringLiteral("SelectFile"));
    Scale = NamedEdit(QStringLiteral("Scale"));
    DatumName = List(QStringLiteral("DatumName"));
    DatumRegion = List(QStringLiteral("DatumRegion"));
    Projection = List(QStringLiteral("Projection"));
    Projection->addItems({QStringLiteral("Unknown"), QStringLiteral("UTM"), QStringLiteral("Lambert conformal")});
    Projection->setCurrentIndex(-1);

    auto* fields = new QGridLayout;
    auto row = [fields](const QString& label, QWidget* field, QWidget* extra = nullptr) {
        const int at = fields->rowCount();
        fields->addWidget(new QLabel(label), at, 0);
        fields->addWidget(field, at, 1, 1, extra ? 1 : 2);
        if (extra) fields->addWidget(extra, at, 2);
    };
    row(QStringLiteral("Map name"), Name);
    row(QStringLiteral("Short Name"), ShortName);
    row(QStringLiteral("Description"), Description);
    row(QStringLiteral("File"), FileName, SelectFile);
    row(QStringLiteral("Scale 1/"), Scale);
    row(QStringLiteral("Projection"), Projection);

    QGroupBox* datum = NamedGroup(QStringLiteral("Datum"), QStringLiteral("Datum"));
    auto* lists = new QGridLayout(datum);
    AddLabelled(lists, 0, 0, QStringLiteral("Name"), DatumName);
    AddLabelled(lists, 1, 0, QStringLiteral("Region"), DatumRegion);
    lists->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(datum);
    AddOkCancelHelp(this, layout);
    resize(440, 330);

    connect(SelectFile, &QPushButton::clicked, this, GuardedSlot([this](bool) { SelectFileClick(); }));
    connect(DatumName, &QComboBox::activated, this, GuardedSlot([this](int) { DatumNameChange(); }));
    connect(Scale, &QLineEdit::textEdited, this, GuardedSlot([this](const QString&) { ScaleChange(true); }));
    connect(Scale, &QLineEdit::editingFinished, this, GuardedSlot([this] { ScaleChange(false); }));
}

TDefineMap::~TDefineMap()
{
    // Destroying the children moves the focus out of the scale field, whose
    // editingFinished must not reach a dialog that is half gone.
    Scale->disconnect(this);
}

void TDefineMap::SetFields(const TMapFields& fields)
{
    Name->setText(ToQt(fields.Name));
    ShortName->setText(ToQt(fields.ShortName));
    Description->setText(ToQt(fields.Description));
    FileName->setText(FileNameToQt(fields.FileName));
    Scale->setText(ToQt(fields.Scale));
    FDatumName = fields.DatumName;
    FRegion = fields.DatumRegion;
    FProjection = fields.Projection;
}

TMapFields TDefineMap::Fields() const
{
    TMapFields fields;
    fields.Name = FromQt(Name->text());
    fields.ShortName = FromQt(ShortName->text());
    fields.Description = FromQt(Description->text());
    fields.FileName = FileNameFromQt(FileName->text());
    fields.Scale = FromQt(Scale->text());
    fields.DatumName = FromQt(DatumName->currentText());
    fields.DatumRegion = FromQt(DatumRegion->currentText());
    fields.Projection = FromQt(Projection->currentText());
    return fields;
}

void TDefineMap::Prepare()
{
    FDatums = std::make_unique<TDatumSet>(Platform::ProgramFolder() + "/Datums.xml");
    QStringList names;
    FDatums->FirstDatum();
    while (const char* name = FDatums->NextDatum()) names.append(ToQt(name));
    names.sort(Qt::CaseInsensitive);
    DatumName->clear();
    DatumName->addItem(QStringLiteral("(Select datum name)"));
    DatumName->addItems(names);
    FitPopup(DatumName);
    Choose(DatumName, FDatumName);
    DatumNameChange();
    Choose(Projection, FProjection);
}

void TDefineMap::Finish()
{
    FDatums.reset();
}

void TDefineMap::DatumNameChange()
{
    QStringList regions;
    if (FDatums) {
        FDatums->FirstRegion(FromQt(DatumName->currentText()));
        while (const char* region = FDatums->NextRegion()) regions.append(ToQt(region));
    }
    regions.sort(Qt::CaseInsensitive);
    DatumRegion->clear();
    DatumRegion->addItems(regions);
    FitPopup(DatumRegion);
    Choose(DatumRegion, FRegion);
    if (DatumRegion->currentIndex() >= 0) return;
    if (regions.size() > 1) DatumRegion->insertItem(0, QStringLiteral("(Select region of use)"));
    DatumRegion->setCurrentIndex(DatumRegion->count() > 0 ? 0 : -1);
}

void TDefineMap::SelectFileClick()
{
    // The map's bitmap is looked for in the championship's folder: the
    // chooser opens there, and only the bare name is kept.
    const TFileRequest request{TFileMode::Open,
                               QStringLiteral("Select map"),
                               FilterToQt(QStringLiteral("Bitmap files (*.bmp)|*.bmp")),
                               QStringLiteral("bmp"),
                               PathToQt(Platform::WorkingFolder()),
                               {}};
    if (const std::optional<QString> path = ChooseFile(request)) FileName->setText(QFileInfo(*path).fileName());
}

void TDefineMap::ScaleChange(bool typing)
{
    const QString text = Scale->text();
    if (text.isEmpty()) return;
    double scale = 0.0;
    if (!ParseDouble(FromQt(text), scale)) {
        if (!typing) return; // the message came with the keystroke
        throw std::invalid_argument(("'" + text + "' is not a valid floating point value").toLocal8Bit().toStdString());
    }
    // A decimal point or a zero after it may be the start of more digits:
    // rewriting "2." as "2" would turn the "2.5" being typed into "25".
    const bool unfinished = text.contains(QLatin1Char('.')) &&
                            (text.endsWith(QLatin1Char('.')) || text.endsWith(QLatin1Char('0')));
    if (typing && unfinished) return;
    const QString general = ToQt(FormatShortest(scale));
    if (general != text) Scale->setText(general);
}
