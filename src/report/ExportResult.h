#pragma once
// How an export (a workbook, a CSV file, a PDF file) ended: written, stopped by the user, or
// refused or failed with a sentence for the user.
#include <QString>

// Results of an export; everything but kXlsWritten leaves the target untouched.
enum TXlsResult : int {
    kXlsWritten = 1,
    kXlsNoFileName = -1,
    kXlsTooManyRows = -2,
    kXlsTooManyColumns = -3,
    kXlsTargetIsFolder = -4,
    kXlsWriteFailed = -5,
    kXlsTargetNotFile = -6,  // the name is taken by something other than a file (a pipe, a device)
    kXlsCancelled = -7,      // the user stopped the export; not a failure, and no message
};

struct TXlsExportResult {
    int code = kXlsWritten;
    QString message;  // empty on success; a sentence for the user otherwise
    bool Ok() const { return code == kXlsWritten; }
};
