#pragma once
// Import of an OziExplorer waypoint file ("OziExplorer Waypoint File Version
// 1.1", datum "WGS 84") into a waypoint set. Each waypoint line is added by
// itself; a line that fails is shown in a box whose Cancel stops the import
// and whose Ignore goes on with the next line. A file that cannot be opened or
// whose header is not the expected one throws TException and adds nothing;
// only a regular file of at most 64 MiB is read.
// Lines may end in CR LF or LF. Fields are separated by every comma: 2 is the
// code, 3 and 4 latitude and longitude (decimal degrees, read whatever the
// locale), 11 the description. A line that is valid UTF-8 and holds a
// character beyond ASCII is read as UTF-8; any other line as Windows-1252,
// byte for byte. A line without code or with a coordinate that does not
// read, with a control character (a TAB is one only in the code) or with a
// character Windows-1252 has no byte for goes to the Cancel/Ignore box like
// a duplicate code. Messages quote at most the start of a line or field.
//
// The caller refills the waypoint table and redraws the map afterwards, also
// after a Cancel (the waypoints added before it stay).

#include <QString>

class TWayPointSet;

// Returns how many waypoints were added.
int ImportOziWaypoints(TWayPointSet& set, const QString& path);
