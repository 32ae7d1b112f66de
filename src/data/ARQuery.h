#pragma once
// TARQuery: a forward-only select statement on a TAdoConn whose lifetime is counted. Callers
// hold it through IARQueryPtr; the query frees itself when the last reference goes.
//
// Reading rows: IsEmpty, Eof, Next, FieldByName / Fields (read as text, number or variant),
// RecordCount, First and Close. First on a query that has moved on runs the statement again
// (a forward-only result cannot go back); RecordCount reads the rest of the result ahead when the
// driver cannot tell the size, without moving the current row. A row that cannot be read is no
// end of the result: Open, Next and RecordCount raise EDatabaseError and close the query.
#include "data/ARQueryRef.h"
#include "data/Fields.h"

#include <QSqlError>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <atomic>
#include <deque>
#include <vector>

class TAdoConn;

// One column of the current row.
class TField {
public:
    TField(QString name, QVariant value) : name_(std::move(name)), value_(std::move(value)) {}
    const QString &FieldName() const { return name_; }
    const QVariant &Value() const { return value_; }
    bool IsNull() const { return value_.isNull(); }
    QString AsString() const;  // empty for null
    double AsFloat() const;    // 0 for null
    double AsCurrency() const; // rounded to four decimal places, as a currency amount is kept
    qlonglong AsInteger() const;

private:
    QString name_;
    QVariant value_;
};

class TARQuery final : public IARQuery, public TFields {
public:
    TARQuery() = default;
    ~TARQuery();
    TARQuery(const TARQuery &) = delete;
    TARQuery &operator=(const TARQuery &) = delete;

    // IARQuery
    long QueryInterface(const TGuid &iid, void **obj) override;
    long AddRef() override;
    long Release() override;
    TARQuery *GetQuery() override { return this; }
    int RefCount() const { return refCount_.load(); }

    TAdoConn *Connection = nullptr;
    QString SQL;  // the whole statement, several lines allowed

    // Runs SQL on Connection, opening the connection first when it is closed. EDatabaseError on
    // any failure (recorded as the connection manager's last error); the query is then closed.
    void Open();
    void Close();
    bool Active() const { return active_; }

    bool IsEmpty() const { return rowsSeen_ == 0 && !hasRow_; }  // also true when closed
    bool Eof() const { return !hasRow_; }
    void Next();
    void First();
    int RecordCount();

    int FieldCount() const { return header_.count(); }
    TField Fields(int index) const;                 // EDatabaseError for a bad position
    TField FieldByName(const QString &name) const override;  // letter case ignored; EDatabaseError if absent
    // The position of the named column, for reading many rows by position; EDatabaseError if absent.
    int FieldIndex(const QString &name) const;
    // The value at a position of the current row; EDatabaseError for a bad position or no row.
    const QVariant &Value(int index) const;
    TField FindField(const QString &name) const;    // null field when absent

private:
    using Row = std::vector<QVariant>;
    bool StepRow(Row &row);   // the statement's next row; false at its end
    bool Execute();
    bool ConnectionLost();
    bool Reconnect();
    bool FetchRow(Row &row);  // the next row read ahead, else StepRow
    void CheckRow() const;
    [[noreturn]] void Fail(const QString &message);
    [[noreturn]] void FailStatement(const QSqlError &error);

    std::atomic<int> refCount_{0};
    bool destroying_ = false;
    bool active_ = false;
    QSqlQuery query_;
    QSqlRecord header_;
    Row current_;
    bool hasRow_ = false;
    int rowsSeen_ = 0;  // rows moved past before the current one
    std::deque<Row> ahead_;
    bool drained_ = false;
};
