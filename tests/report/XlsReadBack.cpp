#include "report/XlsReadBack.h"

#include <QJsonDocument>
#include <QProcess>
#include <gtest/gtest.h>

QJsonObject ReadXlsBack(const QString &file, bool withCells) {
    const QString script = qEnvironmentVariable("AUTHPAY_SOURCE_DIR", QStringLiteral(AUTHPAY_SOURCE_DIR_DEFAULT)) +
                           (file.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive) ? "/tests/report/read_xlsx.py"
                                                                                        : "/tests/report/read_xls.py");
    QProcess p;
    QStringList args{script, file};
    if (withCells) args << "--cells";
    p.start("/usr/bin/python3", args);
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        ADD_FAILURE() << "xlrd could not read " << file.toStdString() << ": "
                      << p.readAllStandardError().toStdString();
        return {};
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(p.readAllStandardOutput(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return doc.object();
}

QJsonObject XlsCell(const QJsonObject &book, int col, int row) {
    return book["cells"].toObject()[QString("%1,%2").arg(row).arg(col)].toObject();
}
