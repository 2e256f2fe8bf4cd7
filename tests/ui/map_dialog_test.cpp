// The map dialog on a small datum file of its own: lists, prompts, the
// choices kept across a nested file chooser, the scale as it is typed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QTest>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "platform/Exceptions.h"
#include "platform/Hooks.h"
#include "ui/Seams.h"
#include "ui/UDefineMap.h"
#include "coord_keys.h"

namespace {

QStringList Items(const QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items.append(list->itemText(i));
    return items;
}

// Only names and regions are read for the lists.
const char* const DatumFile = R"(<Datums>
<Datum Name="WGS 84"><Region>Global</Region></Datum>
<Datum Name="Arc 1950"><Region>Zambia</Region></Datum>
<Datum Name="Arc 1950"><Region>Botswana</Region></Datum>
<Datum Name="alpha"><Region>Somewhere</Region></Datum>
</Datums>
)";

struct TMapDialogTest : ::testing::Test {
    TMapDialogTest()
    {
        QFile file(Folder.filePath("Datums.xml"));
        file.open(QIODevice::WriteOnly);
        file.write(DatumFile);
        file.close();
        Hooks->ProgramFolder = [this] { return Folder.path().toStdString(); };
        Dialog.show();
        QApplication::setActiveWindow(&Dialog);
    }

    QTemporaryDir Folder;
    TScopedHooks Hooks;
    std::shared_ptr<TScriptedSeams> Script = TScriptedSeams::Create();
    TScopedSeams Seams{Script->Install()};
    TDefineMap Dialog;
    QPushButton* Ok = Dialog.findChild<QPushButton*>("OKBtn");
};

} // namespace

TEST_F(TMapDialogTest, ListsComeFromTheDatumFileWithTheirPrompts)
{
    Dialog.SetFields({"Valle", "VG", "Scanned 1995", "valle.bmp", "50000", "alpha", "", "Lambert conformal"});
    Dialog.Prepare();
    EXPECT_EQ(Items(Dialog.DatumName), (QStringList{"(Select datum name)", "alpha", "Arc 1950", "WGS 84"}));
    // A single region is chosen at once, without the prompt.
    EXPECT_EQ(Items(Dialog.DatumRegion), QStringList{"Somewhere"});
    EXPECT_EQ(Dialog.Fields().DatumRegion, "Somewhere");

    // Another datum: its regions at once, the prompt first.
    Dialog.ScriptField("DatumName", "Arc 1950");
    EXPECT_EQ(Items(Dialog.DatumRegion), (QStringList{"(Select region of use)", "Botswana", "Zambia"}));
    EXPECT_EQ(Dialog.DatumRegion->currentIndex(), 0);
    Dialog.ScriptField("DatumRegion", "Zambia");
    Dialog.Finish();

    // The next showing keeps the edits; a remembered region is chosen, and a
    // projection that is none of the items leaves the list without choice.
    Dialog.SetFields({"Valle", "VG", "", "valle.bmp", "50000", "Arc 1950", "Botswana", "Mercator"});
    Dialog.Prepare();
    EXPECT_EQ(Dialog.DatumRegion->currentText(), "Botswana");
    EXPECT_EQ(Dialog.Fields().Projection, "");
    Dialog.Finish();

    Hooks->ProgramFolder = [] { return std::string("/nonexistent"); };
    EXPECT_THROW(Dialog.Prepare(), TException);
}

TEST_F(TMapDialogTest, FileChooserKeepsTheChoicesAndNamesTheFileRelativeToTheFolder)
{
    // The bitmap is read from the championship's folder: the chooser opens
    // there, wherever the program was started, and a file from elsewhere is
    // named from there.
    Hooks->WorkingFolder = [] { return std::string("/data/championships/valle"); };
    Dialog.SetFields({"Valle", "VG", "", "old.bmp", "50000", "WGS 84", "Global", "UTM"});
    Dialog.Prepare();
    Dialog.ScriptField("DatumName", "Arc 1950");
    Dialog.ScriptField("DatumRegion", "Zambia");

    Script->AnswerFile(QStringLiteral("/data/maps/Valle Grande.bmp"));
    Dialog.ScriptField("SelectFile", "click");
    ASSERT_EQ(Script->Records.size(), 1u);
    EXPECT_EQ(Script->Records[0].Line(), "prompt\tSelect map\t\tBitmap files (*.bmp)");
    EXPECT_EQ(Script->Records[0].Directory, "/data/championships/valle");
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&Dialog, &activate);

    const TMapFields fields = Dialog.Fields();
    EXPECT_EQ(fields.FileName, "../../maps/Valle Grande.bmp");
    EXPECT_EQ(fields.DatumName, "Arc 1950");
    EXPECT_EQ(fields.DatumRegion, "Zambia");
    EXPECT_EQ(fields.Projection, "UTM");
}

