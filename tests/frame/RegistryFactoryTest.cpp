// The module class registry with its ancestry, the object factory, and TObjectStringList.
#include "frame/ClassRegistry.h"
#include "frame/ObjectFactory.h"
#include "frame/ObjectStringList.h"
#include "frame/PlugInEntry.h"
#include "authpay/Application.h"
#include "frame/ModuleGlobals.h"
#include "frame/windows/FrmBsDialog.h"
#include "frame/windows/FrmBsTrvTC.h"
#include "platform/PlatformErrors.h"

#include <QPointer>
#include <QWidget>
#include <chrono>
#include <future>
#include <gtest/gtest.h>

namespace {

class TfrmSampleTree : public TfrmBsTrvTC {
public:
    static const TClassInfo ClassInfo;
    using TfrmBsTrvTC::TfrmBsTrvTC;
};
const TClassInfo TfrmSampleTree::ClassInfo{"TfrmSampleTree", &TfrmBsTrvTC::ClassInfo,
                                           &ConstructComponent<TfrmSampleTree>};

// A form whose create handler fails after the object exists.
class TfrmBrokenCreate : public TfrmBase {
public:
    static const TClassInfo ClassInfo;
    explicit TfrmBrokenCreate(const TComponentOwner &owner) : TfrmBase(owner) { ++live; }
    ~TfrmBrokenCreate() override { --live; }
    static inline int live = 0;

protected:
    void FormCreate() override {
        TfrmBase::FormCreate();
        throw Exception(QStringLiteral("create handler failed"));
    }
};
const TClassInfo TfrmBrokenCreate::ClassInfo{"TfrmBrokenCreate", &TfrmBase::ClassInfo,
                                             &ConstructComponent<TfrmBrokenCreate>};

// A control that is not a form: the factory gives it the owner as its parent.
class TTestControl : public QWidget {
public:
    static const TClassInfo ClassInfo;
    explicit TTestControl(const TComponentOwner &) {}
};
const TClassInfo TTestControl::ClassInfo{"TTestControl", &TWinControlClass, &ConstructComponent<TTestControl>};

void RegisterSampleClasses() { RegisterModuleClass(TfrmSampleTree::ClassInfo); }

class ClassRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { authpay::ModuleStartup(RegisterSampleClasses); }
    void TearDown() override { authpay::ModuleShutdown(); }
    static size_t EntryCount() { return authpay::ClassRegistry->GroupEntries.front()->ClassEntries.size(); }
};

}  // namespace

TEST_F(ClassRegistryTest, RegisteringAWindowRegistersItsAncestorsButNotItsSiblings) {
    EXPECT_EQ(FindRegisteredClass(QStringLiteral("TfrmSampleTree")), &TfrmSampleTree::ClassInfo);
    EXPECT_EQ(FindRegisteredClass(QStringLiteral("tfrmsampletree")), &TfrmSampleTree::ClassInfo);
    EXPECT_EQ(FindRegisteredClass(QStringLiteral("TFRMBSTRVTC")), &TfrmBsTrvTC::ClassInfo);
    EXPECT_EQ(FindRegisteredClass(QStringLiteral("TfrmBsCld")), &TfrmBsCld::ClassInfo);
    EXPECT_EQ(FindRegisteredClass(QStringLiteral("tfrmbase")), &TfrmBase::ClassInfo);
    EXPECT_EQ(FindRegisteredClass(QStringLiteral("TForm")), &TFormClass);
    EXPECT_EQ(FindRegisteredClass(QStringLiteral("TComponent")), &TComponentClass);
    EXPECT_EQ(FindRegisteredClass(QStringLiteral("TPersistent")), &TPersistentClass);
    EXPECT_EQ(FindRegisteredClass(QStringLiteral("TfrmBsDialog")), nullptr);
    EXPECT_EQ(FindRegisteredClass(QStringLiteral("TfrmSampleTre")), nullptr);
    EXPECT_EQ(FindRegisteredClass(QString()), nullptr);
    // The window, its four module ancestors, and TForm's six platform ancestors.
    EXPECT_EQ(EntryCount(), 11u);
}

TEST_F(ClassRegistryTest, RegisteringAHeldClassAgainChangesNothing) {
    EXPECT_NO_THROW(RegisterModuleClass(TfrmSampleTree::ClassInfo));
    EXPECT_NO_THROW(RegisterModuleClass(TfrmBsCld::ClassInfo));
    EXPECT_EQ(EntryCount(), 11u);
    // A sibling adds itself only: its ancestors are held already.
    RegisterModuleClass(TfrmBsDialog::ClassInfo);
    EXPECT_EQ(EntryCount(), 12u);
    EXPECT_EQ(FindRegisteredClass(QStringLiteral("TfrmBsDialog")), &TfrmBsDialog::ClassInfo);
}

