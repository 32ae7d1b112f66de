#pragma once
// A code filter box: its visible text (codes joined by ",") and, in its hint text that is never
// shown, the quoted code list ready for an SQL in-list. Double-clicks and key presses go to the
// window's handlers.
#include <QLineEdit>
#include <functional>

class TCodeEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QString Hint MEMBER Hint)
public:
    explicit TCodeEdit(const QString &name, QWidget *parent = nullptr);

    QString Hint;  // the quoted code list
    // Sets both strings from a list of codes: 101,102 and '101','102'.
    void SetCodes(const QStringList &codes);
    void ClearCodes();
    // The codes last set, while the visible text still shows exactly them (a code that holds a
    // comma stays one code); empty otherwise.
    QStringList PickedCodes() const;

    std::function<void()> OnDblClick;
    std::function<void()> OnExit;
    // Key press, with the key's character (8 for Backspace): set it to null to consume the key.
    std::function<void(QChar &key)> OnKeyPress;

protected:
    QStringList codes_;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
