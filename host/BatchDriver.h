#pragma once
// Drives the query window without a user, through the module's typed face for hosts
// (authpay::IQueryWindow): applies the report options as a user would set them (choosing entries,
// typing and leaving the unit box, ticking boxes, picking codes in the real pickers), runs the
// Refresh, then exports, prints to PDF or prints the sheet's cells (the only thing it writes to
// stdout). Message boxes, questions and pickers the window opens are answered by a watcher and
// the messages' texts reported on stderr.
#include "authpay/ReportWindow.h"

#include <QHash>
#include <QMouseEvent>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QElapsedTimer>
#include <QTimer>

class QWidget;

class BatchDriver {
public:
    // options: the report options given with --batch, name → value ("" for a flag).
    BatchDriver(QWidget *window, const QHash<QString, QString> &options);
    ~BatchDriver();
    // Runs the whole report; answers the exit status (0 ok, 1 failure) with reasons in errors.
    int Run();
    QStringList errors;
    QStringList messages;  // every message box the window showed, in order

private:
    bool Apply();
    bool ChooseGroups(const QString &captions);
    bool ChooseText(authpay::ChoiceBox box, const QString &text, const QString &option);
    bool ChooseIndex(authpay::ChoiceBox box, const QString &position, const QString &option);
    bool ChooseCompareYear(const QString &year);
    bool TypeUnitCode(const QString &code);
    bool PickInto(const QString &option, authpay::CodeBox box, bool unitList);
    void DriveTicker(QWidget *dialog);
    bool Export(const QString &file);
    bool PrintPdf(const QString &file);
    bool PreviewPicture(const QString &file);
    void SavePreviewPicture(class QDialog *preview);
    void AnswerModal();
    void CheckDeadline();
    bool WaitIdle();
    void ReportSummary(const char *what);
    authpay::IReportWindow *Report() const;
    authpay::IQueryWindow *Query() const;
    bool Drill(int n);
    void ReadAllRows() const;
    bool CheckFormat();
    bool RecallPreset(const QString &name);
    bool SavePreset(const QString &name);
    void WriteFormatted();
    QString Value(const QString &name) const { return values_.value(name); }

    QPointer<QWidget> window_;  // the query window, or the drill-down it opened (which may close itself)
    QPointer<QWidget> query_;
    QHash<QString, QString> values_;
    bool printSheet_ = false;
    bool subtotals_ = false;
    bool fitWidth_ = false;  // --fit-width
    QString previewPicture_;  // where the preview's picture goes while it is asked for
    QString previewError_;
    bool previewSaved_ = false;
    QString presetAnswer_;  // the name the save-preset question is answered with
    bool savingPreset_ = false;  // whether to replace a saved set of that name: yes
    // The picker the next double-click opens: the option that asked for it and its codes.
    QString pickOption_;
    QStringList pickCodes_;
    QString pickError_;
    QTimer watcher_;
    QElapsedTimer clock_;   // since the run began
    qint64 deadline_ = 0;   // --timeout in milliseconds; 0: none
    bool timedOut_ = false;
};
