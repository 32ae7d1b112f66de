#include "report/xls/XlsExport.h"

#include "report/ExportCells.h"
#include "report/xls/CompoundFile.h"
#include "report/xls/XlsWorksheet.h"

#include <QFileInfo>
#include <algorithm>
#include <QSaveFile>

namespace {
using namespace biff;

constexpr uint16_t kBof = 0x0809;
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kCodePage = 0x0042;
constexpr uint16_t kWindow1 = 0x003D;
constexpr uint16_t kDateMode = 0x0022;
constexpr uint16_t kBoundSheet = 0x0085;
constexpr uint16_t kSupBook = 0x01AE;
constexpr uint16_t kExternSheet = 0x0017;
constexpr uint16_t kName = 0x0018;

// One area of a print title as a formula token: reference 0 (the sheet), rows and columns, all
// absolute.
void Area3d(TBiffBuffer &g, int firstRow, int lastRow, int firstCol, int lastCol) {
    g.U8(0x3B);
    for (int w : {0, firstRow, lastRow, firstCol, lastCol}) g.U16(uint16_t(w));
}

// The print titles: the built-in name Print_Titles of the sheet, referring to its repeated rows
// across every column and its repeated columns down every row (both: the union of the two
// areas). The name needs the workbook's own sheet list (SUPBOOK) and one reference to the sheet
// (EXTERNSHEET).
void WritePrintTitles(const TPageSetup &page, int rows, int columns, TBiffBuffer &g) {
    const bool repeatRows = page.repeatFirstRow >= 1 && page.repeatFirstRow <= page.repeatLastRow
                            && page.repeatLastRow <= std::min(rows, kMaxXlsRows);
    const bool repeatColumns = RepeatsColumns(page, columns) && page.repeatLastColumn <= kMaxXlsColumns;
    if (!repeatRows && !repeatColumns) return;
    size_t h = g.OpenRecord(kSupBook);
    g.U16(1);       // one sheet
    g.U16(0x0401);  // this workbook
    g.CloseRecord(h);
    h = g.OpenRecord(kExternSheet);
    for (uint16_t w : {1, 0, 0, 0}) g.U16(w);  // one reference: this workbook, sheet 0 to 0
    g.CloseRecord(h);
    const bool both = repeatRows && repeatColumns;
    h = g.OpenRecord(kName);
    g.U16(0x0020);  // built-in name
    g.U8(0);        // no keyboard shortcut
    g.U8(1);        // the name is one character long
    g.U16(both ? 26 : 11);  // formula size
    g.U16(0);
    g.U16(1);       // belongs to the first sheet
    for (int i = 0; i < 4; ++i) g.U8(0);
    g.U8(0);        // the name's character, 8 bits wide
    g.U8(0x07);     // Print_Titles
    if (both) {
        g.U8(0x29);  // the union below, 23 bytes long
        g.U16(23);
    }
    if (repeatColumns) Area3d(g, 0, 0xFFFF, page.repeatFirstColumn - 1, page.repeatLastColumn - 1);
    if (repeatRows) Area3d(g, page.repeatFirstRow - 1, page.repeatLastRow - 1, 0, 0x00FF);
    if (both) g.U8(0x10);  // the union of the two areas
    g.CloseRecord(h);
}

struct TWorkbookStream {
    TBiffBuffer globals;
    TBiffBuffer sheet;
};

// The worksheet comes first in memory, because writing it decides which strings and formats the
// globals must declare; in the stream the globals come first. False when `progress` stopped it.
bool BuildStream(const TSheetModel &model, TWorkbookStream &stream, const TWorkProgress &progress) {
    TXlsStyles styles(model);
    TSharedStrings strings;
    if (!WriteWorksheet(model, styles, strings, stream.sheet, progress)) return false;

    TBiffBuffer &g = stream.globals;
    size_t h = g.OpenRecord(kBof);
    for (uint16_t w : {0x0600, 0x0005, 0x0DBB, 0x07CC, 0, 0, 6, 0}) g.U16(w);
    g.CloseRecord(h);
    h = g.OpenRecord(kCodePage);
    g.U16(1200);  // texts are UTF-16
    g.CloseRecord(h);
    h = g.OpenRecord(kWindow1);
    for (uint16_t w : {0, 0, 0x3A98, 0x2328, 0x0038, 0, 0, 1, 0x0258}) g.U16(w);
    g.CloseRecord(h);
    h = g.OpenRecord(kDateMode);
    g.U16(0);
    g.CloseRecord(h);
    styles.Write(g);
    h = g.OpenRecord(kBoundSheet);
    const size_t sheetOffsetAt = g.Size();
    g.U32(0);  // stream position of the worksheet, patched below
    g.U8(0);   // visible
    g.U8(0);   // worksheet
    g.ShortString(WorkbookSheetName(model.SheetName));
    g.CloseRecord(h);
    WritePrintTitles(model.Page(), model.RowCount(), model.ColumnCount(), g);
    strings.Write(g, 0);
    h = g.OpenRecord(kEof);
    g.CloseRecord(h);
    g.PatchU32(sheetOffsetAt, uint32_t(g.Size()));
    return true;
}

std::vector<QByteArrayView> Parts(const TWorkbookStream &stream) {
    std::vector<QByteArrayView> parts = stream.globals.Parts();
    for (QByteArrayView p : stream.sheet.Parts()) parts.push_back(p);
    return parts;
}

}  // namespace

QByteArray BuildWorkbookStream(const TSheetModel &model) {
    TWorkbookStream stream;
    BuildStream(model, stream, {});
    QByteArray bytes;
    for (QByteArrayView p : Parts(stream)) bytes += p;
    return bytes;
}

authpay::Outcome ExportXls(const TSheetModel &model, const QString &fileName, const TWorkProgress &progress) {
    if (fileName.trimmed().isEmpty()) return *RefusedExportTarget(fileName);
    if (model.RowCount() > kMaxXlsRows)
        return ExportOutcome(kXlsTooManyRows,
                    QStringLiteral("表格有%1行，超过Excel 97-2003工作表最多65536行的限制，未导出。"
                                   "请选择“Excel 工作簿 (*.xlsx)”类型导出。")
                        .arg(model.RowCount()));
    if (model.ColumnCount() > kMaxXlsColumns)
        return ExportOutcome(kXlsTooManyColumns,
                    QStringLiteral("表格有%1列，超过Excel 97-2003工作表最多256列的限制，未导出。")
                        .arg(model.ColumnCount()));
    if (const auto refused = RefusedExportTarget(fileName)) return *refused;

    TWorkbookStream stream;
    if (!BuildStream(model, stream, progress)) return ExportCancelled();
    QSaveFile file(ExportTargetFile(fileName));
    if (!file.open(QIODevice::WriteOnly)) return ExportWriteFailed(fileName, file.errorString());
    if (const authpay::Outcome written = cfb::WriteWorkbookFile(file, Parts(stream)); !written.Ok()) {
        file.cancelWriting();
        return ExportWriteFailed(fileName, written.message);
    }
    if (!file.commit()) return ExportWriteFailed(fileName, file.errorString());
    return ExportOutcome(kXlsWritten);
}
