#include "dialogs/PickerSearch.h"

#include "data/AdoConn.h"
#include "trees/DynamicTree.h"
#include "trees/QueryThread.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTimer>
#include <QTreeWidgetItemIterator>

namespace {
QString Tr(const char *text) { return QString::fromUtf8(text); }

// Every node of the view, parents before their children.
template <class Visit>
void ForEachNode(TTreeView *view, Visit visit) {
    for (QTreeWidgetItemIterator it(view); *it; ++it) visit(static_cast<TTreeNode *>(*it));
}

TTreeNode *ChildWithId(TTreeNode *node, const QString &id) {
    for (int i = 0; i < node->childCount(); ++i) {
        const TItemInfo *info = TDynamicTree::ItemInfoOf(node->Child(i));
        if (info && info->Kind == ikDataNode && info->Id == id) return node->Child(i);
    }
    return nullptr;
}
}  // namespace

TPickerSearch::TPickerSearch(QWidget *panel, TDynamicTree *tree, TTreeView *view)
    : QObject(panel), tree_(tree), view_(view) {
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(17, 1, 16, 1);
    row->setSpacing(6);
    box_ = new QLineEdit(panel);
    box_->setObjectName(QStringLiteral("edtSearch"));
    box_->setPlaceholderText(Tr("输入编码或名称查找 (Ctrl+F)"));
    box_->setClearButtonEnabled(true);
    box_->installEventFilter(this);
    count_ = new QLabel(panel);
    count_->setObjectName(QStringLiteral("lblSearchCount"));
    row->addWidget(box_, 1);
    row->addWidget(count_);
    connect(box_, &QLineEdit::textChanged, this, [this] { TextChanged(); });
    auto *find = new QShortcut(QKeySequence::Find, panel->window());
    connect(find, &QShortcut::activated, this, [this] {
        box_->setFocus(Qt::ShortcutFocusReason);
        box_->selectAll();
    });
}

TPickerSearch::~TPickerSearch() {
    if (!reading_) return;
    reading_->OnQueryDone = nullptr;
    reading_->OnTerminate = nullptr;
    reading_->Terminate();
}

QString TPickerSearch::CountText() const { return count_->text(); }

void TPickerSearch::SetCount(const QString &text) { count_->setText(text); }

void TPickerSearch::TextChanged() {
    if (box_->text().trimmed().isEmpty()) {
        ShowAll();
        SetCount(QString());
    } else if (!indexRead_) {
        ReadIndex();
    } else {
        Apply();
    }
}

// The table is read on a connection of the thread's own; the rows come back in this thread.
void TPickerSearch::ReadIndex() {
    if (reading_ || !tree_->AdoConn()) return;
    SetCount(Tr("正在读取…"));
    const QString sql = CodeIndexSql(tree_->SqlTable());
    tree_->AdoConn()->TraceSql(sql);
    auto *thread =
        new TQueryThread(true, std::make_unique<TMemDataSet>(tree_->AdoConn()->ConnectionString, sql));
    thread->OnQueryDone = [this](TQueryThread *, TMemDataSet *rows) { IndexRead(rows); };
    thread->OnTerminate = [this](TQueryThread *t) { ReadEnded(t); };
    reading_ = thread;
    thread->start();
}

void TPickerSearch::IndexRead(TMemDataSet *rows) {
    std::vector<TCodeRow> codes;
    codes.reserve(size_t(rows->RecordCount()));
    for (rows->First(); !rows->Eof(); rows->Next())
        codes.push_back({rows->FieldByName(QStringLiteral("id")).AsString(),
                         rows->FieldByName(QStringLiteral("pid")).AsString(),
                         rows->FieldByName(QStringLiteral("name")).AsString()});
    index_ = TCodeIndex(std::move(codes));
    indexRead_ = true;
    // The tree's own loads run once the thread has handed its rows over.
    QTimer::singleShot(0, this, [this] { TextChanged(); });
}

void TPickerSearch::ReadEnded(TQueryThread *thread) {
    if (thread == reading_) reading_ = nullptr;
    if (!indexRead_) SetCount(Tr("读取失败"));
}

