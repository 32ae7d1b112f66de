#pragma once
// TMemDataSet: a select statement run on a connection of its own and read whole into memory, for
// a background thread. A Qt database serves only the thread that opened it, so Open registers a
// copy of the connection under a name of its own, runs the statement, reads every row, and closes
// and drops the copy again, all in the calling thread. The rows it holds can then be read in any
// one thread at a time.
#include "data/ARQuery.h"
#include "data/Fields.h"

#include <QStringList>
#include <QVariant>
#include <vector>

class TMemDataSet : public TFields {
public:
    // The connection string is copied: the connection object itself is never touched off the
    // thread that owns it.
    TMemDataSet(QString connectionString, QString sql);
    ~TMemDataSet() = default;

    const QString &SQL() const { return sql_; }

    // Runs the statement (see above). EDatabaseError when the connection cannot be opened or the
    // statement fails; the data set then holds no rows.
    void Open();
    void Close();
    bool Active() const { return active_; }

    void First() { row_ = 0; }
    void Next() {
        if (row_ < rows_.size()) ++row_;
    }
    bool Eof() const { return row_ >= rows_.size(); }
    int RecordCount() const { return static_cast<int>(rows_.size()); }

    TField FieldByName(const QString &name) const override;

private:
    QString connectionString_;
    QString sql_;
    QStringList names_;
    std::vector<std::vector<QVariant>> rows_;
    size_t row_ = 0;
    bool active_ = false;
};
