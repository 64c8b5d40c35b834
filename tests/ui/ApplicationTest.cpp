#include "ui/Application.h"
#include "platform/Exceptions.h"
#include "platform/ScriptedDialogs.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <gtest/gtest.h>

#include <stdexcept>

namespace quorvel {
namespace {

// An object whose event handler raises what it is told to, like a button handler that fails.
class Thrower : public QObject {
public:
    std::function<void()> raise;
    int handled = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User) return QObject::event(e);
        ++handled;
        raise();
        return true;
    }
};

// Delivers an event exactly as TApplication::notify does: the plain dispatch, guarded.
bool Deliver(Thrower& target) {
    QEvent event(QEvent::User);
    return TApplication::DispatchGuarded([&] { return qApp->QApplication::notify(&target, &event); });
}

class EventDispatch : public ::testing::Test {
protected:
    ScriptedDialogs dialogs;
    ScopedDialogService installed{dialogs};
    Thrower target;
};

TEST_F(EventDispatch, AnExceptionEscapingAHandlerIsShownAndTheProgramGoesOn) {
    target.raise = [] { throw EConvertError("'' is not a valid integer value"); };
    EXPECT_FALSE(Deliver(target));
    target.raise = [] { throw EStoreError(5); };
    EXPECT_FALSE(Deliver(target));
    target.raise = [] {};
    EXPECT_TRUE(Deliver(target));
    EXPECT_EQ(target.handled, 3);

    const auto messages = dialogs.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, QStringLiteral("'' is not a valid integer value"));
    EXPECT_EQ(messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(messages[1].text, QStringLiteral("Erro 5"));
}

TEST_F(EventDispatch, TheSilentAbortShowsNothingAndForeignExceptionsShowAnEmptyMessage) {
    target.raise = [] { throw EAbort(); };
    EXPECT_FALSE(Deliver(target));
    EXPECT_TRUE(dialogs.Calls().empty());
    target.raise = [] { throw std::out_of_range("vector"); };
    EXPECT_FALSE(Deliver(target));
    target.raise = [] { throw 42; };
    EXPECT_FALSE(Deliver(target));
    EXPECT_EQ(dialogs.MessageTexts(), (QStringList{QString(), QString()}));
}

// A dialog service whose message boxes fail, as when no window can be shown.
class BrokenDialogs : public ScriptedDialogs {
public:
    DialogAnswer MessageBox(const QString&, const QString&, MessageIcon, MessageButtons) override {
        throw std::runtime_error("no display");
    }
};

TEST(EventDispatchDisplay, AFailingErrorDisplayDoesNotEscapeTheDispatch) {
    BrokenDialogs broken;
    ScopedDialogService installed(broken);
    Thrower target;
    target.raise = [] { throw Exception("x"); };
    EXPECT_FALSE(Deliver(target));
    EXPECT_EQ(target.handled, 1);
}

} // namespace
} // namespace quorvel
