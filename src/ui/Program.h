#pragma once
// The program's windows, made in their start-up order: the main window, then
// the dialogs (options, about, define waypoint, define map reference, define
// task number, select track source, define map, define task instance) and
// the splash screen. The dialogs live for the whole run and are reached by
// their global names.

#include <QIcon>
#include <QStringList>
#include <memory>

class TZephyrant;
class TOptionDlg;
class TAboutBox;
class TDefineWayPoint;
class TDefineGeoref;
class TDefineTaskNumber;
class TSelectTrackSource;
class TDefineMap;
class TDefineTaskInstance;
class TSplash;

extern TZephyrant* Zephyrant;
extern TOptionDlg* OptionDlg;
extern TAboutBox* AboutBox;
extern TDefineWayPoint* DefineWayPoint;
extern TDefineGeoref* DefineGeoref;
extern TDefineTaskNumber* DefineTaskNumber;
extern TSelectTrackSource* SelectTrackSource;
extern TDefineMap* DefineMap;
extern TDefineTaskInstance* DefineTaskInstance;
extern TSplash* Splash;

// The program's icon: the window's, the splash screen's picture and the
// about box's.
QIcon ProgramIcon();

class TProgram {
public:
    // `arguments` without the program's own name. With `showSplash` the
    // splash screen is on the screen from its creation.
    explicit TProgram(const QStringList& arguments, bool showSplash = false);
    ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    TZephyrant& MainWindow() { return *FMain; }

private:
    std::unique_ptr<TZephyrant> FMain;
    std::unique_ptr<TOptionDlg> FOptions;
    std::unique_ptr<TAboutBox> FAbout;
    std::unique_ptr<TDefineWayPoint> FDefineWayPoint;
    std::unique_ptr<TDefineGeoref> FDefineGeoref;
    std::unique_ptr<TDefineTaskNumber> FDefineTaskNumber;
    std::unique_ptr<TSelectTrackSource> FSelectTrackSource;
    std::unique_ptr<TDefineMap> FDefineMap;
    std::unique_ptr<TDefineTaskInstance> FDefineTaskInstance;
    std::unique_ptr<TSplash> FSplash;
};
