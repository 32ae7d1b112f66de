#include "query/QueryWindow.h"

#include "data/AdoConn.h"
#include "data/DefaultConn.h"
#include "frame/ModuleGlobals.h"
#include "frame/PlugInEntry.h"
#include "report/ReportSheet.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

namespace {
QString TemplatesDir() {
    QString root = qEnvironmentVariable("AUTHPAY_SOURCE_DIR");
    if (root.isEmpty()) root = QStringLiteral(AUTHPAY_SOURCE_DIR_DEFAULT);
    return root + QStringLiteral("/templates/");
}
}  // namespace

TQueryWindowTest::TQueryWindowTest() : savedConfigHome_(qgetenv("XDG_CONFIG_HOME")) {
    QObject::connect(&watcher_, &QTimer::timeout, [this] { AnswerModal(); });
    // What the window remembers for the user (the last export's folder and type, the print
    // choices) stays with the test.
    qputenv("XDG_CONFIG_HOME", tmp.filePath(QStringLiteral("user-config")).toUtf8());
}

void TQueryWindowTest::Open(TBackend backend, const QString &unitCode) {
    const QString connStr = ReadOnlyConnStr(backend);
    if (connStr.isEmpty()) GTEST_SKIP() << "no PostgreSQL cluster (AUTHPAY_PG_RO_CONNSTR)";
    OpenOn(connStr, unitCode);
}

void TQueryWindowTest::OpenWithObjects(TBackend backend, const QStringList &sqliteDdl, const QStringList &pgDdl) {
    QString connStr;
    if (backend == TBackend::PostgreSQL) {
        if (PgConnStr().isEmpty()) GTEST_SKIP() << "no PostgreSQL cluster (AUTHPAY_PG_CONNSTR)";
        TAdoConn owner;
        owner.ConnectionString = PgConnStr();
        // Tests of other processes may make the same objects at the same moment: PostgreSQL would
        // refuse one of two concurrent "create or replace", so they take turns.
        QSqlQuery(owner.Database()).exec(QStringLiteral("select pg_advisory_lock(20261207)"));
        // The module's sessions are read-only; the test's own objects are written as the owner.
        QSqlQuery(owner.Database()).exec(QStringLiteral("set default_transaction_read_only=off"));
        for (const QString &sql : pgDdl) {
            QSqlQuery q(owner.Database());
            EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
        }
        QSqlQuery(owner.Database()).exec(QStringLiteral("select pg_advisory_unlock(20261207)"));
        if (HasFailure()) return;
        connStr = PgReadOnlyConnStr();
    } else {
        const QString copy = tmp.filePath(QStringLiteral("objects.sqlite"));
        QFile::remove(copy);
        ASSERT_TRUE(QFile::copy(DemoSqliteFile(), copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        {
            TAdoConn owner;
            owner.ConnectionString = QStringLiteral("Provider=SQLite;Data Source=%1").arg(copy);
            for (const QString &sql : sqliteDdl) {
                QSqlQuery q(owner.Database());
                ASSERT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
            }
        }
        connStr = QStringLiteral("Provider=SQLite;Data Source=%1;Mode=Read").arg(copy);
    }
    if (w) {
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        w = nullptr;
        if (started_) authpay::ModuleShutdown();
        started_ = false;
    }
    OpenOn(connStr, QStringLiteral("001001"));
}

void TQueryWindowTest::OpenOn(const QString &connectionString, const QString &unitCode) {
    ASSERT_TRUE(tmp.isValid());
    ctx_ = std::make_unique<TTestContext>(connectionString);
    ctx_->Unit.Set(0, unitCode);
    params_.Lines = {QStringLiteral("11=") + (templatesDir.isEmpty() ? TemplatesDir() : templatesDir)};
    ctx_->Context.SysParams = &params_;
    traceFile_ = tmp.filePath(QStringLiteral("trace.sql"));
    const authpay::Outcome traced = ctx_->Manager.SetSqlTrace(traceFile_);
    ASSERT_TRUE(traced.Ok()) << traced.message.toStdString();

    screen_.SetFixedSize(QSize(1280, 800));
    moduleInfo_.ModuleId = 71;
    record_ = TPlugInHostInfo{&ctx_->Context, &moduleInfo_, nullptr, &app_, &screen_};
    main_ = MakeMainWindow();
    app_.MainForm = main_.get();
    ShowMainWindow();

    authpay::ModuleStartup(RegisterApportionQryClasses);
    started_ = true;
    watcher_.start(5);

    ASSERT_EQ(authpay::ShowPlugInWindowImpl("TbfrmApportionQry", &record_), 0);
    auto *area = static_cast<QMdiArea *>(main_->centralWidget());
    ASSERT_EQ(area->subWindowList().size(), 1);
    w = qobject_cast<TbfrmApportionQry *>(area->subWindowList().first()->widget());
    ASSERT_NE(w, nullptr);
    if (maximiseWindow) area->subWindowList().first()->showMaximized();
    QCoreApplication::processEvents();  // what the window says once it is up (an unreachable database)
    main_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main_.get()));
    TracedSql();  // skips the statements of the window's loading
}

