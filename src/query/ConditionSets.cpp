#include "query/ConditionSets.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {
// Group names are kept apart from QSettings' own separators: "/" and "\" are written as "%2F"
// and "%5C", "%" as "%25".
QString Key(QString text) {
    return text.replace(QLatin1Char('%'), QLatin1String("%25"))
        .replace(QLatin1Char('/'), QLatin1String("%2F"))
        .replace(QLatin1Char('\\'), QLatin1String("%5C"));
}
QString Unkey(QString text) {
    return text.replace(QLatin1String("%2F"), QLatin1String("/"))
        .replace(QLatin1String("%5C"), QLatin1String("\\"))
        .replace(QLatin1String("%25"), QLatin1String("%"));
}
// An INI file as this module writes it: UTF-8 text whose lines are sections, key=value pairs,
// comments or empty. QSettings reads almost anything and would write its reading back over the
// rest, so a file of another shape is left alone.
bool LooksLikeIni(const QString &fileName) {
    QFile file(fileName);
    if (!file.exists()) return true;
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    if (bytes.contains('\0')) return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError()) return false;
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'))) continue;
        if (line.startsWith(QLatin1Char('[')) ? !line.endsWith(QLatin1Char(']')) : line.indexOf(QLatin1Char('=')) <= 0)
            return false;
    }
    return true;
}
}  // namespace

TConditionSetFile::TConditionSetFile(QString fileName, QString unitCode)
    : fileName_(std::move(fileName)), unitCode_(std::move(unitCode)) {}

QString TConditionSetFile::DefaultFileName() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("authpay/查询方案.ini"));
}

bool TConditionSetFile::Readable(QString *error) const {
    if (QFileInfo(fileName_).exists() && !QFileInfo(fileName_).isReadable()) {
        *error = QStringLiteral("查询方案文件“%1”无法读取。").arg(fileName_);
        return false;
    }
    QSettings s(fileName_, QSettings::IniFormat);
    if (s.status() != QSettings::NoError || !LooksLikeIni(fileName_)) {
        *error = QStringLiteral("查询方案文件“%1”已损坏，未作改动。").arg(fileName_);
        return false;
    }
    const int format = s.value(QStringLiteral("format"), kFormat).toInt();
    if (format > kFormat) {
        *error = QStringLiteral("查询方案文件“%1”由较新的版本写入（格式%2），本版本不能读写，未作改动。")
                     .arg(fileName_)
                     .arg(format);
        return false;
    }
    return true;
}

QStringList TConditionSetFile::Names(QString *error) const {
    if (!Readable(error)) return {};
    QSettings s(fileName_, QSettings::IniFormat);
    s.beginGroup(Key(unitCode_));
    QStringList names;
    for (const QString &g : s.childGroups()) names << Unkey(g);
    names.sort();
    return names;
}

bool TConditionSetFile::Load(const QString &name, TConditionSet *set, QString *error) const {
    if (!Readable(error)) return false;
    QSettings s(fileName_, QSettings::IniFormat);
    s.beginGroup(Key(unitCode_) + QLatin1Char('/') + Key(name));
    if (s.childKeys().isEmpty()) {
        *error = QStringLiteral("没有名为“%1”的查询方案。").arg(name);
        return false;
    }
    TConditionSet c;
    c.dimensions = s.value("dimensions").toStringList();
    c.unitLevel = s.value("unitLevel").toString();
    c.indicatorType = s.value("indicatorType").toInt();
    c.indicatorSubtype = s.value("indicatorSubtype").toInt();
    c.secrecy = s.value("secrecy").toInt();
    c.fundNature = s.value("fundNature").toString();
    c.payKind = s.value("payKind").toString();
    c.expenditureType = s.value("expenditureType").toString();
    c.unitList = s.value("unitList").toBool();
    c.unitText = s.value("unitText").toString();
    c.unitCodes = s.value("unitCodes").toStringList();
    c.subjectCodes = s.value("subjectCodes").toStringList();
    c.itemCodes = s.value("itemCodes").toStringList();
    c.subtotals = s.value("subtotals").toBool();
    *set = c;
    return true;
}

bool TConditionSetFile::Save(const QString &name, const TConditionSet &c, QString *error) {
    if (name.trimmed().isEmpty()) {
        *error = QStringLiteral("查询方案的名称不能为空。");
        return false;
    }
    if (!Readable(error)) return false;
    QDir().mkpath(QFileInfo(fileName_).absolutePath());
    QSettings s(fileName_, QSettings::IniFormat);
    s.setValue(QStringLiteral("format"), kFormat);
    s.beginGroup(Key(unitCode_) + QLatin1Char('/') + Key(name.trimmed()));
    s.remove(QString());
    s.setValue("dimensions", c.dimensions);
    s.setValue("unitLevel", c.unitLevel);
    s.setValue("indicatorType", c.indicatorType);
    s.setValue("indicatorSubtype", c.indicatorSubtype);
    s.setValue("secrecy", c.secrecy);
    s.setValue("fundNature", c.fundNature);
    s.setValue("payKind", c.payKind);
    s.setValue("expenditureType", c.expenditureType);
    s.setValue("unitList", c.unitList);
    s.setValue("unitText", c.unitText);
    s.setValue("unitCodes", c.unitCodes);
    s.setValue("subjectCodes", c.subjectCodes);
    s.setValue("itemCodes", c.itemCodes);
    s.setValue("subtotals", c.subtotals);
    s.endGroup();
    s.sync();
    if (s.status() != QSettings::NoError) {
        *error = QStringLiteral("查询方案文件“%1”无法写入。").arg(fileName_);
        return false;
    }
    return true;
}

bool TConditionSetFile::Remove(const QString &name, QString *error) {
    if (!Readable(error)) return false;
    QSettings s(fileName_, QSettings::IniFormat);
    s.remove(Key(unitCode_) + QLatin1Char('/') + Key(name));
    s.sync();
    if (s.status() != QSettings::NoError) {
        *error = QStringLiteral("查询方案文件“%1”无法写入。").arg(fileName_);
        return false;
    }
    return true;
}
