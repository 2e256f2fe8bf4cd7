#pragma once
// The define-task dialog ("Define Task"): the turn points, legs and gates of
// one task instance. Every button changes the instance at once; OK and Cancel
// only close the dialog.
//
// The pages for arc legs and zones are built and work, but their tabs are
// hidden: the analysis and the file do not use them yet.

#include "ui/DialogForm.h"

class TTaskInstance;

class TDefineTaskInstance : public TDialogForm {
    Q_OBJECT
public:
    explicit TDefineTaskInstance(QWidget* parent = nullptr);
    ~TDefineTaskInstance() override;

    // Set by the caller before the dialog is run.
    TTaskInstance* TaskInstance = nullptr;

    // FormActivate, then the show handler of the page in front.
    void Prepare() override;
    // Also: a list name with the texts of the items to select, separated by
    // ";" (the selection is replaced; "" selects nothing), and "Pages" with a
    // page's object name or caption to bring a visible page to the front.
    void ScriptField(const QString& name, const QString& value) override;

    // The handlers of the form, its pages and their controls.
    void FormActivate();

    void TabTurnPointShow();
    void SpeedAddSelectedClick();
    void SpeedRemoveSelectedClick();
    void TurnPointRadiusChange();

    void TabLegShow();
    void SpeedAddTPtoLegClick();
    void SpeedRemoveLegClick();
    void LegRadiusChange();
    // After every change of the selection in the leg list (mouse, keys).
    void LegListSelectionChange();

    void TabArcShow();
    void SpeedAddTPtoArcLegClick();
    void SpeedRemoveArcLegClick();
    void ArcLegRadiusChange();
    void ArcLegListSelectionChange();

    void TabGateShow();
    void GateWaypointChange();
    void GateWaypointBearingChange();
    void GateBearingChange();
    void AddGateOnWaypointClick();
    void GateRadiusChange();
    void GateLegPercentChange();
    void AddGateOnLegClick();
    void RemoveGateClick();

    void TabZoneShow();
    void SpeedAddWptToZoneClick();
    void SpeedDeleteWptFromZoneClick();
    void NewZoneClick();
    void ZoneNameChange();

private:
    void PageShow(int index);
    void RefillLegList();
    void RefillArcLegList();
    void ClearPendingArc();

    struct TPrivate;
    TPrivate* d;
};
