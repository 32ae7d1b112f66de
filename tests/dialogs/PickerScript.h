#pragma once
// Drives the pickers while they run modally, as a user does: a timer notices the dialog, runs the
// test's script on it once and answers the message boxes the dialog opens. Every action reaches
// the dialog as real mouse and key input.
#include "authpay/Application.h"
#include "dialogs/SelectElement.h"
#include "platform/TreeView.h"

#include <QStringList>
#include <QTimer>
#include <functional>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

// A fresh application object installed as the module's for the object's lifetime (the data tree
// dialog's check boxes listen through its message filter); the previous one is put back.
struct TModuleApplication {
    TModuleApplication();
    ~TModuleApplication();
    TApplication App;
    TApplication *const Previous;
};

class TPickerScript {
public:
    // Runs once on the first picker shown while this object lives, then leaves the next picker
    // alone. The script must leave the dialog closed; one left open is a failure and is closed.
    explicit TPickerScript(std::function<void(TgfrmSelectElement *dialog)> script);
    bool Ran() const { return ran_; }
    QStringList Messages;  // the message boxes a picker opened, as "title|text", answered with OK

private:
    void Tick();
    std::function<void(TgfrmSelectElement *)> script_;
    QTimer timer_;
    bool ran_ = false;
};

// The user's hand on one picker dialog.
class TPickerUser {
public:
    explicit TPickerUser(TgfrmSelectElement *dialog) : Dialog(dialog), View(dialog->trvBottom) {}
    TgfrmSelectElement *const Dialog;
    TTreeView *const View;

    static QString Code(const TTreeNode *node);  // the code the node shows; empty for the others
    TTreeNode *Find(const QString &code) const;  // among the nodes loaded so far
    // Opens the nodes whose code begins the wanted one, from the top down, until it shows.
    TTreeNode *Reach(const QString &code);
    void Click(TTreeNode *node);        // on its text
    void DoubleClick(TTreeNode *node);  // on its text
    void Tick(TTreeNode *node);         // on its check-box picture
    void Open(TTreeNode *node);         // selected, then the right arrow key unless that opened it
    void Confirm();
    void CloseButton();
    void Escape();
    void CloseBox();
};

bool PickerAlive();  // whether a picker dialog still exists anywhere
// Saves a picture of the widget as NAME.png into the folder AUTHPAY_SCREENSHOT_DIR, when set.
void SaveScreenshot(QWidget *widget, const QString &name);
