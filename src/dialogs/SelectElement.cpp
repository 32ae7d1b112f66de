#include "dialogs/SelectElement.h"

#include "data/AdoConn.h"
#include "data/DefaultConn.h"
#include "data/ElementKinds.h"
#include "dialogs/PickerPictures.h"
#include "dialogs/PickerSearch.h"
#include "dialogs/PickerSql.h"
#include "frame/ModuleGlobals.h"
#include "frame/UserContextOps.h"
#include "platform/Panel.h"
#include "trees/DynamicTree.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

const TClassInfo TgfrmSelectElement::ClassInfo{"TgfrmSelectElement", &TfrmBsDialog::ClassInfo,
                                               &ConstructComponent<TgfrmSelectElement>};

TgfrmSelectElement::TgfrmSelectElement(const TComponentOwner &owner) : TfrmBsDialog(owner) {
    setObjectName(QStringLiteral("gfrmSelectElement"));
    setWindowTitle(QString());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint);
    resize(384, 374);
    ImageList1 = {ElementNodePicture()};
    BuildPanels();
    BuildButtons();
    dtrvElement = new TDynamicTree(this);
    dtrvElement->setObjectName(QStringLiteral("dtrvElement"));
    dtrvElement->SetTreeView(trvBottom);
    dtrvElement->SetActive(false);
    dtrvElement->SetLoadAll(false);
    dtrvElement->SetAutoExpandKind(aekTitleNode);
    dtrvElement->SyncDataLoad = true;
    Search = new TPickerSearch(Panel4, dtrvElement, trvBottom);
    Search->OnEnter = [this](TTreeNode *node) { RunHandler([this, node] { SearchEnter(node); }); };
}

// The tree's own destroy step runs while the tree still stands; the dynamic tree empties it.
TgfrmSelectElement::~TgfrmSelectElement() { BeforeDestruction(); }

void TgfrmSelectElement::BuildPanels() {
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    Panel1 = new TPanel(QStringLiteral("Panel1"), this, false);
    Panel2 = new TPanel(QStringLiteral("Panel2"), this, false);
    Panel2->setFixedHeight(51);
    outer->addWidget(Panel1, 1);
    outer->addWidget(Panel2);
    for (TPanel *p : {Panel1, Panel2}) p->SetCaption(QString());

    auto *column = new QVBoxLayout(Panel1);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    Panel4 = new TPanel(QStringLiteral("Panel4"), Panel1, false);
    Panel4->setFixedHeight(25);
    Panel5 = new TPanel(QStringLiteral("Panel5"), Panel1, false);
    column->addWidget(Panel4);
    column->addWidget(Panel5, 1);

    auto *row = new QHBoxLayout(Panel5);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    Panel6 = new TPanel(QStringLiteral("Panel6"), Panel5, false);
    Panel6->setFixedWidth(17);
    Panel7 = new TPanel(QStringLiteral("Panel7"), Panel5, false);
    Panel7->setFixedWidth(16);
    trvBottom = new TTreeView(Panel5);
    trvBottom->setObjectName(QStringLiteral("trvBottom"));
    trvBottom->setIndentation(19);
    trvBottom->SetImages(ImageList1);
    row->addWidget(Panel6);
    row->addWidget(trvBottom, 1);
    row->addWidget(Panel7);
    for (TPanel *p : {Panel4, Panel5, Panel6, Panel7}) p->SetCaption(QString());
    connect(trvBottom, &QTreeWidget::itemDoubleClicked, this, [this] { RunHandler([this] { trvBottomDblClick(); }); });
}

void TgfrmSelectElement::BuildButtons() {
    auto *row = new QHBoxLayout(Panel2);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    Panel3 = new TPanel(QStringLiteral("Panel3"), Panel2, false);
    Panel3->SetCaption(QString());
    Panel3->setFixedWidth(217);
    row->addWidget(Panel3);
    btnConfirm = new QPushButton(QStringLiteral("确定(&S)"), Panel3);
    btnConfirm->setObjectName(QStringLiteral("btnConfirm"));
    btnConfirm->setGeometry(45, 11, 75, 25);
    btnConfirm->setIcon(ConfirmPicture());
    btnConfirm->setAutoDefault(false);
    btnClose = new QPushButton(QStringLiteral("关闭(&W)"), Panel3);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry(125, 11, 75, 25);
    btnClose->setIcon(ClosePicture());
    btnClose->setAutoDefault(false);
    connect(btnConfirm, &QPushButton::clicked, this, [this] { RunHandler([this] { btnConfirmClick(); }); });
    connect(btnClose, &QPushButton::clicked, this, [this] { RunHandler([this] { btnCloseClick(); }); });
}

// Depth 2 selects the first code of the top level, depth 3 the first child of that code.
void TgfrmSelectElement::FormShow() {
    TfrmBsDialog::FormShow();
    FConfirmed = false;
    if (TTreeNode *n = trvBottom->FirstNode()) {
        if (n->NextSibling()) {
            n->SetSelected(true);
        } else if (TTreeNode *c = n->FirstChild()) {
            if (FLevel == 3 && c->FirstChild()) SelectFirstChildOf(c);
            else c->SetSelected(true);
        }
    }
    trvBottom->setFocus();
}

