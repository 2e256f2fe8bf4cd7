#pragma once
// Import of an OziExplorer waypoint file ("OziExplorer Waypoint File Version
// 1.1", datum "WGS 84") into a waypoint set. Each waypoint line is added by
// itself; a line that fails is shown in a box whose Cancel stops the import
// and whose Ignore goes on with the next line. A file that cannot be opened or
// whose header is not the expected one throws TException and adds nothing.

#include <QString>

class TWayPointSet;

// Returns how many waypoints were added.
int ImportOziWaypoints(TWayPointSet& set, const QString& path);
