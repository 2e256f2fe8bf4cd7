// Reading of the datum file. Kept apart from the datum types so that code
// which only computes with datums does not pull in the XML reader.
#include <cstddef>

#include "geodesy/Datum.h"
#include "platform/Numbers.h"
#include "xml/Xmlfile.h"

namespace {

struct TDatumRecord {
    std::string EllipsoidName;
    double Axes[2] = {0.0, 0.0}; // a, 1/f
    double Delta[3] = {0.0, 0.0, 0.0};
    double Error[3] = {0.0, 0.0, 0.0};
};

// Document order decides: elements of the requested name are read until one
// of the requested region has been seen (so an unknown region leaves the last
// element of that name), and the ellipsoid is the first definition of the
// collected ellipsoid name that follows.
TDatumRecord ReadDatum(const std::string& name, const std::string& region, const std::string& xmlFile)
{
    TDatumRecord rec;
    bool inDatum = false;
    bool regionFound = false;
    bool inEllipsoid = false;
    bool ellipsoidDone = false;
    TXmlInput in(xmlFile);
    while (in.HasData()) {
        const TXmlData item = in.Get();
        switch (item.Kind) {
        case xkEnd:
            if (item.Element == "Datum")
                inDatum = false;
            else if (item.Element == "Ellipsoid")
                inEllipsoid = false;
            break;
        case xkAttribute:
            if (!regionFound && item.Element == "Datum" && item.Name == "Name" && item.Value == name)
                inDatum = true;
            if (!ellipsoidDone && item.Element == "Ellipsoid" && item.Name == "Name" &&
                item.Value == rec.EllipsoidName)
                inEllipsoid = true;
            break;
        case xkText:
            if (inDatum) {
                if (item.Element == "Ellipsoid")
                    rec.EllipsoidName = item.Value;
                else if (item.Element == "Delta")
                    ScanDoubles(item.Value, rec.Delta, 3);
                else if (item.Element == "Error")
                    ScanDoubles(item.Value, rec.Error, 3);
                else if (item.Element == "Region" && item.Value == region)
                    regionFound = true;
            }
            if (inEllipsoid) {
                if (item.Element == "Ellipsoid") ScanDoubles(item.Value, rec.Axes, 2);
                ellipsoidDone = true;
            }
            break;
        default:
            break;
        }
    }
    return rec;
}

TDatum MakeDatum(const std::string& name, const std::string& region, const std::string& xmlFile)
{
    TDatumRecord r = ReadDatum(name, region, xmlFile);
    return TDatum(name, region, TEllipsoid(r.EllipsoidName, r.Axes[0], r.Axes[1]),
                  {r.Delta[0], r.Delta[1], r.Delta[2]}, {r.Error[0], r.Error[1], r.Error[2]});
}

} // namespace

TDatum::TDatum(const std::string& name, const std::string& region, const std::string& xmlFile)
    : TDatum(MakeDatum(name, region, xmlFile))
{
}

TDatum::TDatum(TDatumSet& set, const std::string& name, const std::string& region)
    : TDatum(MakeDatum(name, region, set.FileName))
{
}

TDatumSet::TDatumSet(const std::string& xmlFile)
    : FileName(xmlFile), FDatumCursor(FDatums.end()), FChosen(FDatums.end())
{
    std::string name;
    std::string region;
    TXmlInput in(xmlFile);
    while (in.HasData()) {
        const TXmlData item = in.Get();
        if (item.Kind == xkAttribute && item.Element == "Datum" && item.Name == "Name")
            name = item.Value;
        else if (item.Kind == xkText && item.Element == "Region")
            region = item.Value;
        else if (item.Kind == xkEnd && item.Element == "Datum")
            Add(name, region);
    }
    FDatumCursor = FDatums.begin();
}
