#pragma once
// A code filter box: its visible text (codes joined by ",") and, in its hint text that is never
// shown, the quoted code list ready for an SQL in-list. Double-clicks and key presses go to the
// window's handlers; the picker opens from the keyboard too (F4, Alt+Down, Enter on an empty box).
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

    // Opens the box's picker: a double-click, F4, Alt+Down, or Enter while the box is empty.
    std::function<void()> OnDblClick;
    std::function<void()> OnExit;
    // Key press, with the key's character (8 for Backspace): set it to null to consume the key.
    std::function<void(QChar &key)> OnKeyPress;

    // Whether the key opens the picker of a box that is (or is not) empty.
    static bool OpensPicker(int key, Qt::KeyboardModifiers modifiers, bool boxEmpty);

protected:
    QStringList codes_;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
