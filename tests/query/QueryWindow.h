#pragma once
// The query window opened the way the host opens it: the module started with its window classes,
// a host record on a demo database, a main window with an MDI area, and the entry called with the
// class name. Choices are made through the boxes' pop-ups, buttons are clicked, and modal boxes
// are answered from a timer and recorded.
#include "authpay/Application.h"
#include "authpay/PlugIn.h"
#include "authpay/Screen.h"
#include "data/DemoDb.h"
#include "query/ApportionQry.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

class QComboBox;

// What the timer met: message boxes it pressed OK on, and the save dialog it answered.
struct TModalAnswers {
    struct Box {
        QString title, text;
        QMessageBox::Icon icon;
        Qt::TextFormat format = Qt::AutoText;
        QString informative;
        QStringList buttons;
    };
    QList<Box> boxes;
    QString saveAs;  // typed into the save dialog's name box; empty: the dialog is cancelled
    QString saveType;  // chosen in the dialog's file type list first, when not empty
    QString suggestedName;
    QStringList saveFilters;
    QString saveFolder, saveFilter;  // where the dialog opened, and the type it showed first
    int saveDialogs = 0;
    // The save dialog's question whether to replace a file: answered with Yes when replace is set,
    // else with its default (No), which leaves the dialog open; it is then cancelled.
    bool replace = false;
    QStringList replaceQuestions;
    // The window's own questions are recorded as boxes too: those whose text is listed here are
    // answered with a click on Yes, the others with their default (Return).
    QStringList yesTo;
    // Typed into the text dialogs (such as the name of a saved set), one each, then Return; with
    // none left a text dialog is left with Esc.
    QStringList inputs;
    int inputDialogs = 0;
};

class TQueryWindowTest : public ::testing::Test {
protected:
    TQueryWindowTest();
    // Opens the window on the backend's demo for the user of that unit; skips when the backend
    // is not available.
    void Open(TBackend backend, const QString &unitCode = QStringLiteral("001001"));
    // Set before opening: the template folder the user context names (the source tree's
    // templates/ when empty).
    QString templatesDir;
    void OpenOn(const QString &connectionString, const QString &unitCode);
    // Opens (or opens again) the window on a database that also holds objects made for the test:
    // on SQLite a copy of the demo, on PostgreSQL the demo itself, the objects made by its owner
    // (under names only that test uses). The window's own statements run on connections of their
    // own, so a test changes what they see this way, not through the window's session.
    void OpenWithObjects(TBackend backend, const QStringList &sqliteDdl, const QStringList &pgDdl);
    void TearDown() override;
    // The host's main window and how it is shown before the window opens, and whether the window
    // is then maximised in it; a host's own tests put in their main window.
    virtual std::unique_ptr<QMainWindow> MakeMainWindow();
    virtual void ShowMainWindow();
    bool maximiseWindow = true;

    // A user's choice: the box's pop-up opened, the entry made current and Enter pressed.
    void Choose(QComboBox *box, const QString &text);
    void Click(QWidget *button);
    void Refresh();
    // Processes events until the window's Refresh has ended (at most msecs).
    void WaitIdle(int msecs = 60000);
    // Processes events until the drill-down's read has ended (at most msecs).
    static void WaitIdle(TbfrmApportionDetail *d, int msecs = 60000);
    // The drill-down window the input opened (null when none), once it has read its first page;
    // it is kept in `opened` for the fixture to close.
    static TbfrmApportionDetail *DetailOpenedBy(const std::function<void()> &input,
                                                QList<QPointer<TbfrmApportionDetail>> &opened);
    // Types the text into a code box that has the focus, then leaves it with Tab.
    void TypeAndLeave(QWidget *box, const QString &text);

    QString Cell(int col, int row) const;
    int RowCount() const;  // number of the last row + 1, as the sheet counts
    int ColumnWidth(int col) const;
    // Statements the database manager traced since the last call.
    QStringList TracedSql();
    // One number from the window's own database connection.
    double DbValue(const QString &sql);

    std::unique_ptr<TTestContext> ctx_;
    TApplication app_{QStringLiteral("test host")};
    TScreen screen_;
    TPlugInModuleInfo moduleInfo_{};
    TSysParams params_;
    TPlugInHostInfo record_{};
    std::unique_ptr<QMainWindow> main_;
    TbfrmApportionQry *w = nullptr;
    TModalAnswers answers;
    QTemporaryDir tmp;
    bool started_ = false;

private:
    void AnswerModal();
    QTimer watcher_;
    QByteArray savedConfigHome_;
    QPointer<QWidget> answered_;
    QString traceFile_;
    qint64 traceRead_ = 0;
};

// Runs on every backend that is available.
class TQueryWindowDbTest : public TQueryWindowTest, public ::testing::WithParamInterface<TBackend> {};
