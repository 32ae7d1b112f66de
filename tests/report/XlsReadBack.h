#pragma once
// Reads an exported workbook back through python3-xlrd (tests/report/read_xls.py), or an .xlsx
// workbook through python3-openpyxl (read_xlsx.py, same shape and units where the formats agree),
// and hands the result to the test as JSON.
#include <QJsonObject>
#include <QString>

// The workbook's sheet as read_xls.py reports it; an empty object (and a test failure) when xlrd
// cannot read the file.
QJsonObject ReadXlsBack(const QString &file, bool withCells = true);
// One cell of that report ("row,col", counting from 1).
QJsonObject XlsCell(const QJsonObject &book, int col, int row);
