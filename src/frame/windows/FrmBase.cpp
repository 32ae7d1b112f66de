#include "frame/windows/FrmBase.h"

#include "authpay/Screen.h"
#include "frame/EventGuard.h"
#include "frame/ModuleGlobals.h"
#include "platform/HeapText.h"

#include <QPalette>

const TClassInfo TfrmBase::ClassInfo{"TfrmBase", &TFormClass, &ConstructComponent<TfrmBase>};

TfrmBase::TfrmBase(const TComponentOwner &owner) : TForm(owner) {
    Position = poDesktopCenter;
    QFont font;
    font.setFamilies(HeapCopies({u"SimSun", u"宋体", u"WenQuanYi Micro Hei"}));
    font.setPointSize(9);
    setFont(font);
    SetBounds(192, 0, 543, 390);
}

TfrmBase::~TfrmBase() { BeforeDestruction(); }

void TfrmBase::HandlerFailed() { HandleEventException(this); }

void TfrmBase::FormCreate() { showModal_ = std::make_unique<uint8_t>(1); }

void TfrmBase::FormDestroy() { showModal_.reset(); }

void TfrmBase::FormShow() { CenterOnScreen(); }

QPoint TfrmBase::CenteredTopLeft(int screenWidth, int screenHeight, int width, int height) {
    // Integer division truncating toward zero: a window larger than the screen gets a negative
    // coordinate, half the overhang rounded toward zero.
    return QPoint((screenWidth - width) / 2, (screenHeight - height) / 2);
}

void TfrmBase::CenterOnScreen() {
    if (!authpay::Screen) return;
    const QPoint p = CenteredTopLeft(authpay::Screen->Width(), authpay::Screen->Height(), width(), height());
    SetTop(p.y());
    SetLeft(p.x());
}