void TPickerSearch::Apply() {
    if (!filtering_) {
        viewAutoExpand_ = view_->AutoExpand();
        view_->SetAutoExpand(false);
        filtering_ = true;
    }
    const TCodeIndex::TFound found = index_.Find(box_->text(), kMostShown);
    QSet<QString> shown, matched;
    try {
        for (const QString &id : found.Ids) {
            const QStringList path = index_.PathTo(id);
            if (!Reveal(path)) continue;
            matched.insert(id);
            for (const QString &step : path) shown.insert(step);
        }
    } catch (const std::exception &) {
        SetCount(Tr("读取失败"));
        return;
    }
    ShowOnly(shown, matched);
    if (found.Total == 0) SetCount(Tr("未找到"));
    else if (found.Total <= kMostShown) SetCount(Tr("找到 %1 项").arg(found.Total));
    else SetCount(Tr("找到 %1 项，显示前 %2 项").arg(found.Total).arg(kMostShown));
    const QList<TTreeNode *> matches = Matches();
    if (matches.isEmpty()) return;
    view_->SetSelected(matches.first());
    view_->scrollToItem(matches.first());
}

// Opens the branch down to the path's last code, loading what is not loaded, and answers its
// node; null when the tree does not show it. Codes above the tree's top node are passed over.
TTreeNode *TPickerSearch::Reveal(const QStringList &path) {
    TTreeNode *const top = view_->FirstNode();
    TTreeNode *node = top;
    for (const QString &id : path) {
        if (!node) return nullptr;
        if (!node->Expanded()) node->SetExpanded(true);
        TTreeNode *child = ChildWithId(node, id);
        if (!child && node != top) return nullptr;
        if (child) node = child;
    }
    return node == top ? nullptr : node;
}

void TPickerSearch::ShowOnly(const QSet<QString> &shown, const QSet<QString> &matched) {
    ForEachNode(view_, [&](TTreeNode *node) {
        const TItemInfo *info = TDynamicTree::ItemInfoOf(node);
        const bool data = info && info->Kind == ikDataNode;
        node->setHidden(info && info->Kind != ikTopNode && !(data && shown.contains(info->Id)));
        QFont font = node->font(0);
        font.setBold(data && matched.contains(info->Id));
        node->setFont(0, font);
    });
    matched_ = matched;
}

void TPickerSearch::ShowAll() {
    if (!filtering_) return;
    ForEachNode(view_, [](TTreeNode *node) {
        node->setHidden(false);
        QFont font = node->font(0);
        font.setBold(false);
        node->setFont(0, font);
    });
    view_->SetAutoExpand(viewAutoExpand_);
    filtering_ = false;
    matched_.clear();
    if (TTreeNode *current = view_->Selected()) view_->scrollToItem(current);
}

QList<TTreeNode *> TPickerSearch::Matches() const {
    QList<TTreeNode *> matches;
    if (!filtering_) return matches;
    ForEachNode(view_, [&](TTreeNode *node) {
        const TItemInfo *info = TDynamicTree::ItemInfoOf(node);
        if (info && !node->isHidden() && matched_.contains(info->Id)) matches << node;
    });
    return matches;
}

void TPickerSearch::Step(int delta) {
    const QList<TTreeNode *> matches = Matches();
    if (matches.isEmpty()) return;
    const qsizetype at = matches.indexOf(view_->Selected());
    const qsizetype next = at < 0 ? 0 : qBound<qsizetype>(0, at + delta, matches.size() - 1);
    view_->SetSelected(matches.at(next));
    view_->scrollToItem(matches.at(next));
}

bool TPickerSearch::eventFilter(QObject *watched, QEvent *event) {
    if (watched != box_ || event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    switch (static_cast<QKeyEvent *>(event)->key()) {
    case Qt::Key_Down:
        Step(1);
        return true;
    case Qt::Key_Up:
        Step(-1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (TTreeNode *node = view_->Selected(); node && OnEnter && TDynamicTree::ItemInfoOf(node)) OnEnter(node);
        return true;
    case Qt::Key_Escape:
        if (box_->text().isEmpty()) return false;
        box_->clear();
        return true;
    default:
        return false;
    }
}
