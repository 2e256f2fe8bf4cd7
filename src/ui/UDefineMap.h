#pragma once
// The define-map dialog ("Map definition"): a map's name, short name,
// description, bitmap file, scale, projection and datum (name and region of
// use from "Datums.xml"). The edits keep their texts between uses.

#include <memory>
#include <string>

#include "ui/DialogForm.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class TDatumSet;

struct TMapFields {
    std::string Name;
    std::string ShortName;
    std::string Description;
    std::string FileName; // the bitmap, relative to the championship's folder
    std::string Scale;
    std::string DatumName;
    std::string DatumRegion;
    std::string Projection;
};

class TDefineMap : public TDialogForm {
    Q_OBJECT
public:
    explicit TDefineMap(QWidget* parent = nullptr);
    ~TDefineMap() override;

    // The caller's values: the edits get their texts, the datum name, region
    // and projection are remembered and chosen in the lists when the dialog
    // is shown.
    void SetFields(const TMapFields& fields);
    // What the dialog holds now (edits and the lists' choices), the texts in
    // the form the championship file gives them back in.
    TMapFields Fields() const;

    // Reads the datum file of the program's folder into the lists and
    // chooses the remembered items; a missing or unreadable file throws.
    void Prepare() override;
    // Lets go of the datum file's list.
    void Finish() override;
    // A datum name and one of its regions are chosen, not the prompts.
    bool CanAccept() const override;
    // The scale, when given, is a number above 0.
    bool CheckFields() override;
    // The file is a file name.
    TKeptAs KeptAs(const QLineEdit* edit) const override;

    // The folder the championship reads the bitmap from (set by the caller):
    // Select puts the chosen file into File relative to it.
    QString Folder;

    QLineEdit* Name = nullptr;
    QLineEdit* ShortName = nullptr;
    QLineEdit* Description = nullptr;
    QLineEdit* FileName = nullptr;
    QPushButton* SelectFile = nullptr;
    QLineEdit* Scale = nullptr;
    QComboBox* DatumName = nullptr;
    QComboBox* DatumRegion = nullptr;
    QComboBox* Projection = nullptr;
    QPushButton* Ok = nullptr;

private:
    void DatumNameChange();
    void UpdateOk();
    void SelectFileClick();
    void ScaleChange(bool typing);

    std::unique_ptr<TDatumSet> FDatums; // only while the dialog is shown
    std::string FDatumName;
    std::string FRegion;
    std::string FProjection;
};
