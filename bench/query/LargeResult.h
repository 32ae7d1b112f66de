#pragma once
#include "BenchHost.h"

// A Refresh that returns a large result, and what the user then does with it: how long the rows
// take to fill the sheet and how often the progress panel moved meanwhile, scrolling through the
// sheet, the print preview, printing to PDF (pages counted and their page numbers read back), and
// the exports. Targets: the sheet filled in under 1 s for 200,000 rows; 4,000 pages printed to PDF
// in under 60 s.
int LargeResultBench(const QString &label, const QString &connectionString, const TGrouping &grouping,
                     const QString &templates, const QString &workDir);
