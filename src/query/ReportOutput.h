#pragma once
// Preview, print and export of a report sheet, as the query windows offer them on their tool
// bars: the page numbering each output carries, then the control's operation. Each answers the
// message the window shows, empty when there is nothing to say (a print or export the user
// cancelled says nothing).
#include <QString>
#include <functional>

class QWidget;
class TReportSheet;
enum class TExportType;

QString PreviewReport(TReportSheet *sheet);
QString PrintReport(TReportSheet *sheet);
// Asks for the file in the save dialog (the name suggested, the Excel 97-2003 type first) and
// writes the sheet as the type chosen; empty when the dialog was cancelled, `ready` (run once
// the file is chosen, to complete the sheet) says no, or the user stopped a long export.
QString ExportReport(TReportSheet *sheet, QWidget *parent, const QString &suggested,
                     const std::function<bool()> &ready = {});

// What ExportReport says when the file was written.
extern const QString kExportDoneText;

// The query windows' message box, with its caption and an object name hosts find it by: the
// information icon, or the warning icon for a message that reports a failure.
enum class TMessageKind { Information, Failure };
void ShowQueryMessage(QWidget *parent, const QString &text, TMessageKind kind = TMessageKind::Information);
// A yes/no question under the same caption ("authpayQuestion"), No the default; true for Yes.
bool AskQueryQuestion(QWidget *parent, const QString &text);

// The file to export to and its type, from the save dialog; an empty name when cancelled.
QString AskExportFile(QWidget *parent, const QString &suggested, TExportType *type);
