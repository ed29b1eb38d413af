#include "UiTestSupport.h"
#include "app/AppEnvironment.h"
#include "app/ProjectWindow.h"
#include "html/FormDiscovery.h"
#include "html/HtmlWriter.h"
#include "html/pages/ButtonActionsPage.h"
#include "html/pages/FormPage.h"
#include "project/Action.h"
#include "project/Messages.h"
#include "project/Project.h"
#include "project/pages/ActionListCtrl.h"
#include "project/pages/ProjectView.h"
#include "ui/pages/GridWidget.h"

#include <QComboBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QProcess>
#include <QToolButton>
#include <memory>

using namespace quillet;
using test::UiPrompter;

namespace {

QString ReadText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

void WriteText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

QString FileUnder(const QString& folder, const QString& pattern)
{
    QDirIterator it(folder, {pattern}, QDir::Files, QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : QString();
}

std::string Text(Msg id)
{
    return std::string(MessageText(id));
}

} // namespace

class FormTabTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    UiPrompter m_prompter;
    test::ScriptedChooser m_chooser;
    AppEnvironment m_environment;
    std::unique_ptr<ProjectWindow> m_frame;

    FormPage& FormTab() { return *m_frame->View()->FormTab(); }
    Form& CurrentForm() { return *m_frame->Document().Content().CurrentForm(); }

    // A project whose page is written from html, opened in a project window.
    void OpenPage(const QByteArray& html)
    {
        QVERIFY(m_frame->NewProject(m_folder->path().toStdString()));
        QString page = m_folder->path() + "/page.htm";
        WriteText(page, html);
        m_chooser.answers << page;
        QVERIFY(FormTab().OpenHtmlFile());
    }
    void SetCell(int row, int column, const QString& text) { FormTab().Grid()->item(row, column)->setText(text); }
    void SelectRow(int row)
    {
        FormTab().Grid()->clearSelection();
        FormTab().Grid()->selectRow(row);
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        test::IsolateUserFolders(*m_folder);
        m_environment = AppEnvironment();
        m_environment.settingsFolder = (m_folder->path() + "/settings").toStdString();
        m_prompter = UiPrompter();
        m_chooser = test::ScriptedChooser();
        FileChooser::SetCurrent(&m_chooser);
        m_frame = std::make_unique<ProjectWindow>(m_prompter, m_environment);
    }

    void cleanup()
    {
        QUILLET_VERIFY_PROMPTER(m_prompter);
        m_frame.reset();
        FileChooser::SetCurrent(nullptr);
    }

    void fromNothingToABuiltScript()
    {
        QVERIFY(m_frame->NewProject(m_folder->path().toStdString()));
        ServerSettings& settings = m_frame->Document().Content().settings;
        settings.cgiPath = (m_folder->path() + "/cgi-bin").toStdString();
        settings.cgiUrl = "http://localhost/cgi-bin";
        m_frame->UpdateAllViews(ProjectView::kFillFromSettings);
        QString page = m_folder->path() + "/order.htm";
        m_chooser.answers << page;
        QVERIFY(FormTab().NewHtmlFile());
        QCOMPARE(CurrentForm().formName, std::string("form1"));
        FormTab().runFieldDialog = [](HtmlPage&) { return true; };
        for (int kind = 0; kind < kNewFieldKindCount; ++kind)
            FormTab().FieldButton(static_cast<NewFieldKind>(kind))->click();
        QCOMPARE(FormTab().Grid()->rowCount(), kNewFieldKindCount);
        QCOMPARE(FormTab().Grid()->Text(9, FormPage::kName), QString("Field10"));
        QCOMPARE(CurrentForm().handlers.size(), size_t{1});
        QCOMPARE(CurrentForm().handlers[0].name, std::string("Field6"));

        FormTab().TitleBox()->setText("Order");
        FormTab().AutoFormat()->setChecked(true);
        QVERIFY(FormTab().SaveHtmlFile());
        QString saved = ReadText(page);
        QVERIFY(saved.contains("<FONT color=#FFFFFF face=ARIAL>Order</FONT>"));
        QVERIFY(saved.contains("METHOD=\"post\""));
        QVERIFY(saved.contains("ENCTYPE=\"multipart/form-data\""));

        // Build: the sheet gets a code block for the button, then the script is generated.
        FormTab().runActionSheet = [](ButtonActionsPage& sheet) {
            sheet.Actions()->runSheet = [](Action& action, const QString&) {
                action.Code().code = "my $total = 1;\r\n";
                return true;
            };
            sheet.Actions()->OnCommand(43009);
            return true;
        };
        m_prompter.ExpectQuestion(Text(Msg::ScriptCreatedPublish), Prompter::Answer::No);
        m_frame->OnBuild();
        QCOMPARE(CurrentForm().handlers[0].actions.size(), size_t{1});
        QCOMPARE(CurrentForm().handlers[0].actions[0].name, std::string("Action1"));
        QString script = FileUnder(m_folder->path(), "*.cgi");
        QVERIFY(!script.isEmpty());
        QVERIFY(ReadText(script).contains("my $total = 1;"));
        QProcess perl;
        perl.setWorkingDirectory(QFileInfo(script).path());
        perl.start("perl", {"-c", "-I.", script});
        QVERIFY(perl.waitForFinished(30000));
        QVERIFY2(perl.exitCode() == 0, perl.readAllStandardError().constData());
        QVERIFY(ReadText(page).contains("ACTION=\""));
    }

