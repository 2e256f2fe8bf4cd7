#include "ui/Program.h"

#include <QApplication>

#include "platform/Files.h"

#include "ui/UDefineGeoref.h"
#include "ui/UDefineMap.h"
#include "ui/UDefineTaskInstance.h"
#include "ui/UDefineTaskNumber.h"
#include "ui/UDefineWayPoint.h"
#include "ui/USmallDialogs.h"
#include "ui/UZephyrant.h"
#include "ui/Userinterface.h"

TZephyrant* Zephyrant = nullptr;
TOptionDlg* OptionDlg = nullptr;
TAboutBox* AboutBox = nullptr;
TDefineWayPoint* DefineWayPoint = nullptr;
TDefineGeoref* DefineGeoref = nullptr;
TDefineTaskNumber* DefineTaskNumber = nullptr;
TSelectTrackSource* SelectTrackSource = nullptr;
TDefineMap* DefineMap = nullptr;
TDefineTaskInstance* DefineTaskInstance = nullptr;
TSplash* Splash = nullptr;

QIcon ProgramIcon()
{
    // The resource lives in a static library: this call keeps it linked.
    Q_INIT_RESOURCE(zephyrant);
    return QIcon(QStringLiteral(":/icons/zephyrant.png"));
}

TProgram::TProgram(const QStringList& arguments, bool showSplash)
{
    // A save beyond the file-size limit is then told as any failed write,
    // the old file kept, rather than ending the program with all its
    // unsaved work.
    FailWritesBeyondTheFileSizeLimit();
    // Every window made from here on shows it.
    QApplication::setWindowIcon(ProgramIcon());
    FMain = std::make_unique<TZephyrant>(arguments);
    Zephyrant = FMain.get();
    FOptions = std::make_unique<TOptionDlg>();
    OptionDlg = FOptions.get();
    FAbout = std::make_unique<TAboutBox>();
    AboutBox = FAbout.get();
    FDefineWayPoint = std::make_unique<TDefineWayPoint>();
    DefineWayPoint = FDefineWayPoint.get();
    FDefineGeoref = std::make_unique<TDefineGeoref>();
    DefineGeoref = FDefineGeoref.get();
    FDefineTaskNumber = std::make_unique<TDefineTaskNumber>();
    DefineTaskNumber = FDefineTaskNumber.get();
    FSelectTrackSource = std::make_unique<TSelectTrackSource>();
    SelectTrackSource = FSelectTrackSource.get();
    FDefineMap = std::make_unique<TDefineMap>();
    DefineMap = FDefineMap.get();
    FDefineTaskInstance = std::make_unique<TDefineTaskInstance>();
    DefineTaskInstance = FDefineTaskInstance.get();
    FSplash = std::make_unique<TSplash>();
    Splash = FSplash.get();
    if (showSplash) Splash->show();
}

TProgram::~TProgram()
{
    Splash = nullptr;
    DefineTaskInstance = nullptr;
    DefineMap = nullptr;
    SelectTrackSource = nullptr;
    DefineTaskNumber = nullptr;
    DefineGeoref = nullptr;
    DefineWayPoint = nullptr;
    AboutBox = nullptr;
    OptionDlg = nullptr;
    Zephyrant = nullptr;
    FSplash.reset();
    FDefineTaskInstance.reset();
    FDefineMap.reset();
    FSelectTrackSource.reset();
    FDefineTaskNumber.reset();
    FDefineGeoref.reset();
    FDefineWayPoint.reset();
    FAbout.reset();
    FOptions.reset();
    FMain.reset();
    // What the window left open goes with it.
    UserInterface.Reset();
}
