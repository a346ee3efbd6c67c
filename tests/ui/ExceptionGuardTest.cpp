// The exception guard: every kind of exception becomes one shown message,
// also when it is thrown from an event that Qt delivers.
#include "tests/support/QtTestApp.h"

#include "core/Exception.h"
#include "ui/ExceptionGuard.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>
#include <QObject>
#include <QTimer>

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace pictor::ui {
namespace {

TEST(ExceptionGuard, ShowsTheMessageOfWhateverTheHandlerThrows)
{
    TMessageCapture capture;
    EXPECT_TRUE(Guarded([] {}));
    EXPECT_TRUE(capture.Messages().empty());

    EXPECT_FALSE(Guarded([] { throw EInvalidGraphic(); }));
    EXPECT_FALSE(Guarded([] { throw std::runtime_error("disk gone"); }));
    EXPECT_FALSE(Guarded([] { throw std::bad_alloc(); }));
    EXPECT_FALSE(Guarded([] { throw 42; }));
    ASSERT_EQ(capture.Messages().size(), 4u);
    EXPECT_EQ(capture.Messages()[0], "画像フォーマットが不正です");
    EXPECT_EQ(capture.Messages()[1], "disk gone");
    EXPECT_EQ(capture.Messages()[2], "メモリが不足しています");
    EXPECT_EQ(capture.Messages()[3], "不明なエラーが発生しました");
}

TEST(ExceptionGuard, CapturesNestAndRestoreThePreviousHook)
{
    TMessageCapture outer;
    {
        TMessageCapture inner;
        ShowErrorMessage("inner");
        EXPECT_EQ(inner.Messages().size(), 1u);
    }
    ShowErrorMessage("outer");
    ASSERT_EQ(outer.Messages().size(), 1u);
    EXPECT_EQ(outer.Messages()[0], "outer");
}

TEST(ExceptionGuard, AHookThatThrowsIsContained)
{
    TMessageHook previous = SetMessageHook([](const std::string&) { throw std::runtime_error("hook"); });
    EXPECT_NO_THROW(ShowErrorMessage("x"));
    EXPECT_FALSE(Guarded([] { throw std::runtime_error("y"); }));
    SetMessageHook(std::move(previous));
}

TEST(ExceptionGuard, TheMessageBoxIsTitledWithTheProgramsName)
{
    testing::QtTestApp();
    QString title, text;
    // Answers the box once it runs.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->accept();
        }
    });
    poll.start(10);
    ShowErrorMessage("画像が読めません");
    EXPECT_EQ(title.toStdString(), "Pictor");
    EXPECT_EQ(text.toStdString(), "画像が読めません");
}

TEST(ExceptionGuard, TheApplicationGuardsEveryDeliveredEvent)
{
    testing::QtTestApp();
    struct TThrower : QObject {
        bool event(QEvent* e) override
        {
            if (e->type() == QEvent::User) throw EInvalidOperation("from an event");
            return QObject::event(e);
        }
    } thrower;
    TMessageCapture capture;
    QEvent event(QEvent::User);
    EXPECT_NO_THROW(QCoreApplication::sendEvent(&thrower, &event));
    ASSERT_EQ(capture.Messages().size(), 1u);
    EXPECT_EQ(capture.Messages()[0], "from an event");
}

} // namespace
} // namespace pictor::ui
