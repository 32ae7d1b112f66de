// A window's destroy handler runs exactly once, as the most derived class's, however the window
// is freed; and a failure in a window's handler goes to the application object's exception hook
// instead of unwinding through Qt.
#include "dialogs/PickerScript.h"
#include "frame/windows/FrmBase.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QStringList destroyHandlers;  // those that ran, in order

class TCountedForm : public TfrmBase {
public:
    static const TClassInfo ClassInfo;
    explicit TCountedForm(const TComponentOwner &owner) : TfrmBase(owner), Button(new QPushButton("go", this)) {
        QObject::connect(Button, &QPushButton::clicked, this, [this] { RunHandler([this] { Clicked(); }); });
    }
    ~TCountedForm() override { BeforeDestruction(); }
    QPushButton *Button;
    std::function<void()> Clicked = [] {}, Shown = [] {}, Destroyed = [] {};

protected:
    void FormShow() override {
        TfrmBase::FormShow();
        Shown();
    }
    void FormDestroy() override {
        TfrmBase::FormDestroy();
        destroyHandlers << "form";
        Destroyed();
    }
};
const TClassInfo TCountedForm::ClassInfo{"TCountedForm", &TfrmBase::ClassInfo, &ConstructComponent<TCountedForm>};

class TCountedChild : public TCountedForm {
public:
    static const TClassInfo ClassInfo;
    using TCountedForm::TCountedForm;
    ~TCountedChild() override { BeforeDestruction(); }

protected:
    void FormDestroy() override {
        TCountedForm::FormDestroy();
        destroyHandlers << "child";
    }
};
const TClassInfo TCountedChild::ClassInfo{"TCountedChild", &TCountedForm::ClassInfo,
                                          &ConstructComponent<TCountedChild>};

// The form belongs to an application object, which frees whatever is left of its windows.
template <class T>
QStringList FreedBy(void (*free)(TForm *)) {
    destroyHandlers.clear();
    {
        TApplication owner;
        auto *form = static_cast<TForm *>(ConstructComponent<T>(TComponentOwner{&owner, nullptr}));
        EXPECT_EQ(owner.ComponentCount(), 1);
        free(form);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return destroyHandlers;
}

TEST(FormDestroyTest, TheDestroyHandlerRunsOnceWhicheverWayTheFormIsFreed) {
    using Free = void (*)(TForm *);
    for (Free free : {Free([](TForm *f) { delete f; }), Free([](TForm *f) { f->deleteLater(); }),
                      Free([](TForm *f) { f->Release(); }), Free([](TForm *) {})}) {
        EXPECT_EQ(FreedBy<TCountedForm>(free), QStringList{"form"});
        EXPECT_EQ(FreedBy<TCountedChild>(free), (QStringList{"form", "child"}));
    }
}

TEST(FormDestroyTest, AFailingHandlerReachesTheApplicationsHook) {
    TModuleApplication app;
    QStringList failures;
    app.App.OnException = [&](QObject *from, const Exception &e) { failures << ClassNameOf(from) + ":" + e.Message; };
    auto *form = static_cast<TCountedForm *>(ConstructComponent<TCountedForm>(TComponentOwner{}));
    form->Shown = [] { throw Exception("显示失败"); };
    form->Clicked = [] { throw Exception("点击失败"); };
    form->Destroyed = [] { throw Exception("释放失败"); };
    form->Show();
    QTest::mouseClick(form->Button, Qt::LeftButton);
    delete form;
    EXPECT_EQ(failures,
              (QStringList{"TCountedForm:显示失败", "TCountedForm:点击失败", "TCountedForm:释放失败"}));
}

}  // namespace
