#pragma once
// The statement that loads the children of one node of a dynamic tree.
#include <QString>
#include <QStringList>

// sqlTable: the lines of the tree's table statement. With fieldPid "Piid" (exactly) every row of
// the table is a child; otherwise the rows whose parent column equals id (quoted, quotes inside it
// doubled). A non-blank fieldOrderBy orders the rows.
//   select a.* from (select id,pid,name from T) a where a.pid='01' Order by a.id
QString BuildChildSql(const QStringList &sqlTable, const QString &fieldPid, const QString &fieldOrderBy,
                      const QString &id);

// Trimming as the tree does it: leading and trailing blanks and control characters.
QString TrimText(const QString &text);
