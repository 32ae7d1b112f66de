// The application object: exceptions routed to its hook, the application-wide message filter,
// the windows it owns; and the screen object's fixed size and busy cursor.
#include "authpay/Application.h"
#include "authpay/Screen.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <stdexcept>

TEST(Application, HandleExceptionHandsEveryKindOfFailureToTheHook) {
    TApplication app;
    QStringList seen;
    QObject sender;
    std::vector<QObject *> senders;
    app.OnException = [&](QObject *s, const Exception &e) {
        seen << e.Message;
        senders.push_back(s);
    };
    try { throw Exception(QStringLiteral("类X没有进行注册或不存在！"), "TExceptResRefManager"); } catch (...) { app.HandleException(&sender); }
    try { throw std::runtime_error("disk full"); } catch (...) { app.HandleException(nullptr); }
    try { throw 42; } catch (...) { app.HandleException(nullptr); }
    EXPECT_EQ(seen, (QStringList{QStringLiteral("类X没有进行注册或不存在！"), QStringLiteral("disk full"),
                                 QStringLiteral("未知错误")}));
    EXPECT_EQ(senders, (std::vector<QObject *>{&sender, nullptr, nullptr}));
}

TEST(Application, MessageFilterSeesEventsAndCanBeChainedAndRestored) {
    TApplication app;
    QWidget target;
    int outer = 0, inner = 0;
    app.SetOnMessage([&](QObject *, QEvent *e, bool &) { outer += e->type() == QEvent::KeyPress; });
    // A component hooks in: it saves the previous handler, chains to it and consumes Esc.
    const TApplication::TMessageEvent saved = app.OnMessage();
    app.SetOnMessage([&](QObject *r, QEvent *e, bool &handled) {
        if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(e)->key() == Qt::Key_Escape) {
            ++inner;
            handled = true;
            return;
        }
        saved(r, e, handled);
    });
    QTest::keyClick(&target, Qt::Key_A);
    QTest::keyClick(&target, Qt::Key_Escape);
    EXPECT_EQ(outer, 1);
    EXPECT_EQ(inner, 1);
    app.SetOnMessage(saved);  // restored
    QTest::keyClick(&target, Qt::Key_Escape);
    EXPECT_EQ(outer, 2);
    EXPECT_EQ(inner, 1);
    app.SetOnMessage(nullptr);
    QTest::keyClick(&target, Qt::Key_A);
    EXPECT_EQ(outer, 2);
}

TEST(Application, OwnedWindowsAreFreedWithTheApplicationUnlessFreedBefore) {
    QPointer<QWidget> kept = new QWidget;
    auto *early = new QWidget;
    {
        TApplication app;
        app.InsertComponent(kept);
        app.InsertComponent(early);
        app.InsertComponent(early);
        EXPECT_EQ(app.ComponentCount(), 2);
        delete early;  // freed by its user first: no double free later
        EXPECT_EQ(app.ComponentCount(), 1);
    }
    EXPECT_TRUE(kept.isNull());
}

TEST(Screen, FixedSizeAndBusyCursor) {
    TScreen screen;
    EXPECT_GT(screen.Width(), 0);
    screen.SetFixedSize(QSize(1024, 768));
    EXPECT_EQ(screen.Width(), 1024);
    EXPECT_EQ(screen.Height(), 768);
    screen.SetCursor(TCursor::crHourGlass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    screen.SetCursor(TCursor::crHourGlass);  // setting it twice needs one reset only
    screen.SetCursor(TCursor::crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
