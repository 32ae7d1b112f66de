#include "report/PrintChoices.h"

#include "report/UserConfig.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <algorithm>
#include <cmath>

namespace {
constexpr qint64 kMaxFileSize = 64 * 1024;
const QString kFitKey = QStringLiteral("preview/fitToWidth");

// QSettings would wait forever on a pipe and read a device without end: only a regular file (or
// a link to one) of a sensible size is opened; a missing file is one that can be made.
bool Usable(const QString &file, bool toWrite) {
    const QFileInfo info(file);
    if (!info.exists() && !info.isSymLink()) return toWrite;
    return info.isFile() && info.size() <= kMaxFileSize;
}
}  // namespace

QString PrintChoicesFile() {
    return QDir(UserConfigFolder())
        .filePath(QStringLiteral("authpay/打印设置.ini"));
}

namespace {
QVariant SavedValue(const QString &key) {
    const QString file = PrintChoicesFile();
    if (!Usable(file, false)) return {};
    const QSettings settings(file, QSettings::IniFormat);
    return settings.status() == QSettings::NoError ? settings.value(key) : QVariant();
}

bool SaveValues(const QList<std::pair<QString, QVariant>> &values) {
    const QString file = PrintChoicesFile();
    if (!Usable(file, true) || !QDir().mkpath(QFileInfo(file).absolutePath())) return false;
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) return false;  // damaged: left as it is
    for (const auto &[key, value] : values) settings.setValue(key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}
}  // namespace

bool SavedFitToWidth() { return SavedValue(kFitKey).toString() == QLatin1String("true"); }

bool SaveFitToWidth(bool on) { return SaveValues({{kFitKey, on}}); }

const QStringList &PageChoicePapers() {
    static const QStringList papers{QStringLiteral("A4"), QStringLiteral("A3"), QStringLiteral("A5"),
                                    QStringLiteral("B5"), QStringLiteral("Letter"), QStringLiteral("Legal")};
    return papers;
}

TPageChoice PageChoiceOf(const TPageSetup &page) {
    return {page.paper, page.orientation, page.marginLeft, page.marginTop, page.marginRight, page.marginBottom};
}

void ApplyPageChoice(TPageSetup &page, const TPageChoice &choice) {
    const auto margin = [](double mm) { return std::isfinite(mm) ? std::clamp(mm, 0.0, 100.0) : 15.0; };
    page.paper = QStringLiteral("A4");
    for (const QString &paper : PageChoicePapers())
        if (paper.compare(choice.paper.trimmed(), Qt::CaseInsensitive) == 0) page.paper = paper;
    page.orientation = choice.orientation;
    page.marginLeft = margin(choice.marginLeft);
    page.marginTop = margin(choice.marginTop);
    page.marginRight = margin(choice.marginRight);
    page.marginBottom = margin(choice.marginBottom);
}

std::optional<TPageChoice> SavedPageChoice() {
    const QVariant paper = SavedValue(QStringLiteral("page/paper"));
    const QStringList margins = SavedValue(QStringLiteral("page/margins")).toStringList();
    if (!paper.isValid() || margins.size() != 4) return std::nullopt;
    TPageSetup page;
    const TPageOrientation orientation = SavedValue(QStringLiteral("page/orientation")).toString() == QLatin1String("landscape")
                                             ? TPageOrientation::Landscape
                                             : TPageOrientation::Portrait;
    ApplyPageChoice(page, {paper.toString(), orientation, margins[0].toDouble(), margins[1].toDouble(),
                           margins[2].toDouble(), margins[3].toDouble()});
    return PageChoiceOf(page);
}

bool SavePageChoice(const TPageChoice &choice) {
    const QStringList margins{QString::number(choice.marginLeft), QString::number(choice.marginTop),
                              QString::number(choice.marginRight), QString::number(choice.marginBottom)};
    const QString orientation = choice.orientation == TPageOrientation::Landscape ? QStringLiteral("landscape")
                                                                                 : QStringLiteral("portrait");
    return SaveValues({{QStringLiteral("page/paper"), choice.paper},
                       {QStringLiteral("page/orientation"), orientation},
                       {QStringLiteral("page/margins"), margins}});
}

TExportChoice SavedExportChoice() {
    return {SavedValue(QStringLiteral("export/folder")).toString(), SavedValue(QStringLiteral("export/suffix")).toString()};
}

bool SaveExportChoice(const QString &file) {
    const QFileInfo info(file);
    return SaveValues({{QStringLiteral("export/folder"), info.absolutePath()},
                       {QStringLiteral("export/suffix"), info.suffix().toLower()}});
}

void TellChoiceNotKept(QWidget *parent) {
    static bool told = false;
    if (told) return;
    told = true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kestrelbay 7.1-提示信息"),
                    QStringLiteral("这一选择未能保存，下次打开时不会记住。"), QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("authpayMessage"));
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(QStringLiteral("文件：") + QDir::toNativeSeparators(PrintChoicesFile()));
    box.exec();
}
