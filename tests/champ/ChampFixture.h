#pragma once
// A championship built in code that holds every kind of element the file
// stores, and a text that describes a whole model, so two models can be
// compared in one assertion.

#include <map>
#include <memory>
#include <string>

#include "analysis/Flight.h"
#include "geodesy/Coord.h"
#include "geodesy/Datum.h"
#include "model/Championship.h"
#include "platform/Hooks.h"
#include "platform/Numbers.h"

namespace champtest {

inline TLocation At(double latDeg, double lonDeg, const TDatum* datum = DefaultDatum())
{
    return TLocation(TGeoCoord{DegToRad(lonDeg), DegToRad(latDeg), 0.0}, datum);
}

inline std::string Deg(double radians)
{
    return FormatFixed(RadToDeg(radians), 7);
}

// The version text saves write, the same in every test process.
struct TFixedVersion {
    TFixedVersion() { Hooks->VersionText = [] { return std::string("9.8.7"); }; }
    TScopedHooks Hooks;
};

inline TCompetitor* NewCompetitor(const std::string& number, const std::string& pilot,
                                  const std::string& navigator = {})
{
    auto* c = new TCompetitor;
    c->SetAttribute(acNumber, number);
    c->SetAttribute(acPilot, pilot);
    c->SetAttribute(acNavigator, navigator);
    return c;
}

inline TTaskNumber* NewTaskNumber(const std::string& number, TTaskInstance* instance)
{
    auto* tn = new TTaskNumber;
    tn->Instance = instance;
    tn->SetAttribute(acNumber, number);
    return tn;
}

// Two classes; a team with competitors in both and one with an empty group;
// maps with and without references; waypoints with negative coordinates,
// codes that differ only in case and bytes of 0x80 and above; a template
// with two instances holding turn points, a straight and an arc leg and
// gates on a waypoint and on both legs; task numbers with pending, "DNF"
// and assigned flights and one without an instance; & < > " in values.
inline std::unique_ptr<TChampionship> BuildFull()
{
    auto champ = std::make_unique<TChampionship>();
    champ->SetAttribute(acShortName, "WMC 2026");
    champ->SetAttribute(acName, "World Microlight Championship & Cup <\"A\">");
    champ->SetAttribute(acDate, "2026-08-01");
    champ->SetAttribute(acVenue, "Caf\xE9 field \x80 5");
    champ->SetAttribute(acOrganiser, "FAI > CIMA");
    champ->SetAttribute(acCountry, "France");
    champ->SetAttribute(acIsoCountry, "FRA");

    TWayPointSet& wp = champ->WayPoints;
    wp.Add(TWayPoint(At(44.5, -1.25), "A", "Church & tower"));
    wp.Add(TWayPoint(At(44.6, -1.1), "AB", ""));
    wp.Add(TWayPoint(At(44.55, -0.95), "B", "Bridge <east>"));
    wp.Add(TWayPoint(At(44.42, -0.9), "C"));
    wp.Add(TWayPoint(At(44.3, -1.0), "D", "Dam \"old\""));
    wp.Add(TWayPoint(At(-12.3456789, -77.1234567), "a", "south west"));
    wp.Add(TWayPoint(At(44.45, -1.3), "\xE9t\xE9", "\xC9t\xE9 \x80"));

    auto* m1 = new TMap;
    m1->SetAttribute(acShortName, "M1");
    m1->SetAttribute(acName, "Landes & coast");
    m1->SetAttribute(acMapFile, "landes.bmp");
    m1->SetAttribute(acDatum, "WGS 84");
    m1->SetAttribute(acRegion, "Global");
    m1->SetAttribute(acProjection, "UTM");
    m1->SetAttribute(acScale, "50000");
    champ->AddMap(m1);
    m1->Georef.AddRef(new TMapRef(10, 20, At(44.6123456, -1.3234567, m1->GetDatum())));
    m1->Georef.AddRef(new TMapRef(4000, 30, At(44.6, -0.8, m1->GetDatum())));
    m1->Georef.AddRef(new TMapRef(20, 3000, At(44.25, -1.31, m1->GetDatum())));
    auto* m0 = new TMap;
    m0->SetAttribute(acShortName, "M0");
    m0->SetAttribute(acProjection, "Unknown");
    champ->AddMap(m0);

    auto* al1 = new TCClass;
    al1->SetAttribute(acShortName, "AL1");
    al1->SetAttribute(acName, "Single seat");
    champ->AddClass(al1);
    auto* al2 = new TCClass;
    al2->SetAttribute(acShortName, "AL2");
    al2->SetAttribute(acName, "Two seat");
    al2->SetAttribute(acRole1, "Pilot");
    al2->SetAttribute(acRole2, "Navigator");
    champ->AddClass(al2);

    auto* fra = new TTeam;
    fra->SetAttribute(acIsoCountry, "FRA");
    fra->SetAttribute(acShortName, "France");
    fra->SetAttribute(acName, "\xC9quipe de France");
    fra->SetAttribute(acClub, "ULM Club & Co");
    champ->AddTeam(fra);
    auto* gbr = new TTeam;
    gbr->SetAttribute(acIsoCountry, "GBR");
    gbr->SetAttribute(acShortName, "UK");
    champ->AddTeam(gbr);

    TCompetitor* c1 = NewCompetitor("1", "Pierre");
    c1->SetAttribute(acRegistration, "F-JABC");
    c1->SetAttribute(acManufacturer, "Air <Cr\xE9" "ation>");
    champ->AddCompetitor(c1, fra, al1);
    champ->AddCompetitor(NewCompetitor("12", "Marie"), fra, al1);
    champ->AddCompetitor(NewCompetitor("20", "Jean", "Luc"), fra, al2);
    champ->AddCompetitor(NewCompetitor("3", "John \"JJ\""), gbr, al1);
    gbr->Group(al2); // an empty group

    auto* nav = new TTaskTemplate;
    nav->SetAttribute(acShortName, "NAV");
    nav->SetAttribute(acName, "Navigation");
    nav->SetAttribute(acDescription, "Turn points & gates");
    champ->AddTaskTemplate(nav);
    auto* eco = new TTaskTemplate;
    eco->SetAttribute(acShortName, "ECO");
    champ->AddTaskTemplate(eco);

    auto* v1 = new TTaskInstance;
    v1->SetAttribute(acVersion, "1");
    champ->AddTaskInstance(v1, nav);
    auto tp = [&](const std::string& code, double radius) {
        auto* t = new TTurnPoint(wp.Find(code), radius);
        v1->AddTurnPoint(t);
        return t;
    };
    TTurnPoint* a = tp("A", 200);
    TTurnPoint* b = tp("B", 300);
    TTurnPoint* c = tp("C", 250);
    TTurnPoint* d = tp("D", 200);
    tp("\xE9t\xE9", 400);
    auto* leg = new TStraightLeg(a, b, 500);
    v1->AddStraightLeg(leg);
    auto* arc = new TArcLeg(b, d, c, 600);
    v1->AddArcLeg(arc);
    v1->AddGate(new TGate(wp.Find("AB"), 90.0, 150));
    v1->AddGate(new TGate(leg, 12.5, 100));
    v1->AddGate(new TGate(arc, 12.5, 120));
    auto* v2 = new TTaskInstance;
    v2->SetAttribute(acVersion, "2 & \"b\"");
    champ->AddTaskInstance(v2, nav);
    v2->AddTurnPoint(new TTurnPoint(wp.Find("a"), 1000));

    champ->AddTaskNumber(NewTaskNumber("01", v1), al1);
    champ->AddTaskNumber(NewTaskNumber("02", v2), al1);
    champ->AddTaskNumber(NewTaskNumber("01", v1), al2);
    champ->AddTaskNumber(NewTaskNumber("09", nullptr), al2);

    TTaskNumber* t1 = al1->TaskNumbers.FindKey("01");
    al1->FlightsOf(t1).FindKey("1")->SetAttribute(acIgcFileName, "1T01.igc");
    al1->FlightsOf(t1).FindKey("12")->SetAttribute(acIgcFileName, "DNF");
    al1->FlightsOf(t1).FindKey("3")->SetAttribute(acResultsFileName, "r&3.txt");
    return champ;
}

// Every stored value of the model, one line per object, in key order.
inline std::string Describe(TChampionship& champ)
{
    std::string out;
    auto attrs = [](const TChampNode& node) {
        std::string s;
        for (int i = 0; i < node.AttributeCount(); ++i) {
            const TAttributeCode code = node.AttributeCode(i);
            s += " " + AttributeNames.XmlName(code) + "=[" + node.GetAttribute(code) + "]";
        }
        return s;
    };
    auto line = [&out](const std::string& s) { out += s + "\n"; };
    line("Championship" + attrs(champ) + " name=[" + champ.DisplayName() + "]");
    line("WayPointSet" + attrs(champ.WayPoints));
    champ.WayPoints.First();
    while (const TWayPoint* w = champ.WayPoints.Next())
        line(" WayPoint [" + w->Code + "] [" + w->Description + "] " + Deg(w->Location.Geo.Lat) + " " +
             Deg(w->Location.Geo.Lon));
    for (TMap* map : champ.Maps) {
        line("Map" + attrs(*map));
        for (const TMapRef* ref : map->Georef.Refs)
            line(" MapRef " + std::to_string(ref->PixelX) + " " + std::to_string(ref->PixelY) + " " +
                 Deg(ref->Location.Geo.Lat) + " " + Deg(ref->Location.Geo.Lon));
    }
    for (TCClass* cls : champ.Classes) {
        line("Class" + attrs(*cls) + " name=[" + cls->DisplayName() + "]");
        for (TCompetitor* c : cls->Competitors) line(" has " + c->KeyValue());
    }
    for (TTeam* team : champ.Teams) {
        line("Team" + attrs(*team) + " name=[" + team->DisplayName() + "]");
        std::map<std::string, std::string> groups; // by class, not by object
        for (const auto& [cls, group] : team->Groups()) {
            std::string& text = groups[cls->KeyValue()];
            for (TCompetitor* c : group) text += "  has " + c->KeyValue() + "\n";
        }
        for (const auto& [key, text] : groups) out += " Group " + key + "\n" + text;
    }
    for (TCompetitor* c : champ.Competitors)
        line("Competitor" + attrs(*c) + " class=" + (c->Class ? c->Class->KeyValue() : "-") + " team=" +
             (c->Team ? c->Team->KeyValue() : "-") + " name=[" + c->DisplayName() + "]");
    for (TTaskTemplate* t : champ.TaskTemplates) {
        line("TaskTemplate" + attrs(*t));
        for (TTaskInstance* i : t->Instances) {
            line(" TaskInstance" + attrs(*i) + " name=[" + i->DisplayName() + "]");
            for (int kind = ceTurnPoint; kind <= ceZone; ++kind) {
                const auto k = static_cast<TCheckElementType>(kind);
                for (TCheckElement* e = i->FirstCheckElement(k); e; e = i->NextCheckElement(k)) {
                    std::string s = "  " + std::to_string(kind) + " [" + e->Name + "] r=" +
                                    FormatShortest(e->Radius);
                    if (kind == ceGate) {
                        auto* g = static_cast<TGate*>(e);
                        s += " b=" + FormatShortest(g->Bearing) + " p=" + FormatShortest(g->Percent) + " at " +
                             Deg(g->Location.Geo.Lat) + " " + Deg(g->Location.Geo.Lon);
                    } else if (kind == ceTurnPoint) {
                        auto* p = static_cast<TTurnPoint*>(e);
                        s += " at " + Deg(p->Location.Geo.Lat) + " " + Deg(p->Location.Geo.Lon);
                    } else if (kind == ceStraightLeg || kind == ceArcLeg) {
                        auto* l = static_cast<TLeg*>(e);
                        s += " " + l->From->Name + ">" + l->To->Name;
                    }
                    line(s);
                }
            }
        }
    }
    for (TCClass* cls : champ.Classes) {
        for (TTaskNumber* tn : cls->TaskNumbers) {
            line("TaskNumber " + cls->KeyValue() + attrs(*tn) + " [" + tn->TemplateText() + "|" + tn->VersionText() +
                 "] name=[" + tn->DisplayName() + "]" + (tn->Class == cls ? "" : " WRONG CLASS"));
            if (const auto* flights = cls->FindFlights(tn))
                for (TFlight* f : *flights)
                    line(" Flight" + attrs(*f) + " competitor=" + (f->Competitor() ? f->Competitor()->KeyValue() : "-") +
                         (f->TaskNumber() == tn ? "" : " WRONG TASK") + " name=[" + f->DisplayName() + "]");
        }
    }
    return out;
}

} // namespace champtest
