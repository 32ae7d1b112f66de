#pragma once
// Preview, print and export of a report sheet, as the query windows offer them on their tool
// bars: the page numbering each output carries, then the control's operation. Each answers how it
// ended, with the message the window shows (none when there is nothing to say: a preview or print
// done, or any output the user cancelled).
#include "authpay/ReportWindow.h"

#include <QString>
#include <functional>

class QWidget;
class TReportSheet;
enum class TExportType;

authpay::Outcome PreviewReport(TReportSheet *sheet);
authpay::Outcome PrintReport(TReportSheet *sheet);
// Asks for the file in the save dialog (the name suggested, the Excel 97-2003 type first) and
// writes the sheet as the type chosen. Cancelled when the dialog was cancelled, `ready` (run once
// the file is chosen, to complete the sheet) says no, or the user stopped a long export; Done
// with kExportDoneText; Failed with the reason.
authpay::Outcome ExportReport(TReportSheet *sheet, QWidget *parent, const QString &suggested,
                              const std::function<bool()> &ready = {});
// The same for a file named without the dialog: its type by its extension, ".xls" added to a
// name without a known one.
authpay::Outcome ExportReportTo(TReportSheet *sheet, QString name, const std::function<bool()> &ready = {});
// The sheet printed to a PDF file as the print button prints it.
authpay::Outcome PrintReportTo(TReportSheet *sheet, const QString &file);
// Stops a long output whose progress shows over `window` (its "取消").
void CancelOutputs(QWidget *window);
// What an export says when the file was written.
extern const QString kExportDoneText;
// An output's outcome as the windows show it: the information box when done with a message (with
// the file's name and buttons that open it or its folder when a file was written), the warning
// box with its reason when failed, nothing when the user stopped it or nothing is said.
bool ShowsMessage(const authpay::Outcome &outcome);
void ShowOutcome(QWidget *parent, const authpay::Outcome &outcome);

// The query windows' message box, with its caption and an object name hosts find it by: the
// information icon, or the warning icon for a message that reports a failure.
enum class TMessageKind { Information, Failure };
void ShowQueryMessage(QWidget *parent, const QString &text, TMessageKind kind = TMessageKind::Information);
// The information box for a file written: the text, the file's name under it, and 打开文件 and
// 打开所在文件夹 beside OK (the default).
void ShowFileWritten(QWidget *parent, const QString &text, const QString &file);
// A yes/no question under the same caption ("authpayQuestion"), No the default; true for Yes.
bool AskQueryQuestion(QWidget *parent, const QString &text);

// The file to export to and its type, from the save dialog; an empty name when cancelled.
QString AskExportFile(QWidget *parent, const QString &suggested, TExportType *type);
