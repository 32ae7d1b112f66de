// The window keeper (TResRefManager) with hooks of the test's own, and the entry's handling of
// the host record: adoption, module texts, refusal of missing records, unload handling.
#include "frame/ClassRegistry.h"
#include "frame/TestHost.h"
#include "frame/UserContextOps.h"
#include "frame/windows/FrmBase.h"

#include <QPointer>
#include <QStringEncoder>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

template <int N>
class TfrmKeep : public TfrmBase {
public:
    static const TClassInfo ClassInfo;
    explicit TfrmKeep(const TComponentOwner &owner) : TfrmBase(owner) { ++live; }
    ~TfrmKeep() override { --live; }
    static inline int live = 0;
};
using TfrmKeepA = TfrmKeep<1>;
using TfrmKeepB = TfrmKeep<2>;
template <> const TClassInfo TfrmKeepA::ClassInfo{"TfrmKeepA", &TfrmBase::ClassInfo, &ConstructComponent<TfrmKeepA>};
template <> const TClassInfo TfrmKeepB::ClassInfo{"TfrmKeepB", &TfrmBase::ClassInfo, &ConstructComponent<TfrmKeepB>};

class TfrmFailing : public TfrmBase {
public:
    static const TClassInfo ClassInfo;
    explicit TfrmFailing(const TComponentOwner &owner) : TfrmBase(owner) { ++live; }
    ~TfrmFailing() override { --live; }
    static inline int live = 0;

protected:
    void FormCreate() override { throw Exception(QStringLiteral("no resources")); }
};
const TClassInfo TfrmFailing::ClassInfo{"TfrmFailing", &TfrmBase::ClassInfo, &ConstructComponent<TfrmFailing>};

// A registered component that is not a window: the entry's hooks must leave it alone.
class TPlainControl : public QWidget {
public:
    static const TClassInfo ClassInfo;
    explicit TPlainControl(const TComponentOwner &) {}
};
const TClassInfo TPlainControl::ClassInfo{"TPlainControl", &TWinControlClass, &ConstructComponent<TPlainControl>};

void RegisterKeeperClasses() {
    for (const TClassInfo *c : {&TfrmKeepA::ClassInfo, &TfrmKeepB::ClassInfo, &TfrmFailing::ClassInfo,
                                &TPlainControl::ClassInfo})
        RegisterModuleClass(*c);
}

struct HookCalls {
    int before = 0, after = 0, exists = 0, released = 0;
    bool allow = true;
    bool failAfter = false;
} calls;

void Before(TResRefManager *, const QString &, bool &allow) {
    ++calls.before;
    allow = calls.allow;
}
void After(TResRefManager *, QObject *) {
    ++calls.after;
    if (calls.failAfter) throw Exception(QStringLiteral("after-create failed"));
}
void Exists(TResRefManager *, QObject *) { ++calls.exists; }
void Released(TResRefManager *) { ++calls.released; }

void InstallTestHooks(TResRefManager *m) {
    m->OnBeforeCreate = Before;
    m->OnAfterCreate = After;
    m->OnExists = Exists;
    m->OnAllReleased = Released;
}

class WindowKeeper : public ::testing::Test {
protected:
    void SetUp() override {
        calls = HookCalls{};
        authpay::ModuleStartup(RegisterKeeperClasses);
        ownApplication = authpay::Application;
        authpay::Application = &host.application;  // errors reach the test's hook
        keeper = authpay::ResRefManager;
        InstallTestHooks(keeper);
    }
    void TearDown() override {
        authpay::ModuleShutdown();
        testhost::FlushDeletes();
    }
    QObject *Get(const char *name, bool fire = true) { return keeper->GetOrCreateObject(QString::fromLatin1(name), fire); }

    testhost::Host host;
    TApplication *ownApplication = nullptr;
    TResRefManager *keeper = nullptr;
};

}  // namespace

TEST_F(WindowKeeper, SecondRequestReusesTheWindowInAnyLetterCase) {
    QObject *first = Get("TfrmKeepA");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Get("tfrmkeepa"), first);
    EXPECT_EQ(Get("TFRMKEEPA"), first);
    EXPECT_EQ(calls.before, 1);
    EXPECT_EQ(calls.after, 1);
    EXPECT_EQ(calls.exists, 2);
    EXPECT_EQ(keeper->RefCount(), 1);
    EXPECT_EQ(keeper->EntryCount(), 1);
    EXPECT_EQ(TfrmKeepA::live, 1);
    // Created for the application object that was current.
    EXPECT_EQ(host.application.ComponentCount(), 1);
}

