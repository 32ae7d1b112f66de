#pragma once
// Drives the query window without a user: applies the report options to its controls as a user
// would (choosing entries, typing and leaving the unit box, ticking boxes), presses Refresh, then
// exports, prints to PDF or prints the sheet's cells (the only thing it writes to stdout). Message
// boxes and the save dialog that the window opens are answered by a watcher and their texts
// reported on stderr.
#include "authpay/ResultSheet.h"

#include <QHash>
#include <QMouseEvent>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QElapsedTimer>
#include <QTimer>

class QComboBox;
class QWidget;

class BatchDriver {
public:
    // options: the "--name value" pairs and the "--print-sheet" and "--subtotals" flags given after
    // --batch.
    BatchDriver(QWidget *window, const QStringList &options);
    ~BatchDriver();
    // Runs the whole report; answers the exit status (0 ok, 1 failure) with reasons in errors.
    int Run();
    QStringList errors;
    QStringList messages;  // every message box the window showed, in order

private:
    bool Apply();
    bool ChooseGroups(const QString &captions);
    bool ChooseText(const QString &boxName, const QString &text, const QString &option);
    bool ChooseIndex(const QString &boxName, const QString &position, const QString &option);
    bool ChooseCompareYear(const QString &year);
    bool TypeUnitCode(const QString &code);
    void FillCodeBox(const QString &boxName, const QString &codes);
    bool PickInto(const QString &option, const QString &boxName, bool unitList);
    void DriveTicker(QWidget *dialog);
    bool Activate(QComboBox *box, int index);
    bool Export(const QString &file);
    bool PrintPdf(const QString &file);
    bool PreviewPicture(const QString &file);
    void SavePreviewPicture(class QDialog *preview);
    void AnswerModal();
    void CheckDeadline();
    bool WaitIdle();
    void ReportSummary(const char *what);
    QWidget *Sheet() const;
    const authpay::IResultSheet *SheetRows();
    template <typename T> T *Control(const char *name);
    bool Drill(int n);
    void ReadAllRows() const;
    bool CheckFormat();
    bool RecallPreset(const QString &name);
    bool SavePreset(const QString &name);
    void WriteFormatted();
    QString Value(const QString &name) const { return values_.value(name); }

    QPointer<QWidget> window_;  // the query window, or the drill-down it opened (which may close itself)
    QHash<QString, QString> values_;
    bool printSheet_ = false;
    bool subtotals_ = false;
    bool fitWidth_ = false;  // --fit-width
    QString saveAnswer_;
    QString previewPicture_;  // where the preview's picture goes while it is asked for
    QString previewError_;
    bool previewSaved_ = false;
    QString presetAnswer_;  // the name the save-preset question is answered with
    bool savingPreset_ = false;  // whether to replace a saved set of that name: yes
    QWidget *answeredDialog_ = nullptr;  // the save dialog given a name, until it closes
    bool saveRefused_ = false;
    // The picker the next double-click opens: the option that asked for it and its codes.
    QString pickOption_;
    QStringList pickCodes_;
    QString pickError_;
    QTimer watcher_;
    QElapsedTimer clock_;   // since the run began
    qint64 deadline_ = 0;   // --timeout in milliseconds; 0: none
    bool timedOut_ = false;
};
