#pragma once
// TFields: the columns of a data set's current row, looked up by name (letter case ignored).
// Both an open query and a data set read whole into memory offer them.
#include <QString>
#include <QVariant>

class TField;

class TFields {
public:
    // EDatabaseError when the row has no column of that name (or there is no current row).
    virtual TField FieldByName(const QString &name) const = 0;

protected:
    ~TFields() = default;
};