TEST_F(ClassRegistryTest, ADifferentClassWithATakenNameIsRefusedAndTheLockReleased) {
    static const TClassInfo impostor{"TFRMBSCLD", &TfrmBase::ClassInfo, nullptr};
    static const TClassInfo child{"TfrmImpostorChild", &impostor, nullptr};
    try {
        RegisterModuleClass(child);
        FAIL() << "duplicate name accepted";
    } catch (const EFilerError &e) {
        EXPECT_EQ(e.Message, SDuplicateClass(QStringLiteral("TFRMBSCLD")));
    }
    // What the call registered before the clash stays; the clashing class is not added.
    EXPECT_EQ(FindRegisteredClass(QStringLiteral("TfrmImpostorChild")), &child);
    EXPECT_EQ(FindRegisteredClass(QStringLiteral("TfrmBsCld")), &TfrmBsCld::ClassInfo);
    EXPECT_EQ(EntryCount(), 12u);
    // Another thread can still take the registry's lock.
    auto lookup = std::async(std::launch::async, [] { return FindRegisteredClass(QStringLiteral("TForm")); });
    ASSERT_EQ(lookup.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(lookup.get(), &TFormClass);
}

TEST_F(ClassRegistryTest, GroupsPreferTheMostDerivedBaseAndOnlyActiveGroupsAnswer) {
    TRegGroups &reg = *authpay::ClassRegistry;
    auto *forms = new TRegGroup(&TFormClass);
    reg.GroupEntries.push_back(forms);
    EXPECT_EQ(reg.GroupForClass(&TfrmBsDialog::ClassInfo), forms);
    EXPECT_EQ(reg.GroupForClass(&TComponentClass), reg.GroupEntries.front());
    RegisterModuleClass(TfrmBsDialog::ClassInfo);
    ASSERT_EQ(forms->ClassEntries.size(), 1u);
    // The new group holds the dialog but does not answer until it is active.
    EXPECT_EQ(FindRegisteredClass(QStringLiteral("TfrmBsDialog")), nullptr);
    forms->IsActive = true;
    EXPECT_EQ(FindRegisteredClass(QStringLiteral("tfrmbsdialog")), &TfrmBsDialog::ClassInfo);
    forms->AddAlias(QStringLiteral("DialogAlias"), &TfrmBsDialog::ClassInfo);
    EXPECT_EQ(FindRegisteredClass(QStringLiteral("dialogalias")), &TfrmBsDialog::ClassInfo);
    EXPECT_EQ(TRegGroup::PreferGroup(nullptr, nullptr, &TfrmBsDialog::ClassInfo), nullptr);
    EXPECT_EQ(TRegGroup::PreferGroup(forms, nullptr, &TPersistentClass), nullptr);
}

TEST_F(ClassRegistryTest, FactoryRefusesNonComponentsAndPlacesFormsAsDesigned) {
    try {
        TObjectFactory::CreateObject(TComponentOwner{authpay::Application, nullptr}, TPersistentClass);
        FAIL() << "TPersistent created";
    } catch (const TObjectFactionError &e) {
        EXPECT_EQ(e.Message, QStringLiteral("只能创建从TComponent继承过来的类的实例！"));
    }
    QObject *obj = TObjectFactory::CreateObject(TComponentOwner{authpay::Application, nullptr},
                                                TfrmSampleTree::ClassInfo);
    auto *form = qobject_cast<TForm *>(obj);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Position, poDesigned);  // the class itself asks for screen centring
    EXPECT_EQ(ClassNameOf(form), QStringLiteral("TfrmSampleTree"));
    EXPECT_EQ(authpay::Application->ComponentCount(), 1);  // owned by the application object
    delete form;

    QWidget owner;
    QObject *control = TObjectFactory::CreateObject(TComponentOwner{nullptr, &owner}, TTestControl::ClassInfo);
    EXPECT_EQ(control->parent(), &owner);
}

TEST_F(ClassRegistryTest, FailedCreationLeavesNoInstanceBehind) {
    const int ownedBefore = authpay::Application->ComponentCount();
    try {
        TObjectFactory::CreateObject(TComponentOwner{authpay::Application, nullptr}, TfrmBrokenCreate::ClassInfo);
        FAIL() << "creation reported success";
    } catch (const TObjectFactionError &e) {
        EXPECT_EQ(e.Message, QStringLiteral("创建对象失败！"));
    }
    EXPECT_EQ(TfrmBrokenCreate::live, 0);
    EXPECT_EQ(authpay::Application->ComponentCount(), ownedBefore);
}

