#pragma once
// The sheet as a PDF file. A sheet of many pages is drawn in runs of pages side by side, one run
// to a processor, each into a PDF of its own that is then joined into the file: the pages are
// those of one run drawn alone, to the pixel.
#include "authpay/Outcome.h"
#include "report/SheetModel.h"
#include "report/SheetPagination.h"
#include "report/WorkProgress.h"

#include <QPdfWriter>
#include <QString>
#include <vector>

// The page layout, resolution and document information of the sheet's PDF file.
void SetUpSheetPdf(QPdfWriter &pdf, const TSheetModel &model);

// The pages of the sheet's PDF file: laid out on the PDF writer's own page, whose size in device
// pixels is what the page renderer lays out on.
std::vector<TSheetPage> SheetPdfPages(const TSheetModel &model);
// The number of pages the sheet prints on, with the page layout of its page set-up: those of its
// PDF file.
int SheetPageCount(const TSheetModel &model);

// The number of runs a PDF of `pages` pages is drawn in on this machine: one below a few dozen
// pages a run, else one a processor (at most 4).
int SheetPdfRuns(int pages);

// Writes the sheet as a PDF file (through a temporary file renamed when complete), telling
// `progress` of the pages drawn; a failure with its reason when the file cannot be written. A
// cancelled file leaves an earlier file as it was and no temporary behind. `runs` above 0 sets the
// number of runs (for tests and measurements); 0 leaves it to SheetPdfRuns.
authpay::Outcome WriteSheetPdf(const TSheetModel &model, const QString &fileName, const TWorkProgress &progress = {},
                               int runs = 0);
