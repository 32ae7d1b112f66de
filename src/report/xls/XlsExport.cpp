#include "report/xls/XlsExport.h"

#include "report/xls/CompoundFile.h"
#include "report/xls/XlsWorksheet.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {
using namespace biff;

constexpr uint16_t kBof = 0x0809;
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kCodePage = 0x0042;
constexpr uint16_t kWindow1 = 0x003D;
constexpr uint16_t kDateMode = 0x0022;
constexpr uint16_t kBoundSheet = 0x0085;

// A sheet name as workbooks accept it: at most 31 characters, none of []:*?/\.
QString WorkbookSheetName(const QString &name) {
    QString out;
    for (QChar c : name)
        if (!QStringLiteral("[]:*?/\\").contains(c) && c.unicode() >= 0x20) out += c;
    out = out.left(31).trimmed();
    return out.isEmpty() ? QStringLiteral("Sheet1") : out;
}

struct TWorkbookStream {
    TBiffBuffer globals;
    TBiffBuffer sheet;
};

// The worksheet comes first in memory, because writing it decides which strings and formats the
// globals must declare; in the stream the globals come first.
void BuildStream(const TSheetModel &model, TWorkbookStream &stream) {
    TXlsStyles styles(model);
    TSharedStrings strings;
    WriteWorksheet(model, styles, strings, stream.sheet);

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
    strings.Write(g, 0);
    h = g.OpenRecord(kEof);
    g.CloseRecord(h);
    g.PatchU32(sheetOffsetAt, uint32_t(g.Size()));
}

std::vector<QByteArrayView> Parts(const TWorkbookStream &stream) {
    std::vector<QByteArrayView> parts = stream.globals.Parts();
    for (QByteArrayView p : stream.sheet.Parts()) parts.push_back(p);
    return parts;
}

TXlsExportResult Fail(int code, QString message) { return {code, std::move(message)}; }
}  // namespace

QByteArray BuildWorkbookStream(const TSheetModel &model) {
    TWorkbookStream stream;
    BuildStream(model, stream);
    QByteArray bytes;
    for (QByteArrayView p : Parts(stream)) bytes += p;
    return bytes;
}

TXlsExportResult ExportXls(const TSheetModel &model, const QString &fileName) {
    if (fileName.trimmed().isEmpty()) return Fail(kXlsNoFileName, QStringLiteral("没有指定导出文件名。"));
    if (model.RowCount() > kMaxXlsRows)
        return Fail(kXlsTooManyRows,
                    QStringLiteral("表格有%1行，超过Excel 97-2003工作表最多65536行的限制，未导出。")
                        .arg(model.RowCount()));
    if (model.ColumnCount() > kMaxXlsColumns)
        return Fail(kXlsTooManyColumns,
                    QStringLiteral("表格有%1列，超过Excel 97-2003工作表最多256列的限制，未导出。")
                        .arg(model.ColumnCount()));
    if (QFileInfo(fileName).isDir())
        return Fail(kXlsTargetIsFolder, QStringLiteral("“%1”是一个文件夹，不能作为导出文件。").arg(fileName));

    TWorkbookStream stream;
    BuildStream(model, stream);
    QSaveFile file(fileName);
    QString error;
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
    } else if (!cfb::WriteWorkbookFile(file, Parts(stream), &error)) {
        file.cancelWriting();
    } else if (!file.commit()) {
        error = file.errorString();
    }
    if (!error.isEmpty())
        return Fail(kXlsWriteFailed, QStringLiteral("无法写入文件“%1”：%2").arg(fileName, error));
    return {};
}
