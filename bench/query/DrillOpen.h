#pragma once
#include "BenchHost.h"

// The drill-down window opened on the largest groups of a Refresh grouped by units at level 1:
// the totals row (every row of the filters) and the largest unit. For each: the time from the
// double-click's handler to the window shown with its first page, against the database's shell
// running that first page's statement; the time of a further page when the user scrolls to the
// end; reading every page (as an export does) and the memory it took. Target: the window opens
// at once, as fast as the shell reads its first page, however large the group.
int DrillOpenBench(THost &host, TbfrmApportionQry *w, const TShell &shell, const QString &workDir);