TEST_F(TMapDialogTest, OkOnlyWithADatumAndOneOfItsRegions)
{
    Dialog.SetFields({"Valle", "VG", "", "valle.bmp", "50000", "Arc 1950", "", "UTM"});
    Dialog.Prepare();
    // The region's prompt is no region.
    EXPECT_EQ(Dialog.DatumRegion->currentText(), "(Select region of use)");
    EXPECT_FALSE(Ok->isEnabled());
    QTest::mouseClick(Ok, Qt::LeftButton);
    EXPECT_TRUE(Dialog.isVisible());
    Dialog.DatumRegion->setFocus();
    QTest::keyClick(Dialog.DatumRegion, Qt::Key_Down);
    EXPECT_EQ(Dialog.DatumRegion->currentText(), "Botswana");
    EXPECT_TRUE(Ok->isEnabled());

    // Nor is the datum's prompt a datum.
    Dialog.DatumName->setFocus();
    QTest::keyClick(Dialog.DatumName, Qt::Key_Home);
    EXPECT_EQ(Dialog.DatumName->currentText(), "(Select datum name)");
    EXPECT_FALSE(Ok->isEnabled());
    QTest::keyClick(Dialog.DatumName, Qt::Key_End);
    EXPECT_EQ(Dialog.DatumRegion->currentText(), "Global"); // its only region, chosen at once
    EXPECT_TRUE(Ok->isEnabled());
    QTest::mouseClick(Ok, Qt::LeftButton);
    EXPECT_EQ(Dialog.result(), QDialog::Accepted);
    Dialog.Finish();

    // A scripted OK on the prompts is refused as the button refuses it.
    Dialog.SetFields({"Valle", "VG", "", "valle.bmp", "50000", "(Select datum name)", "", "UTM"});
    Script->AnswerDialog({true, {}});
    EXPECT_EQ(RunDialog(Dialog), QDialog::Rejected);
}

TEST_F(TMapDialogTest, OkRefusesAScaleThatIsNoneAndControlCharacters)
{
    Dialog.SetFields({"Valle", "VG", "", "valle.bmp", "50000", "WGS 84", "Global", "UTM"});
    Dialog.Prepare();
    for (const char* scale : {"nan", "inf", "-5", "0"}) {
        Dialog.ScriptField("Scale", scale);
        Script->Records.clear(); // what typing it said
        QTest::mouseClick(Ok, Qt::LeftButton);
        ASSERT_EQ(Script->Records.size(), 1u) << scale;
        EXPECT_EQ(Script->Records[0].Text, "Scale 1/ must be a number above 0.");
        EXPECT_NE(Dialog.result(), QDialog::Accepted) << scale;
        Script->Records.clear();
    }
    Dialog.ScriptField("Scale", "25000");

    // A control character pasted into a text.
    Dialog.Description->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("Scanned\x1b" "1995"));
    QTest::keyClick(Dialog.Description, Qt::Key_V, Qt::ControlModifier);
    QTest::mouseClick(Ok, Qt::LeftButton);
    ASSERT_EQ(Script->Records.size(), 1u);
    EXPECT_EQ(Script->Records[0].Text,
              "Description holds a control character (code 27), which the championship file can't hold.");
    EXPECT_NE(Dialog.result(), QDialog::Accepted);
    // A TAB would come back from the file as a blank.
    Dialog.Description->setText(QStringLiteral("Scanned\t1995"));
    Script->Records.clear();
    QTest::mouseClick(Ok, Qt::LeftButton);
    ASSERT_EQ(Script->Records.size(), 1u);
    EXPECT_EQ(Script->Records[0].Text, "Description holds a TAB, which the championship file gives back as a blank.");
    EXPECT_NE(Dialog.result(), QDialog::Accepted);
    Dialog.Description->setText(QStringLiteral(" Scanned  1995 ")); // taken as the file gives it back
    QTest::mouseClick(Ok, Qt::LeftButton);
    EXPECT_EQ(Dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Dialog.Fields().Description, "Scanned 1995");
}

TEST_F(TMapDialogTest, ScaleIsRewrittenInPlainDigitsAsTypedWithoutEatingADecimalPoint)
{
    Dialog.Prepare();
    auto type = [&](const QString& keys) {
        Dialog.Scale->clear();
        Dialog.Scale->setFocus();
        TypeKeys(Dialog.Scale, keys);
    };
    // Plain digits, never "1e+05"; a scale written so by an earlier version
    // comes back plain.
    type("100000");
    EXPECT_EQ(Dialog.Scale->text(), "100000");
    type("250000.0");
    Dialog.Name->setFocus();
    EXPECT_EQ(Dialog.Fields().Scale, "250000");
    Dialog.SetFields({"Valle", "VG", "", "valle.bmp", "2e+05", "WGS 84", "Global", "UTM"});
    EXPECT_EQ(Dialog.Fields().Scale, "200000");
    type("2.05");
    EXPECT_EQ(Dialog.Scale->text(), "2.05");
    type("2.50");
    EXPECT_EQ(Dialog.Scale->text(), "2.50");
    Dialog.Name->setFocus(); // leaving the field
    EXPECT_EQ(Dialog.Scale->text(), "2.5");
    EXPECT_TRUE(Script->Records.empty());

    type("5a");
    ASSERT_EQ(Script->Records.size(), 1u);
    EXPECT_EQ(Script->Records[0].Text, "'5a' is not a valid floating point value");
}
