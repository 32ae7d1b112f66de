// The host's main window with a module child window in its MDI area, rendered offscreen to a
// PNG in the build tree for a person to look at; the GBK decoding of the module texts; its menus
// and the language of Qt's own texts.
#include "HostMainWindow.h"
#include "QtTranslations.h"
#include "frame/ClassRegistry.h"
#include "frame/TestHost.h"
#include "frame/windows/FrmBsTrvTC.h"
#include "platform/Panel.h"

#include <QDir>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class TfrmSampleQuery : public TfrmBsTrvTC {
public:
    static const TClassInfo ClassInfo;
    explicit TfrmSampleQuery(const TComponentOwner &owner) : TfrmBsTrvTC(owner) {
        setWindowTitle(QStringLiteral("支付范围划分汇总组合查询"));
        for (const char *caption : {"查询", "打印", "导出", "退出"}) tblChildMain->addAction(QString::fromUtf8(caption));
        auto *root = new QTreeWidgetItem(trvList, {QStringLiteral("汇总维度")});
        for (const char *name : {"预算单位", "资金性质", "支出类型", "支付方式", "预算科目"})
            new QTreeWidgetItem(root, {QString::fromUtf8(name)});
        trvList->expandAll();
        pnlRightTop->SetCaption(QStringLiteral("查询条件"));
        pnlTopMessage->SetCaption(QStringLiteral("年度: 2026  单位: 市财政局"));
        pnlRightBottom->SetCaption(QStringLiteral("查询结果"));
        pnlBottonMessage->SetCaption(QStringLiteral("共 0 条记录"));
    }
};
const TClassInfo TfrmSampleQuery::ClassInfo{"TfrmSampleQuery", &TfrmBsTrvTC::ClassInfo,
                                            &ConstructComponent<TfrmSampleQuery>};

void RegisterSample() { RegisterModuleClass(TfrmSampleQuery::ClassInfo); }

}  // namespace

TEST(HostScreenshot, MainWindowWithAChildWindowInItsMdiArea) {
    testhost::Host host;
    HostMainWindow main;
    host.application.MainForm = &main;
    authpay::ModuleStartup(RegisterSample);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    EXPECT_EQ(host.Open("TfrmSampleQuery"), 0);
    EXPECT_TRUE(host.errors.isEmpty()) << host.errors.join('\n').toStdString();
    ASSERT_EQ(main.mdiArea()->subWindowList().size(), 1);
    QWidget *child = main.mdiArea()->subWindowList().front()->widget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(child));
    // The whole child lies inside the MDI area, so nothing of it is cut off.
    const QRect inArea(child->mapTo(main.mdiArea(), QPoint(0, 0)), child->size());
    EXPECT_TRUE(main.mdiArea()->rect().contains(inArea)) << inArea.x() << "," << inArea.y();
    QStringList menus;
    for (QAction *a : main.menuBar()->actions()) menus << a->text();
    EXPECT_TRUE(menus.contains(QStringLiteral("辅助功能(&S)")));

    const QString dir = qEnvironmentVariable("AUTHPAY_BINARY_DIR", QStringLiteral(AUTHPAY_BINARY_DIR_DEFAULT)) + QStringLiteral("/screenshots");
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString path = dir + QStringLiteral("/host-mdi-child.png");
    const QPixmap shot = main.grab();
    EXPECT_EQ(shot.size(), main.size());
    EXPECT_TRUE(shot.save(path)) << path.toStdString();
    authpay::ModuleShutdown();
    testhost::FlushDeletes();
}

TEST(HostScreenshot, ModuleTextsAreDecodedFromGbk) {
    EXPECT_EQ(DecodeGbk("\xca\xda\xc8\xa8\xd6\xa7\xb3\xf6\xc4\xa3\xbf\xe9"), QStringLiteral("授权支出模块"));
    EXPECT_EQ(DecodeGbk("budget"), QStringLiteral("budget"));
    EXPECT_EQ(DecodeGbk(nullptr), QString());
}

// The clerk's menu opens the module's windows; the developers' entry that opens any class by
// name is only in the "调试" menu, shown with --debug-menu.
TEST(HostMenus, OpenByClassNameIsInTheDebugMenuOnlyWhenAskedFor) {
    const auto entries = [](const HostMainWindow &main) {
        QStringList texts;
        for (QAction *menu : main.menuBar()->actions()) {
            texts << menu->text();
            if (menu->menu())
                for (QAction *a : menu->menu()->actions()) texts << QStringLiteral("  ") + a->text();
        }
        return texts;
    };
    const HostMainWindow clerk;
    const QStringList plain = entries(clerk);
    EXPECT_FALSE(plain.contains(QStringLiteral("  按类名打开窗口...")));
    EXPECT_FALSE(plain.contains(QStringLiteral("调试(&D)")));
    EXPECT_TRUE(plain.contains(QStringLiteral("窗口(&W)")));
    const HostMainWindow developer(true);
    const QStringList debug = entries(developer);
    const qsizetype menu = debug.indexOf(QStringLiteral("调试(&D)"));
    ASSERT_GE(menu, 0);
    EXPECT_EQ(debug.value(menu + 1), QStringLiteral("  按类名打开窗口..."));
    EXPECT_EQ(debug.count(QStringLiteral("  按类名打开窗口...")), 1);
}

// Qt's own buttons speak Chinese by default and for a Chinese locale; a switch or an explicit
// locale can name another language. The module's texts stay as they are.
TEST(HostTranslations, QtButtonsAreChineseAndTheModuleTextsUnchanged) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(QtTextLocale(QString(), english).name(), QStringLiteral("zh_CN"));
    EXPECT_EQ(QtTextLocale(QString(), QLocale::c()).name(), QStringLiteral("zh_CN"));
    EXPECT_EQ(QtTextLocale(QString(), QLocale(QLocale::Chinese, QLocale::Taiwan)).name(), QStringLiteral("zh_TW"));
    EXPECT_EQ(QtTextLocale(QStringLiteral("system"), english).language(), QLocale::English);
    EXPECT_EQ(QtTextLocale(QStringLiteral("de_DE"), english).language(), QLocale::German);
    EXPECT_EQ(InstallQtTranslations(english), nullptr);

    QTranslator *translator = InstallQtTranslations(QtTextLocale(QString(), english));
    ASSERT_NE(translator, nullptr) << "Qt's Chinese translations are not installed";
    QMessageBox box(QMessageBox::Question, QStringLiteral("支付范围划分汇总组合查询"), QStringLiteral("是否导出？"),
                    QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    box.show();
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().left(1), QStringLiteral("是"));
    box.close();
    testhost::Host host;
    HostMainWindow main;
    host.application.MainForm = &main;
    authpay::ModuleStartup(RegisterSample);
    main.show();
    ASSERT_EQ(host.Open("TfrmSampleQuery"), 0);
    QWidget *child = main.mdiArea()->subWindowList().front()->widget();
    EXPECT_EQ(child->windowTitle(), QStringLiteral("支付范围划分汇总组合查询"));
    QStringList tools;
    for (QAction *a : child->findChild<QToolBar *>()->actions()) tools << a->text();
    EXPECT_EQ(tools, (QStringList{"查询", "打印", "导出", "退出"}));
    EXPECT_EQ(main.menuBar()->actions().front()->text(), QStringLiteral("文件(&F)"));
    authpay::ModuleShutdown();
    testhost::FlushDeletes();
    QCoreApplication::removeTranslator(translator);
    delete translator;
}
