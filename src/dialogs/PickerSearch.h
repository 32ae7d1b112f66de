#pragma once
// TPickerSearch: the search box above a picker's tree. Typing a code or part of a name shows the
// matching codes with the branches that lead to them and hides the rest; codes whose branch is
// not loaded yet are found too (the picker's table is read once, in the background, the first
// time the user types) and their branches are loaded. Up and Down move among the matches, Enter
// hands the highlighted one to OnEnter, Esc empties a box that holds text; an empty box shows
// the tree as it was.
#include "dialogs/CodeIndex.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <functional>

class QLabel;
class QLineEdit;
class QWidget;
class TDynamicTree;
class TMemDataSet;
class TQueryThread;
class TTreeNode;
class TTreeView;

class TPickerSearch : public QObject {
    Q_OBJECT
public:
    // Most matches shown at once.
    static constexpr int kMostShown = 200;

    // The box and its count go into the panel, whose height they fit.
    TPickerSearch(QWidget *panel, TDynamicTree *tree, TTreeView *view);
    ~TPickerSearch() override;

    QLineEdit *Box() const { return box_; }
    // What the count beside the box says.
    QString CountText() const;
    // The nodes of the matches now shown, in the tree's order.
    QList<TTreeNode *> Matches() const;
    // The highlighted match on Enter.
    std::function<void(TTreeNode *node)> OnEnter;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void TextChanged();
    void ReadIndex();
    void IndexRead(TMemDataSet *rows);
    void ReadEnded(TQueryThread *thread);
    void Apply();
    TTreeNode *Reveal(const QStringList &path);
    void ShowOnly(const QSet<QString> &shown, const QSet<QString> &matched);
    void ShowAll();
    void Step(int delta);
    void SetCount(const QString &text);

    QLineEdit *box_ = nullptr;
    QLabel *count_ = nullptr;
    TDynamicTree *tree_ = nullptr;
    TTreeView *view_ = nullptr;
    TCodeIndex index_;
    bool indexRead_ = false;
    QPointer<TQueryThread> reading_;
    // The view's single-expand mode, off while a search shows its matches.
    bool viewAutoExpand_ = false;
    bool filtering_ = false;
    // The codes the search found and shows.
    QSet<QString> matched_;
};
