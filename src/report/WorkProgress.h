#pragma once
// Progress of long output work (printing, PDF files, exports): the work tells a callback how far
// it has come, in rows or pages, and stops as soon as it can when the callback answers false. The
// callback is a plain function, so that the writers need no widgets; the progress dialog that
// answers it lives with the report control (TSheetProgress).
#include <functional>

// Packing: the rows are all in, the file is being packed (a workbook's close).
enum class TWorkUnit { Rows, Pages, Packing };

// `done` of `total` units are finished; the calls of one piece of work never go back and end with
// done == total when the work completes. Answering false asks the work to stop.
using TWorkProgress = std::function<bool(TWorkUnit unit, int done, int total)>;

// Tells the callback, if there is one; false when it asks the work to stop.
inline bool KeepWorking(const TWorkProgress &progress, TWorkUnit unit, int done, int total) {
    return !progress || progress(unit, done, total);
}
