#pragma once
// Report templates: a sheet's heading, sizes, fonts, formats and page set-up stored as a small
// JSON document (described in docs/report-template.md). Reading is all or nothing: a missing,
// oversized or malformed file yields an error and no sheet, so a caller keeps what it had.
#include "authpay/Outcome.h"
#include "report/SheetModel.h"

#include <QByteArray>
#include <QString>

inline constexpr qint64 kTemplateMaxBytes = 4 * 1024 * 1024;
inline constexpr int kTemplateMaxRows = 65536;
// Cells that the formats, grid lines, column widths and row heights of one template (or one part)
// may cover together; a template that asks for more is refused.
inline constexpr qint64 kTemplateMaxFormattedCells = 1 << 20;

// Builds the sheet the template describes into *sheet. A failure (with a reason naming the offending
// entry) when the text is not a valid template; *sheet is then left as it was.
authpay::Outcome ReadSheetTemplate(const QByteArray &text, TSheetModel *sheet);
// The same for a file.
authpay::Outcome LoadSheetTemplate(const QString &fileName, TSheetModel *sheet);

// Optional parts of a template: an object under a key of the document (such as "comparison")
// that widens the sheet to its "columns" and applies its "columnWidths", "formats", "cells",
// "merges" and "gridLines" over *sheet, as a template's own entries are applied. The template's
// own reading ignores such keys. All or nothing: on failure *sheet is left as it was.
authpay::Outcome ReadSheetTemplatePart(const QByteArray &text, const QString &key, TSheetModel *sheet);
authpay::Outcome LoadSheetTemplatePart(const QString &fileName, const QString &key, TSheetModel *sheet);
