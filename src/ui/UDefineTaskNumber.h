#pragma once
// The define-task-number dialog ("Define Task Number"): for a new task number
// of one class, its number ("01" to "99") and the task instance it uses,
// chosen as a task template and one of its versions. OK is possible only
// with both chosen.

#include <string>

#include "ui/DialogForm.h"

class TCClass;
class TChampionship;
class TTaskInstance;
class TTaskTemplate;

class TDefineTaskNumber : public TDialogForm {
    Q_OBJECT
public:
    explicit TDefineTaskNumber(QWidget* parent = nullptr);
    ~TDefineTaskNumber() override;

    // Set by the caller before the dialog is run.
    TChampionship* Championship = nullptr;
    TCClass* Class = nullptr;

    // The result: the number text ("" while none is chosen) and the instance.
    std::string NumberText() const;
    TTaskTemplate* ChosenTemplate = nullptr;
    TTaskInstance* ChosenInstance = nullptr;

    void Prepare() override;
    bool CanAccept() const override;

    // The handlers of the form and its combo boxes.
    void FormActivate();
    void TaskTemplateChange();
    void VersionChange();

private:
    void UpdateOk();

    struct TPrivate;
    TPrivate* d;
};
