#include "query/ReportOutput.h"

#include "report/FileTarget.h"
#include "report/PrintChoices.h"
#include "report/ReportSheet.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QUrl>
#include <QMessageBox>
#include <QProgressDialog>

namespace {
// The save dialog's file types: the Excel 97-2003 workbook first and chosen at first.
struct TExportFilter {
    TExportType type;
    const char *text;
};
const TExportFilter kExportFilters[] = {
    {TExportType::Xls, "文件类型 (*.xls)"},
    {TExportType::Xlsx, "Excel 工作簿 (*.xlsx)"},
    {TExportType::Csv, "CSV UTF-8 (*.csv)"},
};

QString FilterText(TExportType type) {
    for (const TExportFilter &f : kExportFilters)
        if (f.type == type) return QString::fromUtf8(f.text);
    return QString::fromUtf8(kExportFilters[0].text);
}

TExportType FilterType(const QString &filter) {
    for (const TExportFilter &f : kExportFilters)
        if (filter == QString::fromUtf8(f.text)) return f.type;
    return TExportType::Xls;
}
}  // namespace

const QString kExportDoneText = QStringLiteral("数据导出成功。");

namespace {
const QString kCaption = QStringLiteral("Kestrelbay 7.1-提示信息");
}

void ShowQueryMessage(QWidget *parent, const QString &text, TMessageKind kind) {
    const QMessageBox::Icon icon = kind == TMessageKind::Failure ? QMessageBox::Warning : QMessageBox::Information;
    QMessageBox box(icon, kCaption, text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("authpayMessage"));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void ShowFileWritten(QWidget *parent, const QString &text, const QString &file) {
    QMessageBox box(QMessageBox::Information, kCaption, text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("authpayMessage"));
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(QStringLiteral("文件：") + QDir::toNativeSeparators(file));
    QPushButton *open = box.addButton(QStringLiteral("打开文件"), QMessageBox::ActionRole);
    open->setObjectName(QStringLiteral("openFile"));
    QPushButton *folder = box.addButton(QStringLiteral("打开所在文件夹"), QMessageBox::ActionRole);
    folder->setObjectName(QStringLiteral("openFolder"));
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    if (box.clickedButton() == open) QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    else if (box.clickedButton() == folder) QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
}

bool AskQueryQuestion(QWidget *parent, const QString &text) {
    QMessageBox box(QMessageBox::Question, kCaption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName(QStringLiteral("authpayQuestion"));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

authpay::Outcome PreviewReport(TReportSheet *sheet) {
    sheet->SheetPageText(QString(), QStringLiteral("共&S页第&P页"), QString());
    sheet->SheetPreviewOption(1);
    return sheet->Preview();
}

authpay::Outcome PrintReport(TReportSheet *sheet) {
    sheet->SheetPageText(QString(), QString(), QStringLiteral("共&S页第&P页"));
    return sheet->Print();
}

authpay::Outcome PrintReportTo(TReportSheet *sheet, const QString &file) {
    sheet->SetPrintFile(file);
    authpay::Outcome printed = PrintReport(sheet);
    sheet->SetPrintFile(QString());
    return printed;
}

void CancelOutputs(QWidget *window) {
    for (QProgressDialog *progress : window->findChildren<QProgressDialog *>())
        if (progress->isVisible()) progress->cancel();
}

QString AskExportFile(QWidget *parent, const QString &suggested, TExportType *type) {
    QStringList filters;
    for (const TExportFilter &f : kExportFilters) filters << QString::fromUtf8(f.text);
    QFileDialog sd(parent, QString(), suggested);
    sd.setNameFilters(filters);
    sd.setObjectName(QStringLiteral("sd"));
    sd.setAcceptMode(QFileDialog::AcceptSave);
    // The folder and type of the user's last export, where there was one (and the folder is still
    // there); the Excel 97-2003 workbook otherwise.
    const TExportChoice last = SavedExportChoice();
    const TExportType lastType = ExportTypeOfName(QStringLiteral("last.") + last.suffix).value_or(TExportType::Xls);
    if (!last.folder.isEmpty() && QFileInfo(last.folder).isDir()) sd.setDirectory(last.folder);
    sd.selectNameFilter(FilterText(lastType));
    // The name the dialog checks for an existing file is the one written: with the chosen type's
    // extension.
    sd.setDefaultSuffix(ExportSuffix(lastType));
    QObject::connect(&sd, &QFileDialog::filterSelected, &sd,
                     [&sd](const QString &filter) { sd.setDefaultSuffix(ExportSuffix(FilterType(filter))); });
    sd.setOption(QFileDialog::DontUseNativeDialog);
    sd.selectFile(suggested);
    if (sd.exec() != QDialog::Accepted || sd.selectedFiles().isEmpty()) return QString();
    QString name = sd.selectedFiles().constFirst();
    // A name with a known extension is written as that type; any other name gets the extension of
    // the type chosen in the dialog.
    if (const std::optional<TExportType> named = ExportTypeOfName(name)) {
        *type = *named;
    } else {
        *type = FilterType(sd.selectedNameFilter());
        name += QLatin1Char('.') + ExportSuffix(*type);
    }
    return name;
}

namespace {
authpay::Outcome WriteExport(TReportSheet *sheet, const QString &name, TExportType type, const std::function<bool()> &ready) {
    if (ready && !ready()) return authpay::Outcome::Stop();
    // A workbook printed from the spreadsheet program numbers its pages as the printout does.
    sheet->SheetPageText(QString(), QString(), QStringLiteral("共&S页第&P页"));
    sheet->SetWorkbookReadonly(false);
    authpay::Outcome written = sheet->ExportFile(name, type);
    sheet->SetWorkbookReadonly(true);
    if (written.Stopped()) return written;  // the user's own stop
    written.message = written.Ok() ? kExportDoneText : QStringLiteral("数据导出失败：") + written.message;
    if (written.Ok()) written.file = ExportTargetFile(name);
    return written;
}
}  // namespace

authpay::Outcome ExportReport(TReportSheet *sheet, QWidget *parent, const QString &suggested,
                              const std::function<bool()> &ready) {
    TExportType type = TExportType::Xls;
    const QString name = AskExportFile(parent, suggested, &type);
    if (name.isEmpty()) return authpay::Outcome::Stop();
    authpay::Outcome written = WriteExport(sheet, name, type, ready);
    if (written.Ok() && !SaveExportChoice(name)) TellChoiceNotKept(parent);
    return written;
}

authpay::Outcome ExportReportTo(TReportSheet *sheet, QString name, const std::function<bool()> &ready) {
    const std::optional<TExportType> named = ExportTypeOfName(name);
    if (!named) name += QLatin1Char('.') + ExportSuffix(TExportType::Xls);
    return WriteExport(sheet, name, named.value_or(TExportType::Xls), ready);
}

bool ShowsMessage(const authpay::Outcome &outcome) { return !outcome.Stopped() && !outcome.message.isEmpty(); }

void ShowOutcome(QWidget *parent, const authpay::Outcome &outcome) {
    if (!ShowsMessage(outcome)) return;
    if (outcome.Ok() && !outcome.file.isEmpty()) return ShowFileWritten(parent, outcome.message, outcome.file);
    ShowQueryMessage(parent, outcome.message, outcome.Ok() ? TMessageKind::Information : TMessageKind::Failure);
}
