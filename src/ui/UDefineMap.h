#pragma once
// The define-map dialog ("Map definition"): a map's name, short name,
// description, bitmap file, scale, projection and datum (name and region of
// use from "Datums.xml"). The edits keep their texts between uses.

#include <string>

#include "ui/DialogForm.h"

struct TMapFields {
    std::string Name;
    std::string ShortName;
    std::string Description;
    std::string FileName; // the bitmap's name without folder
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
    // What the dialog holds now (edits and the lists' choices).
    TMapFields Fields() const;

    void Prepare() override;
    void Finish() override;

private:
    struct TPrivate;
    TPrivate* d;
};
