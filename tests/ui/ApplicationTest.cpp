#include "ui/Application.h"
#include "platform/Exceptions.h"
#include "platform/ScriptedDialogs.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

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

// The program's start-up, run in a process of its own with the locale a user's session would pass.
QStringList StartUp(const QString& lcAll, const QString& lang) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LANG", "LANGUAGE"})
        environment.remove(QString::fromLatin1(name));
    if (!lcAll.isNull()) environment.insert(QStringLiteral("LC_ALL"), lcAll);
    if (!lang.isNull()) environment.insert(QStringLiteral("LANG"), lang);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(QUORVEL_BIN_DIR "/startup_probe"), {});
    if (!program.waitForFinished(30000) || program.exitCode() != 0) return {QStringLiteral("failed")};
    return QString::fromUtf8(program.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

TEST(ProgramStartUp, QtSpeaksPortugueseAndAnUnsetLocaleFormatsAsInBrazil) {
    const QString buttons = QStringLiteral("&Não|&Sim|Abrir|Cancelar|Salvar");
    // A fresh system: no locale at all, or the C / POSIX one.
    for (const auto& [lcAll, lang] :
         {std::pair{QString(), QString()}, std::pair{QString(), QStringLiteral("C")},
          std::pair{QStringLiteral("C.UTF-8"), QStringLiteral("en_US.UTF-8")},
          std::pair{QString(), QStringLiteral("POSIX")}})
        EXPECT_EQ(StartUp(lcAll, lang), (QStringList{"1.500,0000", ". , 07/03/2026", buttons}))
            << lcAll.toStdString() << " " << lang.toStdString();
    // A locale the user chose decides the formats; Qt's dialogs still speak the program's language.
    EXPECT_EQ(StartUp(QString(), QStringLiteral("en_US.UTF-8")),
              (QStringList{"1,500.0000", ", . 3/7/26", buttons}));
}

} // namespace
} // namespace quorvel
