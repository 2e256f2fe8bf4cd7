#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <gtest/gtest.h>

#include "task_dialog_fixture.h"
#include "ui/UDefineTaskNumber.h"

namespace {

QStringList Items(const QComboBox* combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    return texts;
}

class TaskNumberDialog : public testing::Test {
protected:
    TaskNumberDialog()
    {
        Dialog.Championship = &Data.Champ;
        Dialog.Class = Data.Class;
        Dialog.Prepare();
    }
    bool OkEnabled() const { return Dialog.findChild<QPushButton*>("OKBtn")->isEnabled(); }
    const QComboBox* Combo(const char* name) const { return Dialog.findChild<QComboBox*>(name); }

    tasktest::TTaskChampionship Data;
    TDefineTaskNumber Dialog;
};

TEST_F(TaskNumberDialog, TheOnlyVersionIsPreselectedAndOkWaitsForANumber)
{
    EXPECT_EQ(Items(Combo("TaskTemplate")), QStringList({"(Select task template)", "EMPTY", "NAV", "SPEED"}));
    EXPECT_TRUE(Items(Combo("Version")).isEmpty());
    EXPECT_EQ(Dialog.NumberText(), "");

    Dialog.ScriptField("TaskTemplate", "SPEED");
    EXPECT_EQ(Items(Combo("Version")), QStringList({"(Select version)", "only"}));
    EXPECT_EQ(Combo("Version")->currentText(), "only");
    EXPECT_EQ(Dialog.ChosenTemplate, Data.Speed);
    EXPECT_EQ(Dialog.ChosenInstance, Data.Only);
    EXPECT_FALSE(OkEnabled());

    Dialog.ScriptField("TaskNumber", "07");
    EXPECT_TRUE(OkEnabled());
    EXPECT_EQ(Dialog.NumberText(), "07");

    // A new showing starts over.
    Dialog.Prepare();
    EXPECT_EQ(Dialog.NumberText(), "");
    EXPECT_EQ(Dialog.ChosenInstance, nullptr);
    EXPECT_FALSE(OkEnabled());
}

TEST_F(TaskNumberDialog, NoTaskNumberWithoutAVersion)
{
    Dialog.ScriptField("TaskNumber", "99");
    Dialog.ScriptField("TaskTemplate", "NAV");
    EXPECT_EQ(Combo("Version")->currentText(), "(Select version)");
    EXPECT_EQ(Dialog.ChosenInstance, nullptr);
    EXPECT_FALSE(OkEnabled());
    Dialog.ScriptField("Version", "v2");
    EXPECT_EQ(Dialog.ChosenInstance, Data.Version2);
    EXPECT_TRUE(OkEnabled());

    // A template without versions leaves nothing chosen, not v2 of NAV.
    Dialog.ScriptField("TaskTemplate", "EMPTY");
    EXPECT_TRUE(Items(Combo("Version")).isEmpty());
    EXPECT_EQ(Dialog.ChosenInstance, nullptr);
    EXPECT_FALSE(OkEnabled());

    // The scripted OK is refused as the disabled button would be.
    Data.Script->AnswerDialog({true, {{"TaskTemplate", "NAV"}, {"Version", "v1"}}});
    EXPECT_EQ(RunDialog(Dialog), QDialog::Rejected);
    Data.Script->AnswerDialog({true, {{"TaskNumber", "03"}, {"TaskTemplate", "NAV"}, {"Version", "v1"}}});
    EXPECT_EQ(RunDialog(Dialog), QDialog::Accepted);
    EXPECT_EQ(Dialog.NumberText(), "03");
    EXPECT_EQ(Dialog.ChosenInstance, Data.Version1);
}

} // namespace
