#pragma once
// The four small dialogs: options, about, the splash screen and the choice of
// a flight's track source.

#include <cstdint>

#include "ui/DialogForm.h"

class QCheckBox;
class QLabel;
class QPushButton;

// "Zephyrant options". Nothing in the program reads its two check boxes.
class TOptionDlg : public TDialogForm {
    Q_OBJECT
public:
    explicit TOptionDlg(QWidget* parent = nullptr);

    QCheckBox* OpUseTeams = nullptr;
    QCheckBox* OpSameTask = nullptr;
};

// "About Zephyrant": the version text of the build.
class TAboutBox : public TDialogForm {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    void Prepare() override;

    QLabel* ProgramIcon = nullptr;
    QLabel* Version = nullptr;
};

// "Zephyrant starting...": shown without waiting, stays on top, closed by
// either of its two buttons. It is painted as soon as it is shown, even when
// the program goes on working before its event loop runs again.
class TSplash : public TDialogForm {
    Q_OBJECT
public:
    explicit TSplash(QWidget* parent = nullptr);

    void setVisible(bool visible) override;
    // It was closed (by a button or otherwise) after it was shown.
    bool Closed() const { return FClosed; }

    QLabel* Image = nullptr; // the program's icon
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

private:
    bool FClosed = false;
};

// "Select flight track source": 1 download from the logger (not offered),
// 2 load from a file, 3 the competitor did not fly. The choice is kept
// between uses.
class TSelectTrackSource : public TDialogForm {
    Q_OBJECT
public:
    explicit TSelectTrackSource(QWidget* parent = nullptr);
    // Also "Choice" = 1, 2 or 3: the button of that choice is clicked.
    void ScriptField(const QString& name, const QString& value) override;

    std::uint8_t Choice = 0;
    QPushButton* ButtonDowload = nullptr;
    QPushButton* ButtonLoadFile = nullptr;
    QPushButton* ButtonDidNotFly = nullptr;
};
