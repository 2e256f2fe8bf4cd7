#pragma once
// Reading the committed golden vectors (tests/data/geodesy/*.csv) and small
// helpers shared by the geodesy tests.

#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "geodesy/Coord.h"
#include "platform/Numbers.h"

namespace geotest {

// One CSV row by column name. Fields hold no quotes or commas except the
// last fields of datum_shift.csv, which are plain names.
class TRow {
public:
    TRow(std::shared_ptr<const std::vector<std::string>> header, std::vector<std::string> fields)
        : FHeader(std::move(header)), FFields(std::move(fields)) {}
    const std::string& Text(const std::string& column) const
    {
        for (std::size_t i = 0; i < FHeader->size(); ++i)
            if ((*FHeader)[i] == column) return FFields.at(i);
        throw std::runtime_error("no column " + column);
    }
    double Num(const std::string& column) const
    {
        double v = 0;
        if (!ParseDouble(Text(column), v)) throw std::runtime_error("not a number in " + column);
        return v;
    }
    bool Empty(const std::string& column) const { return Text(column).empty(); }

private:
    std::shared_ptr<const std::vector<std::string>> FHeader;
    std::vector<std::string> FFields;
};

// The rows of one file; rows share the header, so the table itself may be
// a temporary of a range-for.
class TTable {
public:
    explicit TTable(const std::string& name)
    {
        std::ifstream in(std::string(ZEPH_SOURCE_DIR) + "/tests/data/geodesy/" + name);
        std::string line;
        if (!std::getline(in, line)) throw std::runtime_error("cannot read " + name);
        auto header = std::make_shared<const std::vector<std::string>>(Split(line));
        while (std::getline(in, line))
            if (!line.empty()) FRows.emplace_back(header, Split(line));
    }
    const std::vector<TRow>& Rows() const& { return FRows; }
    std::vector<TRow> Rows() && { return std::move(FRows); }

private:
    static std::vector<std::string> Split(const std::string& line)
    {
        std::vector<std::string> out;
        std::size_t start = 0;
        for (;;) {
            auto comma = line.find(',', start);
            out.push_back(line.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        return out;
    }
    std::vector<TRow> FRows;
};

inline TGeoCoord Deg(double lat, double lon, double h = 0.0) { return {DegToRad(lon), DegToRad(lat), h}; }

// Metres between two geographic positions that differ by little.
inline double GroundError(double lat1, double lon1, double lat2, double lon2)
{
    const double dn = DegToRad(lat1 - lat2) * 6371000.0;
    const double de = DegToRad(lon1 - lon2) * 6371000.0 * std::cos(DegToRad(lat1));
    return std::hypot(dn, de);
}

} // namespace geotest
