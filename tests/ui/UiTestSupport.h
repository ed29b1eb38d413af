#pragma once

#include "support/PromptScript.h"
#include "support/TempDir.h"
#include "ui/pages/AppIcon.h"
#include "ui/pages/FileChooser.h"

#include <QDebug>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <string>

namespace quillet::test {

// A scripted prompter that records its surprises; a test checks Failures()
// and Done() at its end.
class UiPrompter : public PromptScript {
public:
    const QStringList& Failures() const { return m_failures; }

protected:
    void Fail(const std::string& what) override { m_failures << QString::fromStdString(what); }

private:
    QStringList m_failures;
};

// Hands out the scripted paths in order; an empty list means the user cancelled.
class ScriptedChooser : public FileChooser {
public:
    QStringList answers;
    QStringList asked;

    QString OpenFile(QWidget*, const QString& title, const QString&) override { return Next(title); }
    QStringList OpenFiles(QWidget*, const QString& title, const QString&) override
    {
        QString answer = Next(title);
        return answer.isEmpty() ? QStringList() : answer.split('\n');
    }
    QStringList suggested;

    QString SaveFile(QWidget*, const QString& title, const QString&, const QString& path) override
    {
        suggested << path;
        return Next(title);
    }
    QString Folder(QWidget*, const QString& title) override { return Next(title); }

private:
    QString Next(const QString& title)
    {
        asked << title;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

// Keeps the user's configuration and the program folder of a test run in a
// temporary folder, so no test reads or writes the real ones.
inline void IsolateUserFolders(const QTemporaryDir& folder)
{
    qputenv("XDG_CONFIG_HOME", (folder.path() + "/config").toLocal8Bit());
    qputenv("QUILLET_HOME", (folder.path() + "/home").toLocal8Bit());
    qputenv("QUILLET_RESOLV_CONF", (folder.path() + "/resolv.conf").toLocal8Bit());
}

} // namespace quillet::test

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QtTest>
#include <functional>

namespace quillet::test {

// Calls act with the modal dialog of type Dialog as soon as one is shown.
template <typename Dialog>
void WhenShown(std::function<void(Dialog*)> act)
{
    QTimer::singleShot(50, [act] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget()))
            act(dialog);
        else
            WhenShown<Dialog>(act);
    });
}

// The Cancel button of the progress dialog of long work while it is on screen.
inline QPushButton* BusyCancel()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == "busyProgress" && window->isVisible())
            return window->findChild<QPushButton*>("busyCancel");
    return nullptr;
}

inline bool BusyDialogShown()
{
    return BusyCancel() != nullptr;
}

} // namespace quillet::test

// Fails the running test on an unexpected prompt or a scripted one never met.
#define QUILLET_VERIFY_PROMPTER(prompter)                                                                              \
    do {                                                                                                               \
        QVERIFY2((prompter).Failures().isEmpty(), qPrintable((prompter).Failures().join('\n')));                       \
        QVERIFY((prompter).Done());                                                                                    \
    } while (false)

// A QtTest main that first moves the user's folders into a temporary one.
#define QUILLET_UI_TEST_MAIN(TestClass)                                                                                \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        QTemporaryDir userFolders;                                                                                     \
        quillet::test::IsolateUserFolders(userFolders);                                                                \
        QApplication app(argc, argv);                                                                                  \
        QApplication::setOrganizationName("Quillet");                                                                  \
        QApplication::setApplicationName("Quillet");                                                                   \
        quillet::InstallIconFallback();                                                                                \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
