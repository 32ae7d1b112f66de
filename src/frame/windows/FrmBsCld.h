#pragma once
// TfrmBsCld: the base of the child windows that live inside the host's main window: an MDI child
// with its own menu (merged into the host's menu bar while it is the active child) and a tool
// bar along its top. Closing it frees it.
#include "frame/windows/FrmBase.h"

#include <QList>
#include <QPointer>

#include <QMdiSubWindow>
class QMdiArea;
class QMenu;
class QToolBar;
class QVBoxLayout;

class TfrmBsCld : public TfrmBase {
    Q_OBJECT
public:
    static const TClassInfo ClassInfo;
    explicit TfrmBsCld(const TComponentOwner &owner);
    ~TfrmBsCld() override;

    // Shows the window as a child of the host's main window (or on its own without one).
    void Show() override;
    QMdiSubWindow *SubWindow() const { return subWindow_; }

    // The window's menu: its top-level entries in order, and the two standard ones.
    QList<QMenu *> mnuChildMain;
    QMenu *mitemOption = nullptr;
    QMenu *mitemDataVind = nullptr;
    QWidget *ctblChild = nullptr;
    QToolBar *tblChildMain = nullptr;
    // Set before the first Show: the window opens kCascadeStep pixels right of and below the
    // newest open window of its class (else the active one), instead of where it was designed.
    bool OpensCascaded = false;
    static constexpr int kCascadeStep = 24;

protected:
    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void FormShow() override;
    // Where descendants put their content, below the tool bar.
    QVBoxLayout *ClientLayout() const { return clientLayout_; }

private:
    void MergeMenu(bool merge);
    void PlaceSubWindow();
    QMdiSubWindow *CascadeBase(QMdiArea *area) const;

    QVBoxLayout *clientLayout_ = nullptr;
    QPointer<QMdiSubWindow> subWindow_;
    bool menuMerged_ = false;
};
