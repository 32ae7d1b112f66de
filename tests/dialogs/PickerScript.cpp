#include "dialogs/PickerScript.h"

#include "frame/ModuleGlobals.h"
#include "trees/DynamicTree.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

TModuleApplication::TModuleApplication() : Previous(authpay::Application) { authpay::Application = &App; }
TModuleApplication::~TModuleApplication() { authpay::Application = Previous; }

TPickerScript::TPickerScript(std::function<void(TgfrmSelectElement *)> script) : script_(std::move(script)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    timer_.start(10);
}

// Boxes are answered at any time; the script runs from a timer of its own, so that this one
// still answers while the script waits inside a box's event loop.
void TPickerScript::Tick() {
    QWidget *modal = QApplication::activeModalWidget();
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        if (!box->isVisible() || !qobject_cast<TgfrmSelectElement *>(box->parentWidget())) return;
        Messages << box->windowTitle() + QLatin1Char('|') + box->text();
        QTest::keyClick(box, Qt::Key_Return);
        return;
    }
    auto *dialog = qobject_cast<TgfrmSelectElement *>(modal);
    if (!dialog || !dialog->isVisible() || ran_) return;
    ran_ = true;
    QTimer::singleShot(0, dialog, [this, dialog] {
        if (QTest::qWaitForWindowExposed(dialog)) script_(dialog);
        else ADD_FAILURE() << "the picker never showed";
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the script left the picker open";
            dialog->close();
        }
        timer_.stop();  // the next picker is another script's
    });
}

QString TPickerUser::Code(const TTreeNode *node) {
    const TItemInfo *info = TDynamicTree::ItemInfoOf(node);
    return info && info->Kind == ikDataNode ? info->Id : QString();
}

TTreeNode *TPickerUser::Find(const QString &code) const {
    for (QTreeWidgetItemIterator it(View); *it; ++it)
        if (Code(static_cast<TTreeNode *>(*it)) == code) return static_cast<TTreeNode *>(*it);
    return nullptr;
}

TTreeNode *TPickerUser::Reach(const QString &code) {
    TTreeNode *node = View->FirstNode();
    while (node) {
        if (!node->Expanded()) Open(node);
        TTreeNode *next = nullptr;
        for (int i = 0; i < node->childCount() && !next; ++i) {
            const QString c = Code(node->Child(i));
            if (c == code) return node->Child(i);
            if (!c.isEmpty() && code.startsWith(c)) next = node->Child(i);
        }
        node = next;
    }
    ADD_FAILURE() << "no node " << code.toStdString();
    return nullptr;
}

// Just right of the node's picture, on its text.
static QPoint TextPoint(TTreeView *view, TTreeNode *node) {
    view->scrollToItem(node);
    const QRect icon = view->StateIconRect(node), row = view->visualItemRect(node);
    return {icon.isValid() ? icon.right() + 12 : row.left() + 12, row.center().y()};
}

void TPickerUser::Click(TTreeNode *node) {
    ASSERT_TRUE(node);
    QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, TextPoint(View, node));
}

void TPickerUser::DoubleClick(TTreeNode *node) {
    // Selected first: in the single-expand mode the selection may fold another branch and move
    // the node. Then what the system delivers for a double-click: a click, then the double-click
    // in place of the second press.
    ASSERT_TRUE(node);
    Click(node);
    const QPoint at = TextPoint(View, node);
    QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(View->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(View->viewport(), Qt::LeftButton, {}, at);
}

void TPickerUser::Tick(TTreeNode *node) {
    ASSERT_TRUE(node);
    View->scrollToItem(node);
    const QRect box = View->StateIconRect(node);
    ASSERT_TRUE(box.isValid()) << Code(node).toStdString();
    QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, box.center());
}

void TPickerUser::Open(TTreeNode *node) {
    ASSERT_TRUE(node);
    Click(node);
    if (!node->Expanded()) QTest::keyClick(View, Qt::Key_Right);
}

void TPickerUser::Confirm() { QTest::mouseClick(Dialog->btnConfirm, Qt::LeftButton); }
void TPickerUser::CloseButton() { QTest::mouseClick(Dialog->btnClose, Qt::LeftButton); }

void TPickerUser::Escape() { QTest::keyClick(Dialog->focusWidget() ? Dialog->focusWidget() : Dialog, Qt::Key_Escape); }
void TPickerUser::CloseBox() { Dialog->close(); }

bool PickerAlive() {
    for (QWidget *w : QApplication::allWidgets())
        if (qobject_cast<TgfrmSelectElement *>(w)) return true;
    return false;
}

void SaveScreenshot(QWidget *widget, const QString &name) {
    const QString dir = qEnvironmentVariable("AUTHPAY_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    EXPECT_TRUE(widget->grab().save(QDir(dir).filePath(name + QStringLiteral(".png"))));
}
