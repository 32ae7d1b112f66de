#pragma once
// The cost of "对比年度": the window's Refresh with a compared year against the plain one, on the
// same grouping and database, the two alternating, and the ratio of their medians.
class TbfrmApportionQry;
struct TGrouping;

int CompareRefreshBench(TbfrmApportionQry *w, const TGrouping &grouping, int compareYear, int reps);
