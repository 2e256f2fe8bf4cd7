#pragma once
// The define-task dialog ("Define Task"): the turn points, legs and gates of
// one task instance. Every button changes the instance at once; OK and Cancel
// only close the dialog.

#include "ui/DialogForm.h"

class TTaskInstance;

class TDefineTaskInstance : public TDialogForm {
    Q_OBJECT
public:
    explicit TDefineTaskInstance(QWidget* parent = nullptr);
    ~TDefineTaskInstance() override;

    // Set by the caller before the dialog is run.
    TTaskInstance* TaskInstance = nullptr;

    void Prepare() override;

private:
    struct TPrivate;
    TPrivate* d;
};
