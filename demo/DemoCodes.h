#pragma once
// The code tables of the demo budget database: a city's budget units, fund natures, expenditure
// types, payment methods, budget sources, data categories, suppliers, budget subjects after the
// government functional classification, economic classification, budget items, carried-over
// balance items and budget divisions.
//
// Every table has one shape: code, parent code ("" at the top level), name, leafflag ("0" for a
// code without children) and useflag ("0" for a code in use). Some carry more (the unit level
// `Class`, the item type `IType`, the budget year `datayear`).
#include <QList>
#include <QString>

struct TCodeRow {
    QString Code;
    QString Parent;
    QString Name;
    QString LeafFlag;
    QString UseFlag;
    QString Extra;  // Class of a unit, IType of an item; empty elsewhere
};

// One code table: its SQL name, its column names in the order code, parent, name, and the extra
// column (empty when none); yearly tables hold the same codes once per year of DemoYears().
struct TCodeTable {
    QString Table;
    QString CodeColumn;
    QString ParentColumn;
    QString NameColumn;
    QString ExtraColumn;
    bool Yearly = false;
    QList<TCodeRow> Rows;  // for a yearly table: the rows of every year, see RowsOfYear
};

QList<int> DemoYears();

// All code tables, in the order they are created.
const QList<TCodeTable> &DemoCodeTables();
const TCodeTable &DemoCodeTable(const QString &table);

// The rows of a yearly table for one budget year (a few subjects are new in later years).
QList<TCodeRow> RowsOfYear(const TCodeTable &table, int year);
