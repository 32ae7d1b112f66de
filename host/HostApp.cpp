#include "HostApp.h"

#include "BatchDriver.h"
#include "HostMainWindow.h"
#include "HostOutput.h"
#include "PictureFile.h"
#include "authpay/DbManager.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <system_error>
#include <thread>

HostApp::HostApp(const HostConfig &config) : config_(config), context_(std::make_unique<HostContext>(config)) {
    context_->application.OnException = [this](QObject *, const Exception &e) { OnException(e); };
    context_->notifier.onReleased = [this] { OnModuleReleased(); };
}

HostApp::~HostApp() {
    // Closing down: the module is unloaded below, not from a release notice.
    context_->notifier.onReleased = nullptr;
    context_->application.MainForm = nullptr;
    main_.reset();
    QCoreApplication::processEvents();
    loader_.Unload();
}

void HostApp::OnException(const Exception &e) {
    errors << e.Message;
    if (config_.batch || !main_) {
        StatusLine(e.Message);
        return;
    }
    QMessageBox::critical(main_.get(), QStringLiteral("错误"), e.Message);
}

// The module's last window is gone. The module stays mapped until the host closes: Qt keeps
// process-wide caches (fonts, settings files, the type registry) that may still point into a
// library that used it, and the next paint of the main window's menu bar would read them from
// unmapped pages. The next window simply starts a new cycle in the loaded module.
void HostApp::OnModuleReleased() { ++releases; }

// Qt reads its font database the first time a window measures a text, and loading the module
// takes about as long: a batch run does both at once, the fonts on a thread of their own (the font
// database may be used from any thread), the module here. A module that cannot be loaded is
// reported when its window is asked for, as always.
void HostApp::PreloadModule() {
    std::thread fonts;
    try {
        fonts = std::thread([] { QFontDatabase::families(); });
    } catch (const std::system_error &) {
        // No thread to spare (a process limit): the fonts are read when the window needs them.
    }
    loader_.Load(config_.modulePath);
    if (fonts.joinable()) fonts.join();
}

bool HostApp::OpenClass(const QString &className) {
    if (!loader_.Load(config_.modulePath)) {
        errors << loader_.error();
        StatusLine(loader_.error());
        if (main_ && !config_.batch) QMessageBox::critical(main_.get(), QStringLiteral("错误"), loader_.error());
        return false;
    }
    const qsizetype before = errors.size();
    const int32_t rc = loader_.ShowPlugInWindow(className, context_->Record());
    if (rc != 0) errors << QStringLiteral("ShowPlugInWindow(%1) returned %2").arg(className).arg(rc);
    return rc == 0 && errors.size() == before;
}

void HostApp::ShowAboutModules() {
    const TPlugInModuleInfo &mi = context_->moduleInfo;
    if (!mi.ModuleName) {
        QMessageBox::information(main_.get(), QStringLiteral("关于模块"), QStringLiteral("尚未加载模块。"));
        return;
    }
    QMessageBox::information(main_.get(), QStringLiteral("关于模块"),
                             QStringLiteral("模块: %1\n子系统: %2\n说明: %3\n标识: %4")
                                 .arg(DecodeGbk(mi.ModuleName), DecodeGbk(mi.SystemName), DecodeGbk(mi.Description))
                                 .arg(mi.ModuleId));
}

int HostApp::RunInteractive() {
    main_ = std::make_unique<HostMainWindow>(config_.debugMenu);
    context_->application.MainForm = main_.get();
    main_->onOpenClass = [this](const QString &name) { OpenClass(name); };
    main_->onAboutModules = [this] { ShowAboutModules(); };
    main_->ShowFitted(main_->screen()->availableGeometry());
    if (!config_.openClass.isEmpty()) QTimer::singleShot(0, [this] { OpenClass(config_.openClass); });
    return QApplication::exec();
}

QWidget *HostApp::FindWindow(const char *className) const {
    for (QMdiSubWindow *sub : main_->mdiArea()->subWindowList())
        if (sub->widget() && qstrcmp(sub->widget()->metaObject()->className(), className) == 0) return sub->widget();
    return nullptr;
}

// Without --open: the query window's report, driven by the report options.
int HostApp::RunReport() {
    QWidget *window = FindWindow("TbfrmApportionQry");
    if (!window) return 1;
    main_->resize(1280, 800);
    if (auto *sub = qobject_cast<QMdiSubWindow *>(window->parentWidget())) sub->showMaximized();
    BatchDriver driver(window, config_.extra);
    const qsizetype shown = errors.size();
    int rc = driver.Run();
    // A failure the window handed to the exception hook during the report fails the run too, and
    // so does a statement the trace could not keep.
    if (errors.size() > shown) rc = 1;
    if (const QString traceError = context_->dbManager->TraceError(); !traceError.isEmpty()) {
        driver.errors << QStringLiteral("--sql-trace: ") + traceError;
        rc = 1;
    }
    for (const QString &e : driver.errors) StatusLine(QStringLiteral("budget-host: ") + e);
    if (config_.extra.contains(QStringLiteral("screenshot"))) {
        main_->setUpdatesEnabled(true);
        // What the run left to do comes first: a view shows or hides its scroll bars in a call
        // queued after their range changed (twice: a refresh that is due queues such a call).
        for (int i = 0; i < 2; ++i) QCoreApplication::processEvents();
        const authpay::Outcome saved = SavePicture(main_->grab(), config_.extra.value(QStringLiteral("screenshot")));
        if (!saved.Ok()) {
            StatusLine(QStringLiteral("budget-host: --screenshot: ") + saved.message);
            rc = rc ? rc : 1;
        }
    }
    return rc;
}

int HostApp::RunBatch() {
    PreloadModule();
    main_ = std::make_unique<HostMainWindow>(config_.debugMenu);
    context_->application.MainForm = main_.get();
    // Shown as a user's window is (its layouts, sizes and scroll bars), but never drawn: nobody
    // sees a batch run's screen. A picture of it (--screenshot) turns drawing on just before.
    main_->setAttribute(Qt::WA_DontShowOnScreen);
    main_->setUpdatesEnabled(false);
    main_->show();
    if (!context_->traceError.isEmpty()) {
        StatusLine(QStringLiteral("budget-host: --sql-trace: ") + context_->traceError);
        return 1;
    }
    const bool report = config_.openClass.isEmpty();
    const QString cls = report ? QStringLiteral("TbfrmApportionQry") : config_.openClass;
    // Status lines go to stderr: stdout carries only the data a report option asked for.
    StatusLine(QStringLiteral("budget-host: loading ") + QFileInfo(config_.modulePath).fileName());
    // What the window says as it opens (an unreachable database) is told on stderr and answered,
    // as the report's own run answers its boxes later.
    QTimer opening;
    QObject::connect(&opening, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            StatusLine(QStringLiteral("budget-host: ") + box->text());
            box->accept();
        }
    });
    opening.start(10);
    const bool ok = OpenClass(cls);
    QCoreApplication::processEvents();
    opening.stop();
    const TPlugInModuleInfo &mi = context_->moduleInfo;
    if (mi.ModuleName)
        StatusLine(QStringLiteral("budget-host: module %1 / %2").arg(DecodeGbk(mi.ModuleName), DecodeGbk(mi.SystemName)));
    const int windows = main_->mdiArea()->subWindowList().size();
    StatusLine(QStringLiteral("budget-host: opened %1: %2 (%3 window(s))")
                   .arg(cls, ok ? QStringLiteral("ok") : QStringLiteral("failed"))
                   .arg(windows));
    if (!ok) return 1;
    return report ? RunReport() : 0;
}