TEST_F(WindowKeeper, WithoutFireEventsNoHookRunsInAnyBranch) {
    calls.allow = false;  // would refuse creation if it were asked
    QObject *obj = Get("TfrmKeepA", false);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(Get("TfrmKeepA", false), obj);
    EXPECT_EQ(Get("TNoSuchWindow", false), nullptr);
    EXPECT_EQ(calls.before + calls.after + calls.exists, 0);
    EXPECT_EQ(host.errors, QStringList{testhost::Unregistered(QStringLiteral("TNoSuchWindow"))});
}

TEST_F(WindowKeeper, CountFollowsLiveWindowsAndEachFallToZeroNotifiesOnce) {
    QObject *a = Get("TfrmKeepA");
    QObject *b = Get("TfrmKeepB");
    EXPECT_EQ(keeper->RefCount(), 2);
    delete a;
    EXPECT_EQ(keeper->RefCount(), 1);
    EXPECT_EQ(calls.released, 0);
    EXPECT_EQ(keeper->FindObject(QStringLiteral("TfrmKeepA")), nullptr);
    delete b;
    EXPECT_EQ(keeper->RefCount(), 0);
    EXPECT_EQ(calls.released, 1);
    EXPECT_EQ(keeper->EntryCount(), 0);
    // A later creation starts the cycle again.
    QObject *again = Get("TfrmKeepA");
    EXPECT_EQ(keeper->RefCount(), 1);
    static_cast<TForm *>(again)->Release();
    testhost::FlushDeletes();
    EXPECT_EQ(calls.released, 2);
    EXPECT_EQ(TfrmKeepA::live, 0);
}

TEST_F(WindowKeeper, WindowBeingDestroyedCountsAsAbsent) {
    auto *old = static_cast<TForm *>(Get("TfrmKeepA"));
    old->Release();  // destruction begun, deletion still pending
    QObject *fresh = Get("TfrmKeepA");
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, old);
    EXPECT_EQ(calls.after, 2);
    EXPECT_EQ(calls.exists, 0);
    EXPECT_EQ(keeper->EntryCount(), 2);
    EXPECT_EQ(keeper->RefCount(), 2);
    testhost::FlushDeletes();
    // The old window's removal drops the first entry under the name, which is its own.
    EXPECT_EQ(keeper->EntryCount(), 1);
    EXPECT_EQ(keeper->FindObject(QStringLiteral("TfrmKeepA")), fresh);
    EXPECT_EQ(keeper->RefCount(), 1);
    EXPECT_EQ(calls.released, 0);
}

// Entries go with the window that is destroyed, whatever the order: a newer window of the class
// destroyed while an older one still waits for its deletion must not leave itself behind.
TEST_F(WindowKeeper, ADestroyedWindowTakesExactlyItsOwnEntries) {
    auto *old = static_cast<TForm *>(Get("TfrmKeepA"));
    old->Release();
    QObject *newer = Get("TfrmKeepA");
    ASSERT_NE(newer, old);
    delete newer;
    EXPECT_EQ(keeper->EntryCount(), 1);
    EXPECT_EQ(keeper->FindObject(QStringLiteral("TfrmKeepA")), old);
    EXPECT_EQ(keeper->RefCount(), 1);
    QObject *third = Get("TfrmKeepA");  // the old one is still dying: a new window
    EXPECT_NE(third, old);
    testhost::FlushDeletes();
    EXPECT_EQ(keeper->FindObject(QStringLiteral("TfrmKeepA")), third);
    EXPECT_EQ(keeper->RefCount(), 1);

    // Registered twice, it leaves with both its entries and one release notice.
    keeper->AddObject(third);
    EXPECT_EQ(keeper->RefCount(), 2);
    delete third;
    EXPECT_EQ(keeper->EntryCount(), 0);
    EXPECT_EQ(keeper->RefCount(), 0);
    EXPECT_EQ(calls.released, 1);
}

// The release notice runs inside the last window's destruction: a host notifier that fails is
// shown like any other failure and the window still goes.
TEST_F(WindowKeeper, AFailingHostNotifierIsShownAndTheWindowStillGoes) {
    struct FailingNotifier : testhost::Notifier {
        int32_t ModuleReleased(int32_t) override { throw Exception(QStringLiteral("notifier failed")); }
    } failing;
    host.record.Notifier = &failing;
    EXPECT_EQ(host.Open("TNoSuchWindow"), 0);  // adopts the host and installs the entry's hooks
    host.errors.clear();
    delete Get("TfrmKeepA", false);
    EXPECT_EQ(host.errors, QStringList{QStringLiteral("notifier failed")});
    EXPECT_EQ(TfrmKeepA::live, 0);
    // Any release hook that fails there is shown with the keeper as sender.
    keeper->OnAllReleased = [](TResRefManager *) { throw Exception(QStringLiteral("hook failed")); };
    delete Get("TfrmKeepB", false);
    EXPECT_EQ(host.errors.last(), QStringLiteral("hook failed"));
    EXPECT_EQ(host.senders.back(), keeper);
    EXPECT_EQ(keeper->EntryCount(), 0);
    EXPECT_EQ(keeper->RefCount(), 0);
}

