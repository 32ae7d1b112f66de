// The built libauthpay.so as a host sees it: loaded at run time, one export resolved by name,
// called with a host record, unloaded and loaded again.
#include "authpay/Application.h"
#include "authpay/PlugIn.h"
#include "authpay/Screen.h"
#include "authpay/UserContext.h"

#include <QApplication>
#include <QLabel>
#include <QLibrary>
#include <QWidget>
#include <QProcess>
#include <QStringEncoder>
#include <gtest/gtest.h>

namespace {

class CountingNotifier : public IPlugInNotifier {
public:
    int32_t QueryInterface(const void *, void **) override { return static_cast<int32_t>(0x80004002u); }
    int32_t AddRef() override { return 1; }
    int32_t Release() override { return 1; }
    int32_t ModuleReleased(int32_t) override { return ++releases; }
    int releases = 0;
};

class HostUnit : public TUnitRecord {
public:
    TUnitField *Field(int index) override { return index == 0 ? &code : &empty; }
    TUnitField code{QStringLiteral("110001")}, empty;
};

class ModuleExport : public ::testing::Test {
protected:
    void SetUp() override {
        library.setFileName(qEnvironmentVariable("AUTHPAY_MODULE", QStringLiteral(AUTHPAY_MODULE_DEFAULT)));
        ASSERT_TRUE(library.load()) << library.errorString().toStdString();
        show = reinterpret_cast<ShowPlugInWindowFn>(library.resolve(AUTHPAY_EXPORT_NAME));
        ASSERT_NE(show, nullptr);
        screen.SetFixedSize(QSize(1024, 768));
        context.DataYear = 2026;
        context.SysParams = &params;
        context.Settings = &settings;
        context.CurrentUnit = &unit;
        moduleInfo.ModuleId = 71;
        application.OnException = [this](QObject *, const Exception &e) { errors << e.Message; };
    }
    void TearDown() override {
        if (library.isLoaded()) {
            EXPECT_TRUE(library.unload());
        }
    }

    QLibrary library;
    ShowPlugInWindowFn show = nullptr;
    TApplication application{QStringLiteral("export test")};
    TScreen screen;
    CountingNotifier notifier;
    TPlugInModuleInfo moduleInfo{};
    TSysParams params;
    TSettings settings;
    HostUnit unit;
    TUserContext context;
    TPlugInHostInfo record{&context, &moduleInfo, &notifier, &application, &screen};
    QStringList errors;
};

QString Unregistered(const QString &name) { return QStringLiteral("类%1没有进行注册或不存在！").arg(name); }

}  // namespace

TEST_F(ModuleExport, ExportsExactlyOneSymbol) {
    QProcess nm;
    nm.start(QStringLiteral("nm"), {QStringLiteral("-D"), QStringLiteral("--defined-only"), library.fileName()});
    if (!nm.waitForFinished(30000) || nm.exitCode() != 0) GTEST_SKIP() << "nm is not available";
    QStringList names;
    for (const QByteArray &line : nm.readAllStandardOutput().split('\n'))
        if (!line.trimmed().isEmpty()) names << QString::fromLatin1(line.split(' ').last());
    EXPECT_EQ(names, QStringList{QStringLiteral("ShowPlugInWindow")});
}

TEST_F(ModuleExport, MissingRecordsAreRefusedWithoutTouchingAnything) {
    EXPECT_EQ(show("TbfrmApportionQry", nullptr), 1);
    record.ModuleInfo = nullptr;
    EXPECT_EQ(show("TbfrmApportionQry", &record), 1);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(moduleInfo.ModuleName, nullptr);
}

