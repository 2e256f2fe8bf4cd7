#include "ui/WaypointImport.h"

int ImportOziWaypoints(TWayPointSet& set, const QString& path)
{
    (void)set;
    (void)path;
    return 0;
}