TEST_F(WindowKeeper, FailuresAreShownWithTheKeeperAsSenderAndRegisterNothing) {
    EXPECT_EQ(Get("TNoSuchWindow"), nullptr);
    EXPECT_EQ(Get("TfrmFailing"), nullptr);
    EXPECT_EQ(Get("TPersistent"), nullptr);
    EXPECT_EQ(host.errors, (QStringList{testhost::Unregistered(QStringLiteral("TNoSuchWindow")),
                                        QStringLiteral("创建对象失败！"),
                                        QStringLiteral("只能创建从TComponent继承过来的类的实例！")}));
    EXPECT_EQ(host.senders, (std::vector<QObject *>{keeper, keeper, keeper}));
    EXPECT_EQ(TfrmFailing::live, 0);
    EXPECT_EQ(keeper->EntryCount(), 0);
    EXPECT_EQ(keeper->RefCount(), 0);
    EXPECT_EQ(calls.after, 0);
}

TEST_F(WindowKeeper, BeforeCreateCanRefuseSilently) {
    calls.allow = false;
    EXPECT_EQ(Get("TfrmKeepA"), nullptr);
    EXPECT_EQ(TfrmKeepA::live, 0);
    EXPECT_TRUE(host.errors.isEmpty());
    EXPECT_EQ(calls.after, 0);
}

TEST_F(WindowKeeper, ErrorInAfterCreateIsShownAndTheWindowStaysRegistered) {
    calls.failAfter = true;
    QObject *obj = Get("TfrmKeepA");
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(host.errors, QStringList{QStringLiteral("after-create failed")});
    EXPECT_EQ(keeper->FindObject(QStringLiteral("TfrmKeepA")), obj);
    EXPECT_EQ(keeper->RefCount(), 1);
}

TEST_F(WindowKeeper, DestroyingAKeeperLeavesItsWindowsAloneAndSilent) {
    auto *local = new TResRefManager(nullptr);
    InstallTestHooks(local);
    QPointer<QObject> window = local->GetOrCreateObject(QStringLiteral("TfrmKeepB"), false);
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(local->RefCount(), 1);
    delete local;
    EXPECT_FALSE(window.isNull());
    EXPECT_EQ(calls.released, 0);
    delete window.data();  // no notice may reach the freed keeper
    EXPECT_EQ(calls.released, 0);
}

TEST_F(WindowKeeper, RemoveObjectGoesByNameAndIgnoresUnknownNames) {
    QObject plain;
    keeper->AddObject(&plain);
    EXPECT_EQ(keeper->RefCount(), 1);
    keeper->RemoveObject(QStringLiteral("TNotThere"));
    EXPECT_EQ(keeper->RefCount(), 1);
    keeper->RemoveObject(QStringLiteral("qobject"));
    EXPECT_EQ(keeper->RefCount(), 0);
    EXPECT_EQ(keeper->EntryCount(), 0);
    EXPECT_EQ(calls.released, 1);
    // A removal notice about an object that holds no entry drops the first entry of its class.
    keeper->AddObject(&plain);
    QObject stranger;
    keeper->Notification(&stranger, opRemove);
    EXPECT_EQ(keeper->EntryCount(), 0);
    EXPECT_EQ(calls.released, 2);
}

TEST_F(WindowKeeper, EntryFillsModuleTextsAsGbkAndKeepsTheModuleId) {
    EXPECT_EQ(host.Open("TNoSuchWindow"), 0);
    EXPECT_EQ(host.errors, QStringList{testhost::Unregistered(QStringLiteral("TNoSuchWindow"))});
    EXPECT_EQ(host.moduleInfo.ModuleId, 4711);
    QStringEncoder gbk("GBK");
    ASSERT_TRUE(gbk.isValid());
    const struct {
        const char *actual;
        QString text;
        int bytes;
    } texts[] = {{host.moduleInfo.ModuleName, QStringLiteral("授权支出模块"), 12},
                 {host.moduleInfo.SystemName, QStringLiteral("支付管理子系统"), 14},
                 {host.moduleInfo.Description, QStringLiteral("完成授权支付的支出、查询等功能"), 30}};
    for (const auto &t : texts) {
        ASSERT_NE(t.actual, nullptr);
        const QByteArray expected = gbk.encode(t.text);
        EXPECT_EQ(expected.size(), t.bytes);
        EXPECT_EQ(QByteArray(t.actual), expected) << t.text.toStdString();
    }
}