TEST_F(ModuleExport, CallFillsTheModuleTextsAndReportsUnknownClassesThroughTheHost) {
    EXPECT_EQ(show("TNoSuchWindow", &record), 0);
    EXPECT_EQ(errors, QStringList{Unregistered(QStringLiteral("TNoSuchWindow"))});
    EXPECT_EQ(moduleInfo.ModuleId, 71);
    QStringEncoder gbk("GBK");
    ASSERT_TRUE(gbk.isValid());
    EXPECT_EQ(QByteArray(moduleInfo.ModuleName), gbk.encode(QStringLiteral("授权支出模块")));
    EXPECT_EQ(QByteArray(moduleInfo.SystemName), gbk.encode(QStringLiteral("支付管理子系统")));
    EXPECT_EQ(QByteArray(moduleInfo.Description), gbk.encode(QStringLiteral("完成授权支付的支出、查询等功能")));
    EXPECT_EQ(qstrlen(moduleInfo.ModuleName), 12u);
    EXPECT_EQ(qstrlen(moduleInfo.SystemName), 14u);
    EXPECT_EQ(qstrlen(moduleInfo.Description), 30u);

    // A base class that no module window descends from is not registered.
    errors.clear();
    EXPECT_EQ(show("TfrmBsDialog", &record), 0);
    EXPECT_EQ(errors, QStringList{Unregistered(QStringLiteral("TfrmBsDialog"))});
    errors.clear();
    EXPECT_EQ(show("TPersistent", &record), 0);
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(notifier.releases, 0);
}

// The query window's class is registered in the module: the export opens it, asking again in
// another letter case shows the same window, and closing it sends the host the release notice.
TEST_F(ModuleExport, QueryWindowOpensThroughTheExportAndItsCloseNotifiesTheHost) {
    auto windows = [] {
        QList<QWidget *> found;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qstrcmp(w->metaObject()->className(), "TbfrmApportionQry") == 0) found << w;
        return found;
    };
    EXPECT_EQ(show("TbfrmApportionQry", &record), 0);
    EXPECT_FALSE(errors.contains(Unregistered(QStringLiteral("TbfrmApportionQry"))));
    EXPECT_EQ(show("tbfrmapportionqry", &record), 0);
    const QList<QWidget *> opened = windows();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened.first()->isVisible());
    opened.first()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(windows().isEmpty());
    EXPECT_EQ(notifier.releases, 1);
}

TEST_F(ModuleExport, ModuleCanBeUnloadedAndLoadedAgain) {
    EXPECT_EQ(show("TNoSuchWindow", &record), 0);
    ASSERT_TRUE(library.unload());
    ASSERT_TRUE(library.load());
    show = reinterpret_cast<ShowPlugInWindowFn>(library.resolve(AUTHPAY_EXPORT_NAME));
    ASSERT_NE(show, nullptr);
    TPlugInModuleInfo fresh{5, nullptr, nullptr, nullptr};
    record.ModuleInfo = &fresh;
    EXPECT_EQ(show("TNoSuchWindow", &record), 0);
    EXPECT_NE(fresh.ModuleName, nullptr);
    EXPECT_EQ(fresh.ModuleId, 5);
    EXPECT_EQ(errors.size(), 2);
}

// A host may unload the module once its last window is gone. Qt's font cache outlives it and keeps
// the families of every font drawn: those must not point into the unloaded library's pages, or the
// host's next text (its menu bar, repainted as the window goes) reads freed memory.
TEST_F(ModuleExport, TextDrawnAfterTheModuleIsUnloadedReadsNothingOfIt) {
    ASSERT_EQ(show("TbfrmApportionQry", &record), 0);
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qstrcmp(w->metaObject()->className(), "TbfrmApportionQry") == 0) {
            w->grab();
            w->close();
        }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(notifier.releases, 1);
    ASSERT_TRUE(library.unload());
    QWidget host;
    QFont font;
    font.setFamilies({QString::fromUtf8("SimSun"), QString::fromUtf8("宋体"), QString::fromUtf8("WenQuanYi Micro Hei")});
    font.setPointSize(9);
    host.setFont(font);
    auto *label = new QLabel(QString::fromUtf8("文件(&F) 授权支付(&M)"), &host);
    label->adjustSize();
    EXPECT_FALSE(host.grab().isNull());
}
