#pragma once
// bench_query --responsive: how the query window answers while a Refresh runs.
//  1. The largest gap in the user-interface event loop from the Refresh's click until the window
//     is idle again (a timer that wants to run every millisecond notes how late it comes), against
//     the whole Refresh's time (the gap it was before statements left the user-interface thread).
//  2. The whole Refresh against the same work done on the user-interface thread in one go (the
//     statement read through the data layer, the rows written by the same writer): the cost of the
//     worker.
//  3. A cancel one second into the statement: from the click on "取消" until the window is idle
//     with its old sheet back; on PostgreSQL, the module's statements still running on the server
//     (pg_stat_activity) a second after the cancel.
//  4. From the Refresh's click until the sheet is first painted with the new rows, against the
//     statement's own time (click to last row read) + 50 ms.
// Each figure is printed as "<what>: <ms> ms, reference <ms> ms, ratio <r>".
#include "BenchHost.h"

int ResponsiveBench(THost &host, TbfrmApportionQry *w, const TGrouping &grouping, bool postgres, int reps);
