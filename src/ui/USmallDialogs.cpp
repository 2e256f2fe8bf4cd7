#include "ui/USmallDialogs.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

#include "ui/Program.h"
#include "ui/QtText.h"
#include "ui/Uversion.h"

namespace {

QPushButton* AddButton(QBoxLayout* row, const QString& name, const QString& caption)
{
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    row->addWidget(button);
    return button;
}

QPlainTextEdit* Memo(const QString& text)
{
    auto* memo = new QPlainTextEdit(text);
    memo->setReadOnly(true);
    memo->setFixedHeight(56);
    return memo;
}

} // namespace

// ---------------------------------------------------------------- options

TOptionDlg::TOptionDlg(QWidget* parent) : TDialogForm(parent)
{
    setObjectName(QStringLiteral("OptionDlg"));
    setWindowTitle(QStringLiteral("Zephyrant options"));
    auto* pages = new QTabWidget;
    pages->setObjectName(QStringLiteral("PageControl1"));
    auto* general = new QWidget;
    general->setObjectName(QStringLiteral("OpGeneral"));
    auto* column = new QVBoxLayout(general);
    OpUseTeams = new QCheckBox(QStringLiteral("Use Teams"));
    OpUseTeams->setObjectName(QStringLiteral("OpUseTeams"));
    OpUseTeams->setChecked(true);
    OpUseTeams->setToolTip(QStringLiteral("Check this option when competitors are grouped in teams"));
    OpSameTask = new QCheckBox(QStringLiteral("Same task for all classes"));
    OpSameTask->setObjectName(QStringLiteral("OpSameTask"));
    OpSameTask->setToolTip(
        QStringLiteral("Check this when all competitors in all classes will be performing the same task at the same time"));
    column->addWidget(OpUseTeams);
    column->addWidget(OpSameTask);
    column->addStretch();
    pages->addTab(general, QStringLiteral("General"));
    pages->addTab(new QWidget, QStringLiteral("TabSheet2"));
    pages->addTab(new QWidget, QStringLiteral("TabSheet3"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    QPushButton* save = AddButton(buttons, QStringLiteral("SaveBtn"), QStringLiteral("&Save"));
    QPushButton* reset = AddButton(buttons, QStringLiteral("ResetBtn"), QStringLiteral("&Reset"));
    QPushButton* cancel = AddButton(buttons, QStringLiteral("CancelBtn"), QStringLiteral("&Cancel"));
    save->setDefault(true);
    connect(save, &QPushButton::clicked, this, &QDialog::accept);
    connect(reset, &QPushButton::clicked, this, &QDialog::reject);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addLayout(buttons);
}

// ---------------------------------------------------------------- about

TAboutBox::TAboutBox(QWidget* parent) : TDialogForm(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Zephyrant"));
    ProgramIcon = new QLabel;
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(::ProgramIcon().pixmap(64, 64));
    auto* product = new QLabel(QStringLiteral("Zephyrant"));
    product->setObjectName(QStringLiteral("ProductName"));
    QFont big = product->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    product->setFont(big);
    Version = new QLabel;
    Version->setObjectName(QStringLiteral("Version"));
    auto* title = new QLabel(QStringLiteral("Microlight championship management and flight analysis"));

    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* head = new QHBoxLayout;
    head->addWidget(ProgramIcon);
    auto* names = new QVBoxLayout;
    names->addWidget(product);
    names->addWidget(Version);
    names->addWidget(title);
    head->addLayout(names);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(new QLabel(QStringLiteral("Acknowledgements:")));
    layout->addWidget(Memo(QStringLiteral("Thin plate spline interpolation after the Magic Software "
                                          "library. Datum parameters from public geodetic tables. "
                                          "KMZ packing with zlib and minizip.")));
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    layout->addLayout(row);
}

void TAboutBox::Prepare()
{
    Version->setText(QStringLiteral("Version ") + ToQt(GetFileVersionString()));
}

// ---------------------------------------------------------------- splash

TSplash::TSplash(QWidget* parent) : TDialogForm(parent)
{
    setObjectName(QStringLiteral("Splash"));
    setWindowTitle(QStringLiteral("Zephyrant starting..."));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(false);
    auto* product = new QLabel(QStringLiteral("Zephyrant"));
    QFont big = product->font();
    big.setPointSize(big.pointSize() + 10);
    big.setBold(true);
    product->setFont(big);
    auto* title = new QLabel(QStringLiteral("Microlight flying championships: flight analysis and results"));
    Image = new QLabel;
    Image->setObjectName(QStringLiteral("Image"));
    Image->setPixmap(ProgramIcon().pixmap(96, 96));
    auto* names = new QVBoxLayout;
    names->addWidget(product);
    names->addWidget(title);
    names->addStretch();
    auto* head = new QHBoxLayout;
    head->addWidget(Image);
    head->addLayout(names, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(Memo(QString::fromUtf8("Este programa es de libre uso y distribución.\n"
                                             "Se permite copiarlo sin modificaciones.")));
    layout->addWidget(Memo(QStringLiteral("This program may be used and distributed freely.\n"
                                          "It may be copied without modifications.")));
    layout->addWidget(Memo(QStringLiteral("Thanks to the organisers, pilots and navigators who tried it.")));
    auto* row = new QHBoxLayout;
    row->addStretch();
    Button1 = AddButton(row, QStringLiteral("Button1"), QStringLiteral("Thanks!"));
    Button2 = AddButton(row, QStringLiteral("Button2"), QString::fromUtf8("¡Gracias!"));
    layout->addLayout(row);
    connect(Button1, &QPushButton::clicked, this, &QWidget::close);
    connect(Button2, &QPushButton::clicked, this, &QWidget::close);
}

void TSplash::setVisible(bool visible)
{
    if (!visible && isVisible()) FClosed = true;
    TDialogForm::setVisible(visible);
    if (!visible) return;
    // An unpainted window is a black box on the screen: the splash waits
    // (a second at most) until the window system shows it, then paints
    // itself at once. Nothing the user does is taken meanwhile.
    QWindow* window = windowHandle();
    QElapsedTimer waited;
    waited.start();
    while (window && !window->isExposed() && waited.elapsed() < 1000) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        QThread::msleep(5);
    }
    repaint();
}

// ---------------------------------------------------------------- track source

TSelectTrackSource::TSelectTrackSource(QWidget* parent) : TDialogForm(parent)
{
    setObjectName(QStringLiteral("SelectTrackSource"));
    setWindowTitle(QStringLiteral("Select flight track source"));
    auto* layout = new QVBoxLayout(this);
    auto* choices = new QVBoxLayout;
    ButtonDowload = AddButton(choices, QStringLiteral("ButtonDowload"), QStringLiteral("Download track from LOGGER"));
    ButtonLoadFile = AddButton(choices, QStringLiteral("ButtonLoadFile"), QStringLiteral("Load track from FILE"));
    ButtonDidNotFly = AddButton(choices, QStringLiteral("ButtonDidNotFly"), QStringLiteral("Competitor DID NOT FLY"));
    ButtonDowload->setEnabled(false);
    layout->addLayout(choices);
    auto* row = new QHBoxLayout;
    row->addStretch();
    QPushButton* cancel = AddButton(row, QStringLiteral("CancelBtn"), QStringLiteral("Cancel"));
    AddButton(row, QStringLiteral("HelpBtn"), QStringLiteral("&Help"));
    layout->addLayout(row);

    auto choose = [this](std::uint8_t choice) {
        return [this, choice] {
            Choice = choice;
            accept();
        };
    };
    connect(ButtonDowload, &QPushButton::clicked, this, choose(1));
    connect(ButtonLoadFile, &QPushButton::clicked, this, choose(2));
    connect(ButtonDidNotFly, &QPushButton::clicked, this, choose(3));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TSelectTrackSource::ScriptField(const QString& name, const QString& value)
{
    if (name == QLatin1String("Choice")) {
        QPushButton* buttons[] = {ButtonDowload, ButtonLoadFile, ButtonDidNotFly};
        const int choice = value.toInt();
        if (choice >= 1 && choice <= 3 && buttons[choice - 1]->isEnabled()) buttons[choice - 1]->click();
        return;
    }
    TDialogForm::ScriptField(name, value);
}
