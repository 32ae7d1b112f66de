#include "report/SheetExport.h"

#include "report/CsvExport.h"
#include "report/xlsx/XlsxExport.h"

#include <QFileInfo>

QString ExportSuffix(TExportType type) {
    switch (type) {
    case TExportType::Xlsx: return QStringLiteral("xlsx");
    case TExportType::Csv: return QStringLiteral("csv");
    case TExportType::Xls: break;
    }
    return QStringLiteral("xls");
}

std::optional<TExportType> ExportTypeOfName(const QString &fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    for (TExportType t : {TExportType::Xls, TExportType::Xlsx, TExportType::Csv})
        if (suffix == ExportSuffix(t)) return t;
    return std::nullopt;
}

authpay::Outcome ExportSheet(const TSheetModel &model, const QString &fileName, TExportType type,
                             const TWorkProgress &progress) {
    switch (type) {
    case TExportType::Xlsx: return ExportXlsx(model, fileName, progress);
    case TExportType::Csv: return ExportCsv(model, fileName, progress);
    case TExportType::Xls: break;
    }
    return ExportXls(model, fileName, progress);
}
