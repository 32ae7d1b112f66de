#include "PickerDriver.h"

#include "PictureFile.h"

#include "authpay/CodePicker.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeWidget>

namespace {

constexpr int kNodeIdRole = authpay::CodeRole;
constexpr int kNodeIsLeafRole = authpay::IsLeafRole;
constexpr int kNodeStateRole = authpay::CheckStateRole;

void SendMouse(QWidget *target, QEvent::Type type, const QPoint &pos) {
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, target->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void Click(QWidget *target, const QPoint &pos) {
    SendMouse(target, QEvent::MouseButtonPress, pos);
    SendMouse(target, QEvent::MouseButtonRelease, pos);
}

}  // namespace

PickerDriver::PickerDriver(QDialog *dialog, QString screenshot)
    : dialog_(dialog), picker_(qobject_cast<authpay::ICodePicker *>(dialog)), tree_(picker_ ? picker_->CodeTree() : nullptr),
      screenshot_(std::move(screenshot)) {}

QString PickerDriver::Code(const QTreeWidgetItem *item) { return item->data(0, kNodeIdRole).toString(); }

// Among the node's children: the code itself, else the one whose code begins it (the longest).
QTreeWidgetItem *PickerDriver::ChildOnTheWay(QTreeWidgetItem *node, const QString &code) const {
    QTreeWidgetItem *best = nullptr;
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem *child = node->child(i);
        const QString id = Code(child);
        if (id == code) return child;
        if (!id.isEmpty() && code.startsWith(id) && (!best || id.size() > Code(best).size())) best = child;
    }
    return best;
}

QTreeWidgetItem *PickerDriver::Find(const QString &code) {
    QTreeWidgetItem *node = tree_ ? tree_->topLevelItem(0) : nullptr;
    if (!node) {
        error = QStringLiteral("the picker shows no tree");
        return nullptr;
    }
    if (Code(node) == code) return node;
    for (;;) {
        OpenNode(node);
        QTreeWidgetItem *next = ChildOnTheWay(node, code);
        if (!next) {
            QStringList shown;
            for (int i = 0; i < node->childCount(); ++i) shown << node->child(i)->text(0);
            error = QStringLiteral("code %1 is not in the tree: the search stopped at \"%2\", whose children are: %3")
                        .arg(code, node->text(0), shown.isEmpty() ? QStringLiteral("(none)") : shown.join(QStringLiteral(", ")));
            return nullptr;
        }
        if (Code(next) == code) return next;
        node = next;
    }
}

// Selects the node with a click on its text, then opens it with the right arrow key: the tree
// loads its children on the way.
void PickerDriver::OpenNode(QTreeWidgetItem *item) {
    if (item->isExpanded() && item->childCount() > 0) return;
    ClickItem(item, -1);
    if (item->isExpanded()) return;  // a tree that opens what is selected
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(tree_, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(tree_, &release);
}

// xOffset < 0: on the node's text; otherwise that many pixels into the node's row (its picture).
void PickerDriver::ClickItem(QTreeWidgetItem *item, int xOffset) {
    tree_->scrollToItem(item);
    const QRect rect = tree_->visualItemRect(item);
    const QPoint pos = xOffset < 0 ? QPoint(rect.left() + rect.width() / 2, rect.center().y())
                                   : QPoint(rect.left() + xOffset, rect.center().y());
    Click(tree_->viewport(), pos);
}

void PickerDriver::ClickButton(QAbstractButton *button) {
    if (button) Click(button, button->rect().center());
}

void PickerDriver::SaveScreenshot() {
    if (screenshot_.isEmpty()) return;
    if (const authpay::Outcome saved = SavePicture(dialog_->grab(), screenshot_); !saved.Ok()) error = saved.message;
}

// The dialog's confirm button; a dialog that its own rules keep open is not waited for.
bool PickerDriver::Confirm() {
    ClickButton(picker_ ? picker_->ConfirmButton() : nullptr);
    if (!dialog_->isVisible()) return true;
    error = QStringLiteral("the dialog stayed open after its confirm button");
    return false;
}

bool PickerDriver::PickOne(const QString &code) {
    QTreeWidgetItem *item = Find(code);
    if (!item) return false;
    ClickItem(item, -1);
    SaveScreenshot();
    return Confirm();
}

// Why the dialog cannot tick the codes as given (empty when it can): a second click on a check
// box unticks it.
static QString TwiceGiven(const QStringList &codes) {
    if (codes.isEmpty()) return QStringLiteral("no code to tick");
    for (qsizetype i = 0; i < codes.size(); ++i)
        if (codes.indexOf(codes[i]) < i)
            return QStringLiteral("%1 was given twice: a second click on its check box would untick it").arg(codes[i]);
    return QString();
}

// Only bottom-level codes carry a check box in the data tree dialog; a click on one ticks it.
bool PickerDriver::Tick(QTreeWidgetItem *item, const QString &code) {
    if (!item->data(0, kNodeIsLeafRole).toBool()) {
        error = QStringLiteral("%1 is not a bottom-level code: only bottom-level codes carry a check box (tick the "
                               "codes below it one by one)")
                    .arg(code);
        return false;
    }
    const QVariant before = item->data(0, kNodeStateRole);
    // The check box is the picture at the start of the row, 16 pixels wide.
    ClickItem(item, tree_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree_) + 1 + 8);
    if (item->data(0, kNodeStateRole) != before) return true;
    error = QStringLiteral("%1 could not be ticked: the click on its check box changed nothing").arg(code);
    return false;
}

bool PickerDriver::TickAll(const QStringList &codes) {
    error = TwiceGiven(codes);
    if (!error.isEmpty()) return false;
    for (const QString &code : codes) {
        QTreeWidgetItem *item = Find(code);
        if (!item || !Tick(item, code)) return false;
    }
    SaveScreenshot();
    return Confirm();
}

// The close button; a dialog still up after it is rejected, so that it never waits for anyone.
void PickerDriver::CloseDialog() {
    SaveScreenshot();
    ClickButton(picker_ ? picker_->CloseButton() : nullptr);
    if (dialog_->isVisible()) dialog_->reject();
}
