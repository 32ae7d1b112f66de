#pragma once
// TfrmBsTrvTC: a child window with a fixed layout: a tree on the left, and on the right two
// stacked panels, each with a message strip along its bottom, separated by splitters.
#include "frame/windows/FrmBsCld.h"

class QSplitter;
class QTreeWidget;
class TPanel;

class TfrmBsTrvTC : public TfrmBsCld {
    Q_OBJECT
public:
    static const TClassInfo ClassInfo;
    explicit TfrmBsTrvTC(const TComponentOwner &owner);

    TPanel *pnlBottom = nullptr;
    TPanel *pnlLeft = nullptr;
    QTreeWidget *trvList = nullptr;
    QSplitter *Splitter1 = nullptr;
    TPanel *pnlNo = nullptr;
    TPanel *pnlBTop = nullptr;
    TPanel *pnlRightTop = nullptr;
    TPanel *pnlTopMessage = nullptr;
    QSplitter *Splitter2 = nullptr;
    TPanel *pnlBBotton = nullptr;
    TPanel *pnlRightBottom = nullptr;
    TPanel *pnlBottonMessage = nullptr;

private:
    void BuildRightSide();
};
