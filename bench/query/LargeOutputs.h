#pragma once
#include "BenchHost.h"

// PDF pages of a large result: the Refresh's sheet written to a PDF file as printing writes it,
// timed per page against the PDF writer's own cost per page in the same run (as many pages
// carrying only their page text). Target: 1 ms a page. keepPdf, when given, keeps the file (for
// comparing page images between builds); rowLimit > 0 cuts the sheet to that many rows first.
int PdfPagesBench(const QString &label, const QString &connectionString, const TGrouping &grouping,
                  const QString &templates, const QString &workDir, const QString &keepPdf, int rowLimit);

// The rest of the drill-down of the totals row (grouped by unit): the process's memory before the
// drill-down opens, after its first page and at its peak while every row is read, per row read.
// Target: the peak under 250 MiB for 1,048,569 rows.
int DrillRestBench(TbfrmApportionQry *w);