TEST_F(WindowKeeper, EntryRefusesMissingRecordsAndOpensNothing) {
    EXPECT_EQ(authpay::ShowPlugInWindowImpl("TfrmKeepA", nullptr), 1);
    host.record.ModuleInfo = nullptr;
    EXPECT_EQ(host.Open("TfrmKeepA"), 1);
    EXPECT_EQ(TfrmKeepA::live, 0);
    EXPECT_EQ(authpay::HostInfo, nullptr);
    EXPECT_TRUE(host.errors.isEmpty());
}

TEST_F(WindowKeeper, EntryAdoptsTheHostAndReadsANewContextOnEveryCall) {
    host.unit.fields[0].Value = QStringLiteral("110001");
    EXPECT_EQ(host.Open("TNoSuchWindow"), 0);
    EXPECT_EQ(authpay::Application, &host.application);
    EXPECT_EQ(authpay::Screen, &host.screen);
    EXPECT_EQ(GetUnitValue(0), QStringLiteral("110001"));
    // The entry installs its own hooks over whatever was there.
    EXPECT_EQ(keeper->OnAfterCreate, &authpay::HookAfterCreate);
    EXPECT_EQ(keeper->OnAllReleased, &authpay::HookAllReleased);
    EXPECT_EQ(keeper->OnExists, &authpay::HookExists);
    EXPECT_EQ(keeper->OnBeforeCreate, &authpay::HookBeforeCreate);

    testhost::Host other;
    other.unit.fields[0].Value = QStringLiteral("220002");
    EXPECT_EQ(other.Open("TNoSuchWindow"), 0);
    EXPECT_EQ(GetUnitValue(0), QStringLiteral("220002"));
    EXPECT_EQ(authpay::Application, &other.application);
    EXPECT_EQ(other.errors.size(), 1);
    authpay::PlugInDllProc(authpay::DLL_PROCESS_DETACH);
}

TEST_F(WindowKeeper, DetachPutsTheModulesOwnObjectsBack) {
    authpay::Application = ownApplication;
    TScreen *ownScreen = authpay::Screen;
    EXPECT_EQ(host.Open("TNoSuchWindow"), 0);
    authpay::PlugInDllProc(authpay::DLL_THREAD_ATTACH);
    authpay::PlugInDllProc(authpay::DLL_THREAD_DETACH);
    EXPECT_EQ(authpay::Application, &host.application);
    authpay::PlugInDllProc(authpay::DLL_PROCESS_DETACH);
    EXPECT_EQ(authpay::Application, ownApplication);
    EXPECT_EQ(authpay::Screen, ownScreen);
}

TEST_F(WindowKeeper, EntryReportsCreationFailuresAndLeavesNonWindowsAlone) {
    EXPECT_EQ(host.Open("TfrmFailing"), 0);
    EXPECT_EQ(host.Open("TPersistent"), 0);
    EXPECT_EQ(host.errors, (QStringList{QStringLiteral("创建对象失败！"),
                                        QStringLiteral("只能创建从TComponent继承过来的类的实例！")}));
    EXPECT_EQ(TfrmFailing::live, 0);
    // A registered ancestor that is a control, not a module window: created, never shown.
    EXPECT_EQ(host.Open("TPlainControl"), 0);
    auto *control = qobject_cast<QWidget *>(keeper->FindObject(QStringLiteral("TPlainControl")));
    ASSERT_NE(control, nullptr);
    EXPECT_FALSE(control->isVisible());
    EXPECT_EQ(host.errors.size(), 2);
}

// The last window's destruction notice reaches the host while the window is still on the list:
// a host that asks for the class again right then gets a new window, not the dying one.
namespace {
QObject *reopened = nullptr;
void ReopenOnRelease(TResRefManager *m) { reopened = m->GetOrCreateObject(QStringLiteral("TfrmKeepA"), false); }
}  // namespace

TEST_F(WindowKeeper, AskingAgainFromTheReleaseNoticeCreatesANewWindow) {
    QObject *first = Get("TfrmKeepA");
    reopened = nullptr;
    keeper->OnAllReleased = ReopenOnRelease;
    delete first;
    ASSERT_NE(reopened, nullptr);
    EXPECT_NE(reopened, first);
    EXPECT_EQ(TfrmKeepA::live, 1);
    EXPECT_EQ(keeper->RefCount(), 1);
    EXPECT_EQ(keeper->EntryCount(), 1);
    EXPECT_EQ(keeper->FindObject(QStringLiteral("TfrmKeepA")), reopened);
    keeper->OnAllReleased = Released;
    delete reopened;
    EXPECT_EQ(keeper->RefCount(), 0);
}
