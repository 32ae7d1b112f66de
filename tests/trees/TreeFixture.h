#pragma once
// What the tree tests share: the module's application object for a test's lifetime, and scratch
// SQLite code tables of the shape the trees read (id, pid, name, leaf, plus what a test adds).
#include "authpay/Application.h"
#include "authpay/DbManager.h"
#include "data/AdoConn.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// Installs a fresh TApplication as the module's application object; puts the previous one back.
class TModuleApp {
public:
    TModuleApp();
    ~TModuleApp();
    TApplication App;

private:
    TApplication *previous_;
};

struct TScratchRow {
    QString Id, Pid, Name, Leaf;  // Leaf "0" for a bottom-level code
};

// A SQLite file holding table "codes" (id, pid, name, leaf) with the given rows, opened through a
// database manager's connection "Def".
class TScratchCodes {
public:
    explicit TScratchCodes(const QList<TScratchRow> &rows, const QStringList &extraSql = {});
    QString ConnectionString() const;
    QString File() const { return dir_.filePath(QStringLiteral("codes.sqlite")); }
    TAdoConn *Conn() const { return conn_; }
    TDbManager &Manager() { return *manager_; }

private:
    QTemporaryDir dir_;
    std::unique_ptr<TDbManager> manager_;
    TAdoConn *conn_ = nullptr;
};

// A three-level table: A (A1 leaf, A2 with A21, A22 leaves), B (leaf), C (C1 leaf).
QList<TScratchRow> SmallCodeTable();
