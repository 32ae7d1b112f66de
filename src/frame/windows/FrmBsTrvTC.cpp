#include "frame/windows/FrmBsTrvTC.h"

#include "platform/Panel.h"

#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

const TClassInfo TfrmBsTrvTC::ClassInfo{"TfrmBsTrvTC", &TfrmBsCld::ClassInfo, &ConstructComponent<TfrmBsTrvTC>};

// A panel with a body that fills it above a message strip of the given height.
static void StackWithStrip(TPanel *host, TPanel *body, TPanel *strip, int stripHeight) {
    auto *l = new QVBoxLayout(host);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    strip->setFixedHeight(stripHeight);
    l->addWidget(body, 1);
    l->addWidget(strip);
}

TfrmBsTrvTC::TfrmBsTrvTC(const TComponentOwner &owner) : TfrmBsCld(owner) {
    setWindowTitle(QString());
    Position = poScreenCenter;
    WindowState = wsNormal;
    SetBounds(422, 430, width(), height());

    pnlBottom = new TPanel(QStringLiteral("pnlBottom"), this, false);
    pnlBottom->SetCaption(QString());
    ClientLayout()->addWidget(pnlBottom, 1);
    auto *bottomLayout = new QVBoxLayout(pnlBottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);

    Splitter1 = new QSplitter(Qt::Horizontal, pnlBottom);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    bottomLayout->addWidget(Splitter1);

    pnlLeft = new TPanel(QStringLiteral("pnlLeft"), Splitter1);
    pnlLeft->SetCaption(QString());
    auto *leftLayout = new QVBoxLayout(pnlLeft);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    trvList = new QTreeWidget(pnlLeft);
    trvList->setObjectName(QStringLiteral("trvList"));
    trvList->setIndentation(19);
    trvList->setHeaderHidden(true);
    leftLayout->addWidget(trvList);

    pnlNo = new TPanel(QStringLiteral("pnlNo"), Splitter1, false);
    BuildRightSide();
    Splitter1->addWidget(pnlLeft);
    Splitter1->addWidget(pnlNo);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({171, 361});
}

void TfrmBsTrvTC::BuildRightSide() {
    auto *noLayout = new QVBoxLayout(pnlNo);
    noLayout->setContentsMargins(0, 0, 0, 0);
    Splitter2 = new QSplitter(Qt::Vertical, pnlNo);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(2);
    Splitter2->setChildrenCollapsible(false);
    noLayout->addWidget(Splitter2);

    pnlBTop = new TPanel(QStringLiteral("pnlBTop"), Splitter2, false);
    pnlRightTop = new TPanel(QStringLiteral("pnlRightTop"), pnlBTop);
    pnlRightTop->SetCaption(QString());
    pnlTopMessage = new TPanel(QStringLiteral("pnlTopMessage"), pnlBTop);
    pnlTopMessage->SetCaption(QString());
    StackWithStrip(pnlBTop, pnlRightTop, pnlTopMessage, 23);

    pnlBBotton = new TPanel(QStringLiteral("pnlBBotton"), Splitter2, false);
    pnlRightBottom = new TPanel(QStringLiteral("pnlRightBottom"), pnlBBotton);
    pnlRightBottom->SetCaption(QString());
    pnlBottonMessage = new TPanel(QStringLiteral("pnlBottonMessage"), pnlBBotton);
    pnlBottonMessage->SetCaption(QString());
    StackWithStrip(pnlBBotton, pnlRightBottom, pnlBottonMessage, 22);

    Splitter2->addWidget(pnlBTop);
    Splitter2->addWidget(pnlBBotton);
    Splitter2->setSizes({149, 142});
}
