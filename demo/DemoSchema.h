#pragma once
// The tables and views of the demo budget database, as SQL text that SQLite and PostgreSQL both
// accept.
#include <QStringList>

// Drops whatever an earlier run left, views first.
QStringList DemoDropStatements();
// Creates the code tables, the budget table and the views (no indexes on the budget rows yet).
QStringList DemoCreateStatements();
// Indexes of the budget rows, built after they are loaded.
QStringList DemoIndexStatements();
// The tables and views, for reports of their sizes.
QStringList DemoTableNames();
