#pragma once

#include "app/FileChooser.h"
#include "project/Prompter.h"
#include "support/TempDir.h"

#include <QDebug>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <string>

namespace quillet::test {

// Answers messages and questions in the scripted order. An unexpected or
// different one is recorded; a test checks Failures() and Done() at its end.
// An expected text matches as a prefix of the actual text.
class UiPrompter : public Prompter {
public:
    void ExpectShow(std::string text) { m_script.push_back({false, std::move(text), Answer::Yes}); }
    void ExpectQuestion(std::string text, Answer answer) { m_script.push_back({true, std::move(text), answer}); }
    bool Done() const { return m_script.empty(); }
    const QStringList& Failures() const { return m_failures; }

    void Show(const std::string& text) override { Next(false, text); }
    bool AskYesNo(const std::string& text) override { return Next(true, text) == Answer::Yes; }
    Answer AskYesNoCancel(const std::string& text) override { return Next(true, text); }

private:
    struct Step {
        bool question;
        std::string text;
        Answer answer;
    };

    Answer Next(bool question, const std::string& text)
    {
        if (m_script.empty()) {
            m_failures << QString("unexpected %1: %2").arg(question ? "question" : "message", text.c_str());
            return Answer::Cancel;
        }
        Step step = m_script.front();
        m_script.pop_front();
        if (step.question != question || text.compare(0, step.text.size(), step.text) != 0)
            m_failures << QString("expected \"%1\", got \"%2\"").arg(step.text.c_str(), text.c_str());
        return step.answer;
    }

    std::deque<Step> m_script;
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
    QString SaveFile(QWidget*, const QString& title, const QString&, const QString&) override { return Next(title); }
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
#include <QtTest/QtTest>

// A QtTest main that first moves the user's folders into a temporary one.
#define QUILLET_UI_TEST_MAIN(TestClass)                                                                                \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        QTemporaryDir userFolders;                                                                                     \
        quillet::test::IsolateUserFolders(userFolders);                                                                \
        QApplication app(argc, argv);                                                                                  \
        QApplication::setOrganizationName("Quillet");                                                                  \
        QApplication::setApplicationName("Quillet");                                                                   \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
