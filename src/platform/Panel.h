#pragma once
// TPanel: a plain container that shows its caption centred where no child covers it, with an
// optional raised outer bevel.
#include <QFrame>
#include <QString>

class TPanel : public QFrame {
public:
    explicit TPanel(const QString &name, QWidget *parent = nullptr, bool outerBevel = true);
    QString Caption;
    void SetCaption(const QString &caption);

protected:
    void paintEvent(QPaintEvent *event) override;
};