    void choosingAnotherFormAsksFirst()
    {
        OpenPage("<body><form name=a><input type=submit name=go></form><form name=b></form></body>");
        QCOMPARE(CurrentForm().handlers.size(), size_t{1});
        m_prompter.ExpectQuestion(Text(Msg::DiscardFormActions), Prompter::Answer::No);
        FormTab().ChooseForm(1);
        QCOMPARE(FormTab().FormList()->currentIndex(), 0);
        QCOMPARE(CurrentForm().formName, std::string("a"));
        QCOMPARE(CurrentForm().handlers.size(), size_t{1});
        QCOMPARE(FormTab().Grid()->rowCount(), 1);

        m_prompter.ExpectQuestion(Text(Msg::DiscardFormActions), Prompter::Answer::Yes);
        FormTab().ChooseForm(1);
        QCOMPARE(CurrentForm().formName, std::string("b"));
        QVERIFY(CurrentForm().handlers.empty());
        QCOMPARE(FormTab().Grid()->rowCount(), 0);
    }

    void cellsWriteIntoTheNodes()
    {
        OpenPage("<body><form><input type=checkbox name=c value=1><select name=s><option value=1>One</select>"
                 "<input type=submit name=go><input type=submit name=stop></form></body>");
        SetCell(0, FormPage::kState, "CHECKED");
        QCOMPARE(WriteHtmlString(*FormTab().Page().Nodes()).find("<input type=checkbox name=c value=1 CHECKED>") !=
                     std::string::npos,
                 true);
        SetCell(0, FormPage::kState, "");
        QVERIFY(!FindAttr(*FormTab().RowNode(0), ""));
        SetCell(1, FormPage::kValue, "Uno");
        QCOMPARE(FormTab().Grid()->Text(1, FormPage::kValue), QString());
        SetCell(0, FormPage::kContent, "EMAIL");
        QCOMPARE(AttrValue(*FormTab().RowNode(0), "CONTENT"), std::string_view("EMAIL"));
        QVERIFY(!(FormTab().Grid()->item(2, FormPage::kState)->flags() & Qt::ItemIsEditable));

        m_prompter.ExpectShow("\"stop\" is already used");
        SetCell(2, FormPage::kName, "stop");
        QCOMPARE(FormTab().Grid()->Text(2, FormPage::kName), QString("go"));
        SetCell(2, FormPage::kName, "send  ");
        QCOMPARE(CurrentForm().handlers[0].name, std::string("send"));
    }

    void deleteAndDragRows()
    {
        OpenPage("<body><form><input name=a><input type=submit name=go><input name=c></form></body>");
        CurrentForm().handlers[0].actions.push_back(*CreateAction(7));
        SelectRow(0);
        FormTab().MoveRowsTo(1);
        QCOMPARE(FormTab().Grid()->Text(0, FormPage::kName), QString("a"));
        SelectRow(2);
        FormTab().MoveRowsTo(0);
        QCOMPARE(FormTab().Grid()->Text(0, FormPage::kName), QString("c"));
        QCOMPARE(FormTab().Grid()->Text(1, FormPage::kName), QString("a"));

        SelectRow(2);
        FormTab().DeleteFields();
        QVERIFY(CurrentForm().handlers.empty());
        QCOMPARE(FormTab().Grid()->rowCount(), 2);
        QCOMPARE(QString::fromStdString(WriteHtmlString(*FormTab().Page().Nodes())),
                 QString("<body><form NAME=\"form1\"><input name=c><input name=a></form></body>"));
    }

    void fieldButtonsRefuseWithoutAPlace()
    {
        OpenPage("<p>no body</p>");
        m_prompter.ExpectShow(Text(Msg::NotAnHtmlFile));
        QVERIFY(!FormTab().AddField(NewFieldKind::TextBox));
    }

