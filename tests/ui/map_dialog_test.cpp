// The map dialog on a small datum file of its own: lists, prompts, the
// choices kept across a nested file chooser, the scale as it is typed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "model/Exceptions.h"
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

struct TMapDialogTest : ::testing::Test {
    TMapDialogTest()
    {
        QFile file(Folder.filePath("Datums.xml"));
        file.open(QIODevice::WriteOnly);
        auto datum = [&](const char* name, const char* region) {
            file.write(QByteArray("<Datum Name=\"") + name + "\"><Ellipsoid>WGS 84</Ellipsoid><Delta>0 0 0</Delta>"
                                                             "<Error>0 0 0</Error><Region>" + region + "</Region></Datum>\n");
        };
        file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Datums>\n");
        datum("WGS 84", "Global");
        datum("Arc 1950", "Zambia");
        datum("Arc 1950", "Botswana");
        datum("alpha", "Somewhere");
        file.write("<Ellipsoid Name=\"WGS 84\">6378137 298.257223563</Ellipsoid>\n</Datums>\n");
        file.close();
        Hooks->ProgramFolder = [this] { return QDir::toNativeSeparators(Folder.path()).toStdString(); };
    }

    QTemporaryDir Folder;
    TScopedHooks Hooks;
    TDefineMap Dialog;
};

} // namespace

TEST_F(TMapDialogTest, ListsComeFromTheDatumFileWithTheirPrompts)
{
    Dialog.SetFields({"Valle", "VG", "Scanned 1995", "valle.bmp", "50000", "alpha", "", "Lambert conformal"});
    Dialog.Prepare();
    EXPECT_EQ(Items(Dialog.DatumName),
              (QStringList{"(Select datum name)", "alpha", "Arc 1950", "WGS 84"}));
    // A single region is chosen at once, without the prompt.
    EXPECT_EQ(Items(Dialog.DatumRegion), QStringList{"Somewhere"});
    EXPECT_EQ(Dialog.Fields().DatumRegion, "Somewhere");
    EXPECT_EQ(Dialog.Fields().Projection, "Lambert conformal");

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
    const TMapFields fields = Dialog.Fields();
    EXPECT_EQ(fields.DatumName, "Arc 1950");
    EXPECT_EQ(fields.Projection, "");
    EXPECT_EQ(fields.Name, "Valle");
    Dialog.Finish();

    Hooks->ProgramFolder = [] { return std::string("/nonexistent"); };
    EXPECT_THROW(Dialog.Prepare(), TException);
}

TEST_F(TMapDialogTest, FileChooserKeepsTheChoicesAndTheBareName)
{
    auto script = TScriptedSeams::Create();
    TScopedSeams seams(script->Install());
    Dialog.SetFields({"Valle", "VG", "", "old.bmp", "50000", "WGS 84", "Global", "UTM"});
    Dialog.show();
    QApplication::setActiveWindow(&Dialog);
    Dialog.Prepare();
    Dialog.ScriptField("DatumName", "Arc 1950");
    Dialog.ScriptField("DatumRegion", "Zambia");

    script->AnswerFile(QStringLiteral("/data/maps/Valle Grande.bmp"));
    Dialog.ScriptField("SelectFile", "click");
    ASSERT_EQ(script->Records.size(), 1u);
    EXPECT_EQ(script->Records[0].Title, "Select map");
    EXPECT_EQ(script->Records[0].Filter, "Bitmap files (*.bmp)");
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&Dialog, &activate);

    const TMapFields fields = Dialog.Fields();
    EXPECT_EQ(fields.FileName, "Valle Grande.bmp");
    EXPECT_EQ(fields.DatumName, "Arc 1950");
    EXPECT_EQ(fields.DatumRegion, "Zambia");
    EXPECT_EQ(fields.Projection, "UTM");
}

TEST_F(TMapDialogTest, ScaleIsRewrittenAsTypedWithoutEatingADecimalPoint)
{
    auto script = TScriptedSeams::Create();
    TScopedSeams seams(script->Install());
    Dialog.show();
    QApplication::setActiveWindow(&Dialog);
    Dialog.Prepare();
    auto type = [&](const QString& keys) {
        Dialog.Scale->clear();
        Dialog.Scale->setFocus();
        TypeKeys(Dialog.Scale, keys);
    };
    type("0025");
    EXPECT_EQ(Dialog.Scale->text(), "25");
    type("2.05");
    EXPECT_EQ(Dialog.Scale->text(), "2.05");
    type("2.50");
    EXPECT_EQ(Dialog.Scale->text(), "2.50");
    Dialog.Name->setFocus(); // leaving the field
    EXPECT_EQ(Dialog.Scale->text(), "2.5");
    EXPECT_TRUE(script->Records.empty());

    type("5a");
    ASSERT_EQ(script->Records.size(), 1u);
    EXPECT_EQ(script->Records[0].Text, "'5a' is not a valid floating point value");
}
