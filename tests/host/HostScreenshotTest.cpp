// The host's main window with a module child window in its MDI area, rendered offscreen to a
// PNG in the build tree for a person to look at; and the GBK decoding of the module texts.
#include "HostMainWindow.h"
#include "frame/ClassRegistry.h"
#include "frame/TestHost.h"
#include "frame/windows/FrmBsTrvTC.h"
#include "platform/Panel.h"

#include <QDir>
#include <QMdiArea>
#include <QMenuBar>
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