TEST(ObjectFactoryInstance, DestructionFreesOwnedObjectsThenClearsVariablesNewestFirst) {
    std::vector<QString> order;
    int released = 0;
    void *plain = &order;
    void *counted = &released;
    {
        TObjectFactory factory;
        for (const char *name : {"first", "second"}) {
            auto *o = new QObject;
            o->setObjectName(QString::fromLatin1(name));
            QObject::connect(o, &QObject::destroyed, [&order, name] { order.push_back(QString::fromLatin1(name)); });
            factory.AddOwnedObject(o);
        }
        factory.AddPointerRef(&plain, 0);
        factory.AddPointerRef(&counted, 1, [&released](void *) { ++released; });
    }
    EXPECT_EQ(order, (std::vector<QString>{QStringLiteral("second"), QStringLiteral("first")}));
    EXPECT_EQ(plain, nullptr);
    EXPECT_EQ(counted, nullptr);
    EXPECT_EQ(released, 1);

    void *failing = &released;
    try {
        TObjectFactory factory;
        factory.AddPointerRef(&failing, 1, [](void *) { throw std::runtime_error("release failed"); });
    } catch (const TObjectFactionError &e) {
        EXPECT_EQ(e.Message, QStringLiteral("指针操作失败！"));
        return;
    }
    FAIL() << "a failing release went unreported";
}

TEST(ObjectStringList, LookupsIgnoreCaseAndTakeTheFirstOfDuplicates) {
    TObjectStringList list;
    QObject a, b, c;
    EXPECT_EQ(list.IndexOf(QStringLiteral("x")), -1);
    EXPECT_EQ(list.AddObject(QStringLiteral("TfrmA"), &a), 0);
    EXPECT_EQ(list.AddObject(QStringLiteral("TfrmB"), &b), 1);
    EXPECT_EQ(list.AddObject(QStringLiteral("TFRMA"), &c), 2);
    EXPECT_EQ(list.IndexOf(QStringLiteral("tfrma")), 0);
    EXPECT_EQ(list.Objects(list.IndexOf(QStringLiteral("TfrmB"))), &b);
    list.Delete(0);
    EXPECT_EQ(list.IndexOf(QStringLiteral("TfrmA")), 1);
    EXPECT_EQ(list.Objects(1), &c);
    EXPECT_EQ(list.Count(), 2);
}

TEST(ObjectStringList, BadIndexRaisesTheListErrorAndReleasesTheLock) {
    TObjectStringList list;
    QObject a;
    list.AddObject(QStringLiteral("a"), &a);
    EXPECT_THROW(list.Objects(1), EStringListError);
    EXPECT_THROW(list.Objects(-1), EStringListError);
    EXPECT_THROW(list.Delete(5), EStringListError);
    EXPECT_THROW(list.Names(1), EStringListError);
    auto other = std::async(std::launch::async, [&list] { return list.Count(); });
    ASSERT_EQ(other.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(other.get(), 1);
}

// Only the case of ASCII letters is ignored: Unicode case folds such as the Kelvin sign do not
// make a different name match.
TEST_F(ClassRegistryTest, NamesIgnoreOnlyTheCaseOfAsciiLetters) {
    EXPECT_TRUE(SameClassName(u"TfrmBase", u"TFRMBASE"));
    EXPECT_TRUE(SameClassName(u"TfrmBase", u"tfrmbase"));
    EXPECT_FALSE(SameClassName(u"TfrmBase", u"TfrmBas"));
    EXPECT_FALSE(SameClassName(u"TK", u"T\u212A"));  // KELVIN SIGN folds to k in Unicode
    EXPECT_FALSE(SameClassName(u"Ts", u"T\u017F"));  // LONG S folds to s in Unicode
}

// The library's own classes that the registry holds can be made as well: a form is a form.
TEST_F(ClassRegistryTest, RegisteredLibraryClassesCanBeCreated) {
    TApplication app;
    for (const TClassInfo *cls : {&TFormClass, &TCustomFormClass, &TControlClass, &TComponentClass}) {
        QObject *obj = TObjectFactory::CreateObject(TComponentOwner{&app, nullptr}, *cls);
        ASSERT_NE(obj, nullptr) << cls->Name;
        EXPECT_EQ(ClassNameOf(obj), QString::fromLatin1(cls->Name));
        EXPECT_EQ(qobject_cast<TForm *>(obj) != nullptr, cls->InheritsFrom(TCustomFormClass)) << cls->Name;
        if (cls->InheritsFrom(TFormClass)) {
            EXPECT_EQ(qobject_cast<TForm *>(obj)->Position, poDesigned);
        }
    }
    EXPECT_EQ(app.ComponentCount(), 4);
}
