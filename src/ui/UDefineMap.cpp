#include "ui/UDefineMap.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <charconv>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "geodesy/Datum.h"
#include "platform/Hooks.h"
#include "platform/Numbers.h"
#include "ui/FormControls.h"
#include "ui/Guard.h"
#include "ui/QtText.h"
#include "ui/Seams.h"
#include "xml/Xmlfile.h"

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

// The scale of a text: a finite number above 0.
std::optional<double> ScaleValue(const QString& text)
{
    double scale = 0.0;
    if (!ParseDouble(FromQt(text), scale) || !std::isfinite(scale) || !(scale > 0.0)) return std::nullopt;
    return scale;
}

// A scale as the organiser writes it: plain digits, no exponent ("100000",
// not "1e+05"), no ".0" after a whole number, decimals as few as the number
// needs ("2.50" is "2.5"). Text that is no scale stays as it is.
QString PlainScale(const QString& text)
{
    const std::optional<double> scale = ScaleValue(text);
    if (!scale) return text;
    char digits[400];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, *scale, std::chars_format::fixed);
    if (end.ec != std::errc()) return text;
    return QString::fromLatin1(digits, end.ptr - digits);
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
        fields->addWidget(FieldLabel(label, field), at, 0);
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
    Ok = AddOkCancelHelp(this, layout);
    resize(440, 330);

    connect(SelectFile, &QPushButton::clicked, this, GuardedSlot([this](bool) { SelectFileClick(); }));
    connect(DatumName, &QComboBox::activated, this, GuardedSlot([this](int) { DatumNameChange(); }));
    connect(DatumName, &QComboBox::currentIndexChanged, this, GuardedSlot([this](int) { UpdateOk(); }));
    connect(DatumRegion, &QComboBox::currentIndexChanged, this, GuardedSlot([this](int) { UpdateOk(); }));
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
    fields.Name = AsElementText(FromQt(Name->text()));
    fields.ShortName = FromQt(ShortName->text()); // an attribute: kept as it is
    fields.Description = AsElementText(FromQt(Description->text()));
    fields.FileName = FileNameFromQt(FileName->text());
    fields.Scale = FromQt(PlainScale(Scale->text()));
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
    UpdateOk();
}

void TDefineMap::Finish()
{
    FDatums.reset();
    UpdateOk();
}

bool TDefineMap::CanAccept() const
{
    // The prompts are no datum: a map on them could never be drawn, and one
    // region standing for several would shift the map without a word.
    if (!FDatums || DatumName->currentIndex() <= 0 || DatumRegion->currentIndex() < 0) return false;
    const std::string region = FromQt(DatumRegion->currentText());
    FDatums->FirstRegion(FromQt(DatumName->currentText()));
    while (const char* known = FDatums->NextRegion())
        if (region == known) return true;
    return false;
}

void TDefineMap::UpdateOk()
{
    Ok->setEnabled(CanAccept());
}

bool TDefineMap::CheckFields()
{
    if (!TDialogForm::CheckFields()) return false;
    if (Scale->text().isEmpty() || ScaleValue(Scale->text())) return true;
    Refuse(Scale, OutOfRange(Scale, QStringLiteral("a number above 0")));
    return false;
}

TKeptAs TDefineMap::KeptAs(const QLineEdit* edit) const
{
    return edit == FileName ? TKeptAs::FileName : TKeptAs::Text;
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
    // The map's bitmap is read from the championship's folder joined with
    // File: the chooser opens there, and a bitmap from another folder is
    // named relative to it ("maps/overview.bmp").
    const QString folder = Folder.isEmpty() ? PathToQt(Platform::WorkingFolder()) : Folder;
    const TFileRequest request{TFileMode::Open,
                               QStringLiteral("Select map"),
                               FilterToQt(QStringLiteral("Bitmap files (*.bmp)|*.bmp")),
                               QStringLiteral("bmp"),
                               folder,
                               {}};
    const std::optional<QString> path = ChooseFile(request);
    if (!path) return;
    const QString name = RelativeFileName(folder, *path);
    const QString refusal = TextRefusal(FieldName(FileName), name, TKeptAs::FileName);
    if (!refusal.isEmpty()) {
        ShowWarning(refusal + QStringLiteral(" Rename the file or its folder and select it again."));
        return;
    }
    FileName->setText(name);
}

void TDefineMap::ScaleChange(bool typing)
{
    const QString text = Scale->text();
    if (text.isEmpty()) return;
    double scale = 0.0;
    // "nan" and "inf" read as numbers but are no scale.
    if (!ParseDouble(FromQt(text), scale) || !std::isfinite(scale)) {
        if (!typing) return; // the message came with the keystroke
        throw std::invalid_argument(("'" + text + "' is not a valid floating point value").toLocal8Bit().toStdString());
    }
    // "0" may become "0.5" and "-" a typing slip: only a scale is rewritten,
    // and OK refuses what is none.
    if (!(scale > 0.0)) return;
    // A decimal point or a zero after it may be the start of more digits:
    // rewriting "2." as "2" would turn the "2.5" being typed into "25".
    const bool unfinished = text.contains(QLatin1Char('.')) &&
                            (text.endsWith(QLatin1Char('.')) || text.endsWith(QLatin1Char('0')));
    if (typing && unfinished) return;
    const QString plain = PlainScale(text);
    if (plain != text) Scale->setText(plain);
}
