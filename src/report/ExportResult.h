#pragma once
// How an export (a workbook, a CSV file, a PDF file) ended: written, stopped by the user, or
// refused or failed with a sentence for the user; an authpay::Outcome whose code is the TXlsResult.
#include "authpay/Outcome.h"

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

// The outcome of an export that ended with `code` (the message only for a refusal or failure).
inline authpay::Outcome ExportOutcome(TXlsResult code, QString message = QString()) {
    if (code == kXlsWritten) return authpay::Outcome::Success(code);
    if (code == kXlsCancelled) return authpay::Outcome::Stop(code);
    return authpay::Outcome::Failure(std::move(message), code);
}
