#pragma once
// A championship in memory for the task dialogs: waypoints A to E in a
// row eastward and northward, two lower-case codes that sort between them
// only when case is ignored, one class, and a catalogue of three templates
// (two versions, one version, none). Prompts are answered by a script.

#include <QString>
#include <QStringList>
#include <memory>
#include <ostream>
#include <string>

#include "geodesy/Coord.h"
#include "geodesy/Datum.h"
#include "model/Championship.h"
#include "model/Class.h"
#include "model/Task.h"
#include "ui/Seams.h"

// Failures print texts, not the bytes of QString.
[[maybe_unused]] static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace tasktest {

struct TTaskChampionship {
    TTaskChampionship()
    {
        AddWayPoint("A", 45.00, -1.00);
        AddWayPoint("B", 45.00, -0.90);
        AddWayPoint("C", 45.10, -0.90);
        AddWayPoint("D", 45.10, -1.00);
        AddWayPoint("E", 45.20, -1.00);
        AddWayPoint("a1", 45.05, -1.05);
        AddWayPoint("c1", 45.15, -0.95);
        Class = new TCClass;
        Class->SetAttribute(acShortName, "MIC");
        Champ.AddClass(Class);
        Nav = AddTemplate("NAV");
        Version1 = AddInstance(Nav, "v1");
        Version2 = AddInstance(Nav, "v2");
        Speed = AddTemplate("SPEED");
        Only = AddInstance(Speed, "only");
        Empty = AddTemplate("EMPTY");
    }

    void AddWayPoint(const std::string& code, double latDeg, double lonDeg)
    {
        Champ.WayPoints.Add(
            TWayPoint(TLocation(TGeoCoord{DegToRad(lonDeg), DegToRad(latDeg), 0.0}, DefaultDatum()), code));
    }
    TTaskTemplate* AddTemplate(const std::string& name)
    {
        auto* t = new TTaskTemplate;
        t->SetAttribute(acShortName, name);
        Champ.AddTaskTemplate(t);
        return t;
    }
    TTaskInstance* AddInstance(TTaskTemplate* t, const std::string& version)
    {
        auto* instance = new TTaskInstance;
        instance->SetAttribute(acVersion, version);
        Champ.AddTaskInstance(instance, t);
        return instance;
    }
    // The warning texts shown so far.
    QStringList Warnings() const
    {
        QStringList texts;
        for (const auto& record : Script->Records) texts << record.Text;
        return texts;
    }

    TChampionship Champ;
    TCClass* Class;
    TTaskTemplate* Nav;
    TTaskTemplate* Speed;
    TTaskTemplate* Empty;
    TTaskInstance* Version1;
    TTaskInstance* Version2;
    TTaskInstance* Only;
    std::shared_ptr<TScriptedSeams> Script = TScriptedSeams::Create();
    TScopedSeams Scope{Script->Install()};
};

} // namespace tasktest
