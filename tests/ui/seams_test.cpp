#include <gtest/gtest.h>

#include "ui/DialogForm.h"
#include "ui/Guard.h"
#include "ui/QtText.h"
#include "ui/Seams.h"
#include "platform/Exceptions.h"

TEST(QtText, WindowsTextRoundTripsAndFiltersTakeTheirPatterns)
{
    const std::string text = "M\xFCller \x80 \x93quoted\x94";
    EXPECT_EQ(ToQt(text), QString::fromUtf8("Müller € “quoted”"));
    EXPECT_EQ(FromQt(ToQt(text)), text);
    EXPECT_EQ(FromQt(QString::fromUtf8("日本")), "??");

    EXPECT_EQ(FilterToQt("Championship files (*.xch)|*.xch|All files (*.*)|*.*"),
              "Championship files (*.xch);;All files (*.*)");
    EXPECT_EQ(FilterToQt("Specific IGC log file (<pilot>T<task>V<version>*.igc)|7T03*.igc|IGC flight log files "
                         "(*.igc)|*.igc"),
              "Specific IGC log file (7T03*.igc);;IGC flight log files (*.igc)");
}

TEST(ScriptedSeams, AnswersInOrderAndRecordsWhatWasNotAnswered)
{
    auto script = TScriptedSeams::Create();
    TScopedSeams scope(script->Install());
    script->AnswerButton(TButton::Yes);
    script->AnswerText("Version B");
    EXPECT_TRUE(AskYesNo("Delete?"));
    EXPECT_EQ(InputBox("Create task instance", "Version name", "(New task instance)"), QString("Version B"));
    // Nothing queued: the safe answers.
    EXPECT_FALSE(AskYesNo("Again?"));
    EXPECT_EQ(AskCancelIgnore("Bad line"), TButton::Cancel);
    EXPECT_EQ(AskSaveDiscardCancel("Save changes?"), TButton::Cancel);
    EXPECT_FALSE(InputBox("c", "p", "i").has_value());
    EXPECT_FALSE(ChooseFile(TFileRequest{TFileMode::Open, "Select IGC file", "IGC (*.igc)", {}, {}, {}}));

    ASSERT_EQ(script->Records.size(), 7u);
    EXPECT_EQ(script->Records[0].Line(), "prompt\tZephyrant\tDelete?");
    EXPECT_EQ(script->Records[2].Line(), "prompt\tZephyrant\tAgain?\tunanswered");
    EXPECT_EQ(script->Records[6].Line(), "prompt\tSelect IGC file\t\tIGC (*.igc)\tunanswered");
}

TEST(Guard, ShowsTheMessageAndGoesOn)
{
    auto script = TScriptedSeams::Create();
    TScopedSeams scope(script->Install());
    EXPECT_FALSE(Guarded([] { throw TException("Here", "Went wrong", "x"); }));
    EXPECT_FALSE(Guarded([] { throw std::runtime_error("plain"); }));
    EXPECT_TRUE(Guarded([] {}));
    ASSERT_EQ(script->Records.size(), 2u);
    EXPECT_EQ(script->Records[0].Text, "<Went wrong> in <Here>. Details: <x>");
    EXPECT_EQ(script->Records[1].Text, "plain");
}