std::unique_ptr<QMainWindow> TQueryWindowTest::MakeMainWindow() {
    auto main = std::make_unique<QMainWindow>();
    main->setCentralWidget(new QMdiArea);
    return main;
}

void TQueryWindowTest::ShowMainWindow() {
    main_->resize(1280, 800);
    main_->show();
}

void TQueryWindowTest::TearDown() {
    watcher_.stop();
    if (w) w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    w = nullptr;
    if (started_) authpay::ModuleShutdown();
    started_ = false;
    main_.reset();
    ctx_.reset();
    if (savedConfigHome_.isEmpty()) qunsetenv("XDG_CONFIG_HOME");
    else qputenv("XDG_CONFIG_HOME", savedConfigHome_);
}

void TQueryWindowTest::AnswerModal() {
    QWidget *modal = QApplication::activeModalWidget();
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        if (!box->isVisible()) return;
        if (qobject_cast<QFileDialog *>(box->parentWidget())) {
            answers.replaceQuestions << box->text();
            if (answers.replace) {
                box->button(QMessageBox::Yes)->click();
                return;
            }
        } else {
            answers.boxes << TModalAnswers::Box{box->windowTitle(), box->text(), box->icon(), box->textFormat(),
                                                box->informativeText(), {}};
            for (QAbstractButton *b : box->buttons()) answers.boxes.last().buttons << b->text();
            if (QAbstractButton *yes = box->button(QMessageBox::Yes); yes && answers.yesTo.contains(box->text())) {
                QTest::mouseClick(yes, Qt::LeftButton);
                return;
            }
        }
        QTest::keyClick(box, Qt::Key_Return);
    } else if (auto *input = qobject_cast<QInputDialog *>(modal)) {
        if (!input->isVisible() || input == answered_) return;
        answered_ = input;
        ++answers.inputDialogs;
        auto *edit = input->findChild<QLineEdit *>();
        if (answers.inputs.isEmpty() || !edit) {
            QTest::keyClick(input, Qt::Key_Escape);
            return;
        }
        edit->setFocus();
        for (QChar c : answers.inputs.takeFirst()) QTest::sendKeyEvent(QTest::Click, edit, Qt::Key(0), QString(c), Qt::NoModifier);
        // Pressed from the event loop, not from this timer's slot: the window's question about the
        // name runs a loop in which the timer must answer it.
        QMetaObject::invokeMethod(edit, [edit] { QTest::keyClick(edit, Qt::Key_Return); }, Qt::QueuedConnection);
    } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
        if (!dialog->isVisible() || dialog->objectName() != QLatin1String("sd")) return;
        if (dialog == answered_) {  // the answer did not close it: fail instead of waiting forever
            if (answers.replaceQuestions.isEmpty()) ADD_FAILURE() << "the save dialog stayed open";
            static_cast<QDialog *>(dialog)->reject();
            return;
        }
        answered_ = dialog;
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ++answers.saveDialogs;
        answers.suggestedName = name ? name->text() : QString();
        answers.saveFilters = dialog->nameFilters();
        answers.saveFolder = dialog->directory().absolutePath();
        answers.saveFilter = dialog->selectedNameFilter();
        if (answers.saveAs.isEmpty() || !name) {
            QTest::keyClick(dialog, Qt::Key_Escape);
            return;
        }
        const QFileInfo target(answers.saveAs);
        if (!target.dir().exists()) {  // the dialog cannot go there: choose the name as a whole
            dialog->selectFile(target.absoluteFilePath());
            static_cast<QDialog *>(dialog)->accept();
            return;
        }
        dialog->setDirectory(target.absolutePath());
        if (auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo")); types && !answers.saveType.isEmpty()) {
            const int at = types->findText(answers.saveType);
            ASSERT_GE(at, 0) << answers.saveType.toStdString();
            // Chosen with the keyboard, as a user would: the list sends what a choice sends.
            types->setFocus();
            while (types->currentIndex() < at) QTest::keyClick(types, Qt::Key_Down);
            while (types->currentIndex() > at) QTest::keyClick(types, Qt::Key_Up);
        }
        name->setFocus();
        name->selectAll();
        for (QChar c : target.fileName()) QTest::sendKeyEvent(QTest::Click, name, Qt::Key(0), QString(c), Qt::NoModifier);
        auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        ASSERT_TRUE(buttons && buttons->button(QDialogButtonBox::Save));
        // Clicked from the event loop, not from this timer's slot: a question the dialog asks
        // then runs a loop in which the timer fires again to answer it.
        QMetaObject::invokeMethod(buttons->button(QDialogButtonBox::Save), &QAbstractButton::click, Qt::QueuedConnection);
    }
}