// The first child of a node whose children are not loaded yet is its placeholder, which stands
// for no code: the node is opened (its children load) and its first real child is selected.
void TgfrmSelectElement::SelectFirstChildOf(TTreeNode *node) {
    const TItemInfo *first = TDynamicTree::ItemInfoOf(node->FirstChild());
    if (first && first->Kind == ikPlaceholder) node->SetExpanded(true);
    if (TTreeNode *child = node->FirstChild()) child->SetSelected(true);
    else node->SetSelected(true);
}

// The picker tree reads the statement's id, pid, leafflag and name columns on the default
// connection; a row is a bottom-level code when its leafflag is "0".
void TgfrmSelectElement::SetUpTree(const QString &sql, const QString &textField, const QString &topId,
                                   const QString &title) {
    dtrvElement->SetAdoConn(GetDefaultConn());
    dtrvElement->SetSqlTable({sql});
    dtrvElement->SetFieldId(QStringLiteral("id"));
    dtrvElement->FieldPid = QStringLiteral("pid");
    dtrvElement->FieldIsLeaf = QStringLiteral("leafflag");
    dtrvElement->FieldCaption = QStringLiteral("name");
    dtrvElement->FieldText = textField;
    dtrvElement->TopVirNodeIdValue = topId;
    dtrvElement->ValueIsLeaf = QStringLiteral("0");
    dtrvElement->SetTopVirNodeTitle(title);
}

void TgfrmSelectElement::FormKeyDown(int &key, Qt::KeyboardModifiers shift) {
    QLineEdit *box = Search->Box();
    const bool boxKey = key == Qt::Key_Return || key == Qt::Key_Enter || (key == Qt::Key_Escape && !box->text().isEmpty());
    if (box->hasFocus() && boxKey) return;
    TfrmBsDialog::FormKeyDown(key, shift);
}

void TgfrmSelectElement::FormKeyPress(QChar &key) {
    if (Search->Box()->hasFocus() && key == QChar(13)) return;
    TfrmBsDialog::FormKeyPress(key);
}

void TgfrmSelectElement::LeafOnlyMessage() {
    QMessageBox box(QMessageBox::Information, QString(), QStringLiteral("请选择底级") + FElementCaption, QMessageBox::Ok,
                    this);
    box.setObjectName(QStringLiteral("authpayMessage"));
    box.exec();
}

void TgfrmSelectElement::btnConfirmClick() {
    TTreeNode *selected = trvBottom->Selected();
    if (!selected) return;
    const TItemInfo *info = TDynamicTree::ItemInfoOf(selected);
    if (FLeafOnly && !(info && info->IsLeaf)) {
        LeafOnlyMessage();
        return;
    }
    FSelId = info ? info->Id : QString();
    FSelName = info ? info->Caption : QString();
    FSelText = FSelName;
    FConfirmed = true;
    close();
}

void TgfrmSelectElement::btnCloseClick() {
    FConfirmed = false;
    close();
}

void TgfrmSelectElement::trvBottomDblClick() { btnConfirmClick(); }

void TgfrmSelectElement::SearchEnter(TTreeNode *node) {
    trvBottom->SetSelected(node);
    btnConfirmClick();
}

bool ShowElementDialog(const QString &sql, const QString &caption, QString &code, QString &name, QString &text,
                       const QString &topId, bool leafOnly, int depth) {
    if (code.trimmed().isEmpty() || name.trimmed().isEmpty()) return false;
    std::unique_ptr<TgfrmSelectElement> dialog(
        static_cast<TgfrmSelectElement *>(ConstructComponent<TgfrmSelectElement>(TComponentOwner{})));
    dialog->FLevel = depth;
    {
        IARQueryPtr warmUp;  // opens the default connection when it is closed; the rows are not read
        OpenDefaultQuery(sql, warmUp);
    }
    dialog->SetUpTree(sql, QStringLiteral("tname"), topId, QStringLiteral("请选择") + caption);
    dialog->dtrvElement->SetActive(true);
    dialog->FLeafOnly = leafOnly;
    dialog->FElementCaption = caption;
    dialog->setWindowTitle(QStringLiteral("请选择") + caption);
    dialog->ShowModal();
    const bool confirmed = dialog->FConfirmed;
    code = confirmed ? dialog->FSelId : QString();
    name = confirmed ? dialog->FSelName : QString();
    text = confirmed ? dialog->FSelText : QString();
    return confirmed;
}

bool SelectElement(const QString &kind, QString &code, QString &name, QString &text, bool leafOnly, bool inUse,
                   int year, const QString &extra) {
    const std::optional<TElementKindUse> use = UseElementKind(kind, GetUnitValue(0), year, DefaultSqlBackend());
    if (!use) return false;
    const QString condition = SelectElementCondition(use->Condition, inUse, extra);
    const QString sql = SelectElementSql(*use->Kind, use->Table, condition, GetDefaultConn()->GetConcatOperator());
    code = use->Kind->CodeColumn;
    name = use->Kind->NameColumn;
    if (ShowElementDialog(sql, use->Kind->Caption, code, name, text, use->TopId, leafOnly, use->Depth)) return true;
    code.clear();
    name.clear();
    text.clear();
    return false;
}

bool SelectBudgetUnit(QString &code, QString &name, QString &text, bool leafOnly, bool inUse, int year) {
    return SelectElement(QStringLiteral("PubDept"), code, name, text, leafOnly, inUse, year);
}

QTreeWidget *TgfrmSelectElement::CodeTree() { return trvBottom; }
QAbstractButton *TgfrmSelectElement::ConfirmButton() { return btnConfirm; }
QAbstractButton *TgfrmSelectElement::CloseButton() { return btnClose; }