    void handlerSheetWorksOnACopy()
    {
        OpenPage("<body><form><input type=submit name=go><input type=image name=pic></form></body>");
        SelectRow(1);
        FormTab().runActionSheet = [](ButtonActionsPage& sheet) {
            if (sheet.SubmitName() != "pic")
                return false;
            sheet.Actions()->runSheet = [](Action&, const QString&) { return true; };
            sheet.Actions()->NewAction(ActionType::PerlCodeBlock);
            return false;
        };
        QVERIFY(!FormTab().DefineActions());
        QVERIFY(CurrentForm().handlers[1].actions.empty());

        ButtonActionsPage page(m_frame->Document().Content(), "", CurrentForm(), &FormTab().Page(), m_prompter);
        page.Load();
        page.Actions()->runSheet = [](Action&, const QString& title) { return title == "New Action"; };
        page.Actions()->NewAction(ActionType::InsertRecord);
        page.Actions()->NewAction(ActionType::SelectRecords);
        page.ChooseHandler(1);
        page.Actions()->NewAction(ActionType::SendEmail);
        page.ChooseHandler(0);
        QCOMPARE(page.Actions()->count(), 2);
        // Renaming in place follows the rules of action names.
        m_prompter.ExpectShow(Text(Msg::ActionNameAlphanumeric));
        page.Actions()->item(0)->setText("2nd");
        QCOMPARE(page.Actions()->item(0)->text(), QString("Action1"));
        page.Actions()->item(0)->setText(" total_1 ");
        page.Actions()->item(1)->setSelected(true);
        page.Actions()->MoveSelectedTo(0);
        QCOMPARE(page.Actions()->item(0)->text(), QString("Action2"));
        QVERIFY(CurrentForm().handlers[0].actions.empty());
        page.Store();
        QCOMPARE(CurrentForm().handlers[0].actions.size(), size_t{2});
        QCOMPARE(CurrentForm().handlers[0].actions[1].name, std::string("total_1"));
        QCOMPARE(CurrentForm().handlers[1].actions.size(), size_t{1});
    }

    void unnamedSubmitButtonsAreOfferedANameOnce()
    {
        OpenPage("<form><input name=a><button>Send it</button><input type=submit value=Go></form>");
        FormTab().runActionSheet = [](ButtonActionsPage&) { return false; };
        m_prompter.ExpectQuestion(FormatMessage(Msg::OfferButtonName, {"Send it", "Send_it"}), Prompter::Answer::Yes);
        m_prompter.ExpectQuestion(FormatMessage(Msg::OfferButtonName, {"Go", "Go"}), Prompter::Answer::No);
        FormTab().DefineActions();
        QCOMPARE(CurrentForm().handlers.size(), size_t{1});
        QCOMPARE(CurrentForm().handlers[0].name, std::string("Send_it"));
        QCOMPARE(FormTab().Grid()->Text(1, FormPage::kName), QString("Send_it"));
        QVERIFY(FormTab().IsPageModified());
        // Declined once, not asked again until the page is read anew.
        FormTab().DefineActions();
    }

    void newActionsNeedASubmitButton()
    {
        OpenPage("<body><form><input name=a></form></body>");
        ButtonActionsPage page(m_frame->Document().Content(), "", CurrentForm(), &FormTab().Page(), m_prompter);
        page.Load();
        m_prompter.ExpectShow(Text(Msg::SelectSubmitButton));
        QVERIFY(!page.Actions()->NewAction(ActionType::InsertRecord));
    }

    void savingWithNothingLoadedKeepsThePage()
    {
        QVERIFY(m_frame->NewProject(m_folder->path().toStdString()));
        QString page = m_folder->path() + "/kept.htm";
        WriteText(page, "<body><form name=f><input name=a></form></body>");
        FormTab().PathBox()->setText(page);
        QVERIFY(FormTab().SaveHtmlFile());
        QString saved = ReadText(page);
        QVERIFY(saved.contains("<input name=a>"));
        QVERIFY(saved.contains("METHOD=\"post\""));
        QCOMPARE(FormTab().Grid()->rowCount(), 1);
    }

    void changedPageIsOfferedForReload()
    {
        OpenPage("<body><form><input name=a></form></body>");
        QString page = m_folder->path() + "/page.htm";
        WriteText(page, "<body><form><input name=a><input name=b></form></body>");
        QFile(page).setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
        m_prompter.ExpectQuestion(Text(Msg::FileChangedReload), Prompter::Answer::No);
        QVERIFY(!FormTab().CheckPageChanged());
        m_prompter.ExpectQuestion(Text(Msg::FileChangedReload), Prompter::Answer::Yes);
        QVERIFY(FormTab().CheckPageChanged());
        QCOMPARE(FormTab().Grid()->rowCount(), 2);
        QVERIFY(!FormTab().CheckPageChanged());
    }
};

QTEST_MAIN(FormTabTest)
#include "tst_formtab.moc"