void TQueryWindowTest::Choose(QComboBox *box, const QString &text) {
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << "no entry " << text.toStdString() << " in " << box->objectName().toStdString();
    ASSERT_TRUE(box->isEnabled()) << box->objectName().toStdString();
    box->showPopup();
    QAbstractItemView *view = box->view();
    ASSERT_TRUE(view->isVisible());
    view->setCurrentIndex(box->model()->index(index, 0));
    QTest::keyClick(view, Qt::Key_Return);
    ASSERT_FALSE(view->isVisible());
    ASSERT_EQ(box->currentIndex(), index);
}

void TQueryWindowTest::Click(QWidget *button) { QTest::mouseClick(button, Qt::LeftButton); }

void TQueryWindowTest::Refresh() {
    Click(w->tbtnRefresh);
    WaitIdle();
}

void TQueryWindowTest::WaitIdle(int msecs) {
    QElapsedTimer t;
    t.start();
    do QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    while (w->Busy() && t.elapsed() < msecs);
    ASSERT_FALSE(w->Busy()) << "the Refresh did not end";
}

void TQueryWindowTest::WaitIdle(TbfrmApportionDetail *d, int msecs) {
    QElapsedTimer t;
    t.start();
    do QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    while (d->Busy() && t.elapsed() < msecs);
    ASSERT_FALSE(d->Busy()) << "the drill-down's read did not end";
}

void TQueryWindowTest::TypeAndLeave(QWidget *box, const QString &text) {
    box->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(box->hasFocus());
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Tab);
    QCoreApplication::processEvents();
}

QString TQueryWindowTest::Cell(int col, int row) const { return w->cllBudget->SheetCellText(col, row); }
int TQueryWindowTest::RowCount() const { return w->cllBudget->SheetRowCount(0); }
int TQueryWindowTest::ColumnWidth(int col) const { return w->cllBudget->Model().ColumnWidth(col); }

QStringList TQueryWindowTest::TracedSql() {
    QFile f(traceFile_);
    if (!f.open(QIODevice::ReadOnly)) return {};
    f.seek(traceRead_);
    const QByteArray text = f.readAll();
    traceRead_ += text.size();
    return WithoutConnectionStatements(QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts));
}

double TQueryWindowTest::DbValue(const QString &sql) {
    IARQueryPtr q;
    if (!OpenDefaultQuery(sql, q)) {
        ADD_FAILURE() << sql.toStdString() << ": " << LastDbError().toStdString();
        return -1;
    }
    TracedSql();  // not the window's statement
    return q.Query()->Fields(0).AsCurrency();
}

TbfrmApportionDetail *TQueryWindowTest::DetailOpenedBy(const std::function<void()> &input,
                                                       QList<QPointer<TbfrmApportionDetail>> &opened) {
    const QList<QWidget *> before = QApplication::allWidgets();
    input();
    QApplication::processEvents();
    for (QWidget *widget : QApplication::allWidgets())
        if (auto *d = qobject_cast<TbfrmApportionDetail *>(widget); d && !before.contains(widget)) {
            opened << d;
            WaitIdle(d);
            return d;
        }
    return nullptr;
}
