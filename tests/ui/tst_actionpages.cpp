#include "UiTestSupport.h"
#include "generator/Build.h"
#include "generator/CookiePageModel.h"
#include "generator/pages/ChoiceGrid.h"
#include "generator/pages/ConditionPage.h"
#include "generator/pages/CookiesDialog.h"
#include "generator/pages/PerlCodePage.h"
#include "generator/pages/PostFormPage.h"
#include "generator/pages/RecordPages.h"
#include "html/FormDiscovery.h"
#include "html/pages/TemplateEditor.h"
#include "net/pages/BrowserResponsePage.h"
#include "net/pages/MessageTemplate.h"
#include "net/pages/ReadWriteFilePage.h"
#include "net/pages/SendMailPage.h"
#include "project/Action.h"
#include "project/Messages.h"
#include "project/ProjectDocument.h"
#include "project/ProjectFile.h"
#include "project/pages/ActionListCtrl.h"
#include "project/pages/ActionPages.h"
#include "ui/pages/PropertySheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <memory>

using namespace quillet;
using test::ScriptedChooser;
using test::UiPrompter;

class ActionPagesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    UiPrompter m_prompter;
    ScriptedChooser m_chooser;
    std::string m_projectFile;
    Project m_project;
    std::unique_ptr<LoadedPage> m_page;
    ActionList m_siblings;
    std::unique_ptr<ActionPageContext> m_context;
    std::unique_ptr<PropertyPage> m_current;

    QString Folder() const { return m_folder->path() + "/guestbook"; }

    void CopyGuestbook()
    {
        QDir().mkpath(Folder() + "/templates");
        const QString source = QUILLET_SOURCE_DIR "/examples/guestbook/";
        for (QString name : {"guestbook.prj", "guestbook.html", "templates/thanks.html", "templates/entries.html"})
            QVERIFY(QFile::copy(source + name, Folder() + "/" + name));
        m_projectFile = (Folder() + "/guestbook.prj").toStdString();
        ProjectDocument document(m_prompter);
        QVERIFY(document.LoadProject(m_projectFile));
        m_project = document.Content();
        m_page = std::make_unique<LoadedPage>(m_projectFile);
        QCOMPARE(FindForm(*m_project.CurrentForm(), *m_page), FindFormResult::Found);
        m_context = std::make_unique<ActionPageContext>(ActionPageContext{
            m_project, m_projectFile, *m_project.CurrentForm(), m_page.get(), m_siblings, m_prompter});
    }

    // The page of the action's kind, loaded; it stays open until the next one.
    template <typename PageType>
    PageType* Open(Action& action)
    {
        m_current = CreateActionPage(action, *m_context);
        auto* page = dynamic_cast<PageType*>(m_current.get());
        if (page)
            page->Load();
        return page;
    }

    static Action New(ActionType type, const char* name)
    {
        Action action = *CreateAction(static_cast<long>(type));
        action.name = name;
        return action;
    }

    bool Leave(PropertyPage& page)
    {
        page.Store();
        return page.LeaveCheck();
    }

    void CheckPrompter() { QUILLET_VERIFY_PROMPTER(m_prompter); }

    std::string BuildScript()
    {
        std::string script;
        if (!BuildProject(m_project, m_projectFile, m_prompter, &script))
            return {};
        return script;
    }

    Action SignInsert();
    Action ShowSelect();
    Action Respond(const char* name, const std::string& templateFile);
    void AddRecordKinds(std::vector<Action>& made);
    void AddMessageKinds(std::vector<Action>& made);
    void AddScriptKinds(std::vector<Action>& made);
    std::vector<Action> EveryKind();

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        m_prompter = UiPrompter();
        m_chooser = ScriptedChooser();
        FileChooser::SetCurrent(&m_chooser);
        CopyGuestbook();
    }
    void cleanup()
    {
        m_current.reset();
        FileChooser::SetCurrent(nullptr);
        SendMailPage::SetAttachmentEditor(nullptr);
    }

    void guestbookRecreatedThroughThePages();
    void insertNeedsATableAndBindsFormFields();
    void queryPagesStoreTheirGridsAndShowSql();
    void conditionGridAndNestedActions();
    void cookiesAddDeleteAndExpiry();
    void saveFileTemplateAndServerPath();
    void sendMailFieldsAttachmentsAndLeaving();
    void browserModesAndLeaving();
    void typedTemplateTextIsNeverDropped();
    void postFormPicksPageFormAndHandlers();
    void everyKindBuildsAScriptPerlAccepts();
    void sheetKeepsTheUserOnAPageThatFailsItsCheck();
};

Action ActionPagesTest::SignInsert()
{
    Action action = New(ActionType::InsertRecord, "Action1");
    auto* page = Open<InsertRecordsPage>(action);
    page->DataSourceBox()->setCurrentText("guestdb");
    page->TableBox()->setCurrentText("entries");
    int row = 0;
    for (const char* field : {"name", "email", "message"})
        page->Grid()->SetText(row++, 0, field);
    page->BindFormFields();
    Leave(*page);
    return action;
}

Action ActionPagesTest::ShowSelect()
{
    Action action = New(ActionType::SelectRecords, "Entries");
    auto* page = Open<RecordQueryPage>(action);
    page->DataSourceBox()->setCurrentText("guestdb");
    // A blank row between fields does not end the list.
    page->ColumnGrid()->SetText(0, 0, "entries");
    page->ColumnGrid()->SetText(0, 1, "name");
    page->ColumnGrid()->SetText(2, 0, "entries");
    page->ColumnGrid()->SetText(2, 1, "email");
    page->ColumnGrid()->SetText(3, 0, "entries");
    page->ColumnGrid()->SetText(3, 1, "message");
    Leave(*page);
    return action;
}

Action ActionPagesTest::Respond(const char* name, const std::string& templateFile)
{
    Action action = New(ActionType::RespondToBrowser, name);
    auto* page = Open<BrowserResponsePage>(action);
    page->PostButton()->setChecked(true);
    page->Template()->Load(templateFile);
    Leave(*page);
    return action;
}

void ActionPagesTest::guestbookRecreatedThroughThePages()
{
    const std::string expected = BuildScript();
    QVERIFY(!expected.empty());
    const std::string original = *ReadWholeFile(expected);

    Form& form = *m_project.CurrentForm();
    form.handlers[0].actions = {SignInsert(), Respond("Action2", "templates/thanks.html")};
    form.handlers[1].actions = {ShowSelect(), Respond("Action2", "templates/entries.html")};
    // The same script byte for byte means the pages stored what the example holds.
    const std::string rebuilt = BuildScript();
    QCOMPARE(*ReadWholeFile(rebuilt), original);
    CheckPrompter();
}

void ActionPagesTest::insertNeedsATableAndBindsFormFields()
{
    Action action = New(ActionType::InsertRecord, "Action1");
    action.Record().columns = {{"", "kept", 0, "", "1", ""}};
    auto* page = Open<InsertRecordsPage>(action);
    page->DataSourceBox()->setCurrentText("guestdb");
    page->TableBox()->setCurrentIndex(-1);
    page->Grid()->SetText(0, 0, "name");
    // Without a table, the grid keeps the old columns and SQL asks for one.
    m_prompter.ExpectShow(FormatMessage(Msg::SelectTableInGrid));
    QVERIFY(!page->CurrentSql());
    Leave(*page);
    QCOMPARE(action.Record().columns.size(), size_t(1));
    QCOMPARE(action.Record().columns[0].columnName, std::string("kept"));

    page->TableBox()->setCurrentText("entries");
    page->Grid()->SetText(0, 0, "name");
    page->Grid()->SetText(0, 1, "'fixed'");
    page->Grid()->SetText(1, 0, "id");
    page->Grid()->SetText(2, 0, "nosuch");
    page->BindFormFields();
    QCOMPARE(page->Grid()->Text(0, 1), QString("$FORM{'name'}[0]"));
    QCOMPARE(page->Grid()->Text(1, 1), QString());
    Leave(*page);
    QCOMPARE(action.Record().columns.size(), size_t(2));
    QCOMPARE(action.Record().columns[1].columnName, std::string("id"));
    std::optional<std::string> sql = page->CurrentSql();
    QVERIFY(sql && sql->rfind("INSERT INTO entries", 0) == 0);

    // Loading empties the grid before writing the stored rows.
    page->Load();
    QCOMPARE(page->Grid()->Text(2, 0), QString());
    CheckPrompter();
}

void ActionPagesTest::queryPagesStoreTheirGridsAndShowSql()
{
    Action remove = New(ActionType::DeleteRecords, "Purge");
    auto* page = Open<RecordQueryPage>(remove);
    QCOMPARE(page->ColumnGrid()->columnCount(), 1);
    QVERIFY(!page->RowsBox());
    m_prompter.ExpectShow(FormatMessage(Msg::SelectTableInGrid));
    QVERIFY(!page->CurrentSql());
    page->DataSourceBox()->setCurrentText("guestdb");
    page->ColumnGrid()->SetText(0, 0, "entries");
    ChoiceGrid* criteria = page->CriteriaGrid();
    QCOMPARE(criteria->verticalHeaderItem(4)->text(), QString("or:"));
    criteria->SetText(0, 0, "entries");
    criteria->SetText(1, 0, "id");
    criteria->SetText(2, 0, "=");
    criteria->SetText(3, 0, "$FORM{'id'}[0]");
    criteria->SetText(4, 0, "=");
    criteria->SetText(5, 0, "0");
    criteria->SetText(0, 1, "entries");
    criteria->SetText(1, 1, "name");
    QVERIFY(Leave(*page));
    QCOMPARE(remove.Record().columns.size(), size_t(1));
    QCOMPARE(remove.Record().criteria.size(), size_t(1));
    QCOMPARE(remove.Record().criteria[0].cells.size(), size_t(2));
    std::string sql = page->CurrentSql().value_or("");
    QVERIFY2(sql.rfind("DELETE FROM entries", 0) == 0, sql.c_str());

    // Editing a field cell with no table beside it is refused with the message.
    Action update = New(ActionType::UpdateRecords, "Change");
    auto* updatePage = Open<RecordQueryPage>(update);
    m_prompter.ExpectShow(FormatMessage(Msg::SelectTableInGrid));
    QVERIFY(!updatePage->ColumnGrid()->mayEdit(0, 1));
    updatePage->DataSourceBox()->setCurrentText("guestdb");
    updatePage->ColumnGrid()->SetText(0, 0, "entries");
    QVERIFY(updatePage->ColumnGrid()->mayEdit(0, 1));
    QCOMPARE(updatePage->ColumnGrid()->RuleAt(0, 1).choices, QStringList({"id", "name", "email", "message"}));
    QVERIFY(updatePage->ColumnGrid()->RuleAt(0, 2).choices.contains("$FORM{'email'}[0]"));
    updatePage->ColumnGrid()->SetText(0, 1, "message");
    updatePage->ColumnGrid()->SetText(0, 2, "'read'");
    Leave(*updatePage);
    QCOMPARE(update.Record().columns[0].value, std::string("'read'"));
    QCOMPARE(update.Record().rowsPerPage, 0L);
    CheckPrompter();
}

void ActionPagesTest::conditionGridAndNestedActions()
{
    Action condition = New(ActionType::ConditionalStatement, "Check");
    condition.Condition().actions.push_back(New(ActionType::PerlCodeBlock, "Action1"));
    auto* page = Open<ConditionPage>(condition);
    ChoiceGrid* grid = page->Grid();
    QCOMPARE(grid->rowCount(), 99);
    QCOMPARE(grid->columnCount(), 49);
    QCOMPARE(grid->verticalHeaderItem(3)->text(), QString("or:"));
    QVERIFY(grid->tinted(3) && grid->tinted(4) && !grid->tinted(5) && !grid->tinted(6) && grid->tinted(7));
    QVERIFY(!grid->tinted(2));
    QCOMPARE(grid->RuleAt(1, 0).choices.first(), QString("=="));
    QVERIFY(grid->RuleAt(0, 0).choices.contains("$FORM{'email'}[0]"));
    QCOMPARE(grid->RuleAt(2, 0).kind, ChoiceGrid::Kind::Text);
    QCOMPARE(page->List()->count(), 1);

    grid->SetText(0, 0, "$FORM{'name'}[0]");
    grid->SetText(1, 0, "ne");
    grid->SetText(2, 0, "''");
    grid->SetText(3, 0, "eq");
    grid->SetText(4, 0, "'a'");
    grid->SetText(5, 0, "eq");
    grid->SetText(6, 0, "'b'");
    grid->SetText(7, 0, "eq");
    grid->SetText(8, 0, "'c'");
    grid->SetText(0, 1, "$FORM{'email'}[0]");

    page->List()->runSheet = [](Action& working, const QString&) {
        working.Code().code = "print \"x\";\r\n";
        return true;
    };
    QVERIFY(page->List()->NewAction(ActionType::PerlCodeBlock));
    QVERIFY(Leave(*page));
    QCOMPARE(condition.Condition().criteria.size(), size_t(1));
    QCOMPARE(condition.Condition().criteria[0].cells.size(), size_t(4));
    QCOMPARE(condition.Condition().actions.size(), size_t(2));
    QCOMPARE(condition.Condition().actions[1].name, std::string("Action2"));

    page->Load();
    QCOMPARE(grid->Text(8, 0), QString("'c'"));
    QCOMPARE(grid->Text(0, 1), QString());
    CheckPrompter();
}

void ActionPagesTest::cookiesAddDeleteAndExpiry()
{
    Action cookies = New(ActionType::SetHttpCookies, "Remember");
    auto* page = Open<CookiesDialog>(cookies);
    QVERIFY(page->ExpireIn()->isChecked());
    QVERIFY(!page->Date()->isEnabled());
    page->AddCookie();
    page->AddCookie();
    page->AddCookie();
    QCOMPARE(page->Grid()->Text(2, 0), QString("Cookie3"));
    page->Grid()->SetText(0, 1, "$FORM{'name'}[0]");
    page->Grid()->SetText(1, 0, "");
    page->Grid()->SetText(1, 1, "lost");
    page->Grid()->SetText(2, 2, "Secure");
    page->Days()->setValue(30);
    Leave(*page);
    QCOMPARE(cookies.Cookie().code, std::string("Cookie1=$FORM{'name'}[0],secure=0;Cookie3=,secure=1;"));
    QCOMPARE(cookies.Cookie().expiryKind, 0);
    QCOMPARE(cookies.Cookie().expiry, 30L);

    page->Load();
    QCOMPARE(page->Grid()->rowCount(), 2);
    page->Grid()->selectRow(0);
    page->DeleteSelected();
    QCOMPARE(page->Grid()->Text(0, 0), QString("Cookie3"));
    for (int i = 0; i < 25; ++i)
        page->AddCookie();
    QCOMPARE(page->Grid()->rowCount(), 20);
    QVERIFY(!page->AddButton()->isEnabled());

    page->ExpireOn()->setChecked(true);
    QVERIFY(page->Date()->isEnabled() && !page->Days()->isEnabled());
    page->Date()->setDate(QDate(2027, 3, 1));
    Leave(*page);
    QCOMPARE(cookies.Cookie().expiryKind, 1);
    QCOMPARE(cookies.Cookie().expiry, QDate(1970, 1, 1).daysTo(QDate(2027, 3, 1)));
    page->Load();
    QCOMPARE(page->Date()->date(), QDate(2027, 3, 1));
    CheckPrompter();
}

void ActionPagesTest::saveFileTemplateAndServerPath()
{
    m_project.settings.uploadMethod = "Copy";
    Action file = New(ActionType::ReadWriteFile, "Log");
    auto* page = Open<ReadWriteFilePage>(file);
    QVERIFY(page->ModeButton(0)->isChecked());
    const QString templatePath = Folder() + "/templates/log.txt";
    m_chooser.answers = {templatePath};
    QVERIFY(page->Template()->NewFile());
    QCOMPARE(*ReadWholeFile(templatePath.toStdString()), std::string("\n"));
    QCOMPARE(page->Template()->PathEdit()->text(), QString("templates/log.txt"));
    page->Template()->Editor()->SetText("$FORM{'name'}[0]\n");
    page->Template()->Editor()->document()->setModified(true);

    // A path named by a form field gets no placeholder file.
    const QString dataPath = Folder() + "/data/$FORM{'who'}[0].txt";
    m_chooser.answers = {dataPath};
    page->CreateServerFile();
    QCOMPARE(page->ServerPath()->text(), dataPath);
    QVERIFY(!QDir(Folder() + "/data").exists());
    // Otherwise a placeholder is made, but a file that is there keeps its data.
    m_chooser.answers = {Folder() + "/log.dat", Folder() + "/guestbook.html"};
    page->CreateServerFile();
    QCOMPARE(*ReadWholeFile((Folder() + "/log.dat").toStdString()), std::string());
    const std::string pageText = *ReadWholeFile((Folder() + "/guestbook.html").toStdString());
    page->CreateServerFile();
    QCOMPARE(*ReadWholeFile((Folder() + "/guestbook.html").toStdString()), pageText);
    page->ServerPath()->setText("  " + Folder() + "/log.dat ");
    page->ModeButton(1)->setChecked(true);
    QVERIFY(Leave(*page));
    QCOMPARE(file.File().mode, 1);
    QCOMPARE(file.File().file, std::string("templates/log.txt"));
    QCOMPARE(QString::fromStdString(file.File().dataFile), Folder() + "/log.dat");
    QCOMPARE(*ReadWholeFile(templatePath.toStdString()), std::string("$FORM{'name'}[0]\n"));

    // Opening another template while the text is modified asks first; No discards.
    page->Template()->Editor()->SetText("changed");
    page->Template()->Editor()->document()->setModified(true);
    m_prompter.ExpectQuestion(FormatMessage(Msg::FileModifiedSave, {"templates/log.txt"}), Prompter::Answer::No);
    m_chooser.answers = {Folder() + "/templates/thanks.html"};
    QVERIFY(page->Template()->OpenFile());
    QVERIFY(page->Template()->Editor()->Text().find("Thank") != std::string::npos);
    QCOMPARE(*ReadWholeFile(templatePath.toStdString()), std::string("$FORM{'name'}[0]\n"));

    m_chooser.answers = {m_folder->path() + "/missing/x.htm"};
    m_prompter.ExpectShow("Can't Open File");
    QVERIFY(!page->Template()->NewFile());
    CheckPrompter();
}

void ActionPagesTest::sendMailFieldsAttachmentsAndLeaving()
{
    Action mail = New(ActionType::SendEmail, "Notify");
    auto* page = Open<SendMailPage>(mail);
    QVERIFY(!page->Field("POP Server:")->isEnabled());
    page->AuthBox()->setChecked(true);
    QVERIFY(page->Field("POP Server:")->isEnabled());
    page->Field("POP Server:")->setText("pop.example.org");
    page->AuthBox()->setChecked(false);
    page->Field("Recipients' E-mail Addresses:")->setText(" ann@example.org,bob\\@example.org ");
    page->Field("Sender's E-mail Address:")->setText("$FORM{'email'}[0]");
    page->Field("SMTP Server or Sendmail Path:")->setText("127.0.0.1");
    page->Field("Subject:")->setText("Signed");

    int made = 0;
    SendMailPage::SetAttachmentEditor([&made](QWidget*, Attachment& attachment, Prompter&) {
        attachment.path = "/tmp/file" + std::to_string(++made) + ".txt";
        attachment.kind = "FILE";
        return true;
    });
    page->AddAttachment();
    page->AddAttachment();
    QCOMPARE(page->Attachments()->count(), 2);
    QCOMPARE(page->Attachments()->currentText(), QString("file2.txt"));
    page->Attachments()->setCurrentIndex(0);
    page->EditAttachment();
    QCOMPARE(page->Attachments()->itemText(0), QString("file3.txt"));
    page->DeleteAttachment();
    QCOMPARE(page->Attachments()->currentText(), QString("file2.txt"));
    page->DeleteAttachment();
    QCOMPARE(page->Attachments()->currentIndex(), -1);
    QVERIFY(mail.Mail().attachments.empty());

    // MailPageModelTest covers every leaving rule; this checks the page asks them.
    m_prompter.ExpectQuestion(FormatMessage(Msg::NoMessageTemplate), Prompter::Answer::Yes);
    QVERIFY(Leave(*page));
    QCOMPARE(mail.Mail().to, std::string("ann\\@example.org,bob\\@example.org"));
    QCOMPARE(mail.Mail().popServer, std::string("pop.example.org"));
    QCOMPARE(mail.Mail().smtpAuth, 0);
    QCOMPARE(mail.Mail().mailMode, 1);
    QCOMPARE(mail.Mail().templateFile, std::string());
    CheckPrompter();
}

void ActionPagesTest::browserModesAndLeaving()
{
    Action response = New(ActionType::RespondToBrowser, "Answer");
    response.Response() = {"templates/thanks.html", 1, ""};
    auto* page = Open<BrowserResponsePage>(response);
    QVERIFY(page->PostButton()->isChecked());
    QVERIFY(!page->Template()->isHidden() && page->UrlEdit()->isHidden());
    QVERIFY(page->Template()->Editor()->Text().find("Thank") != std::string::npos);

    page->RedirectButton()->setChecked(true);
    QVERIFY(page->Template()->isHidden() && !page->UrlEdit()->isHidden());
    page->UrlEdit()->setText(" http://example.org/done.html ");
    QVERIFY(Leave(*page));
    QCOMPARE(response.Response().file, std::string());
    QCOMPARE(response.Response().url, std::string("http://example.org/done.html"));
    QCOMPARE(response.Response().postMode, 0);
    CheckPrompter();
}

void ActionPagesTest::typedTemplateTextIsNeverDropped()
{
    // Text typed without a template file asks for one; cancelling keeps the user on the page.
    Action mail = New(ActionType::SendEmail, "Notify");
    auto* page = Open<SendMailPage>(mail);
    page->Field("Recipients' E-mail Addresses:")->setText("ann@example.org");
    page->Template()->Editor()->insertPlainText("Dear $FORM{'name'}[0]");
    QVERIFY(!Leave(*page));
    const QString mailPath = Folder() + "/templates/mail.txt";
    m_chooser.answers = {mailPath};
    QVERIFY(Leave(*page));
    QCOMPARE(mail.Mail().templateFile, std::string("templates/mail.txt"));
    QCOMPARE(*ReadWholeFile(mailPath.toStdString()), std::string("Dear $FORM{'name'}[0]"));

    // A report inserted into a new template is an edit like any other.
    TemplateEditor::SetReportDesigner([](TemplateEditor&, std::string& text, int) {
        text += "<table>$Entries->{rows}</table>";
        return true;
    });
    Action response = New(ActionType::RespondToBrowser, "Answer");
    response.Response().postMode = 1;
    auto* answer = Open<BrowserResponsePage>(response);
    m_chooser.answers = {Folder() + "/templates/list.html"};
    QVERIFY(answer->Template()->NewFile());
    answer->Template()->Editor()->insertPlainText("Entries: ");
    answer->Template()->Editor()->InsertQueryReport();
    TemplateEditor::SetReportDesigner(nullptr);
    QVERIFY(Leave(*answer));
    answer = Open<BrowserResponsePage>(response);
    QCOMPARE(answer->Template()->Editor()->Text(), std::string("Entries: <table>$Entries->{rows}</table>"));
    CheckPrompter();
}

void ActionPagesTest::postFormPicksPageFormAndHandlers()
{
    Action post = New(ActionType::PostHtmlForm, "Again");
    auto* page = Open<PostFormPage>(post);
    m_prompter.ExpectShow(FormatMessage(Msg::CantFindFile, {""}));
    QVERIFY(!Leave(*page));

    m_chooser.answers = {Folder() + "/guestbook.html"};
    page->Browse();
    QCOMPARE(page->PageEdit()->text(), QString("guestbook.html"));
    QCOMPARE(page->FormBox()->currentText(), QString("guestbook"));
    QCOMPARE(page->ButtonBox()->count(), 2);
    page->ButtonBox()->setCurrentIndex(1);
    page->List()->runSheet = [](Action& working, const QString&) {
        working.Code().code = "1;\r\n";
        return true;
    };
    QVERIFY(page->List()->NewAction(ActionType::PerlCodeBlock));
    QVERIFY(Leave(*page));
    const Form& form = post.FormBody().form;
    QCOMPARE(form.pageFile, std::string("guestbook.html"));
    QCOMPARE(form.formName, std::string("guestbook"));
    QCOMPARE(form.handlers.size(), size_t(2));
    QCOMPARE(form.handlers[1].actions.size(), size_t(1));
    CheckPrompter();
}

void ActionPagesTest::AddRecordKinds(std::vector<Action>& made)
{
    made.push_back(SignInsert());
    made.push_back(ShowSelect());
    for (ActionType type : {ActionType::DeleteRecords, ActionType::UpdateRecords}) {
        Action action = New(type, type == ActionType::DeleteRecords ? "Purge" : "Change");
        auto* page = Open<RecordQueryPage>(action);
        page->DataSourceBox()->setCurrentText("guestdb");
        page->ColumnGrid()->SetText(0, 0, "entries");
        // A Delete's grid names only tables.
        if (type == ActionType::UpdateRecords) {
            page->ColumnGrid()->SetText(0, 1, "message");
            page->ColumnGrid()->SetText(0, 2, "$FORM{'message'}[0]");
        }
        for (int row = 0; row < 4; ++row)
            page->CriteriaGrid()->SetText(row, 0, QStringList{"entries", "name", "=", "$FORM{'name'}[0]"}[row]);
        Leave(*page);
        made.push_back(action);
    }
}

void ActionPagesTest::AddMessageKinds(std::vector<Action>& made)
{
    for (ActionType type : {ActionType::SendEmail, ActionType::SendBulkEmail}) {
        Action action = New(type, type == ActionType::SendEmail ? "Mail" : "Bulk");
        auto* page = Open<SendMailPage>(action);
        page->Field("Recipients' E-mail Addresses:")->setText("owner@example.org");
        page->Field("Sender's E-mail Address:")->setText("$FORM{'email'}[0]");
        page->Template()->Load("templates/thanks.html");
        Leave(*page);
        made.push_back(action);
    }
    Action file = New(ActionType::ReadWriteFile, "Log");
    auto* filePage = Open<ReadWriteFilePage>(file);
    filePage->ServerPath()->setText("/data/log.txt");
    filePage->ModeButton(1)->setChecked(true);
    filePage->Template()->Load("templates/thanks.html");
    Leave(*filePage);
    made.push_back(file);
    made.push_back(Respond("Answer", "templates/thanks.html"));
}

void ActionPagesTest::AddScriptKinds(std::vector<Action>& made)
{
    Action code = New(ActionType::PerlCodeBlock, "Code");
    auto* codePage = Open<PerlCodePage>(code);
    codePage->Editor()->setPlainText("my $count = 1;\n\n$count++;\n");
    Leave(*codePage);
    made.push_back(code);

    Action cookies = New(ActionType::SetHttpCookies, "Cookies");
    auto* cookiePage = Open<CookiesDialog>(cookies);
    cookiePage->AddCookie();
    cookiePage->Grid()->SetText(0, 1, "$FORM{'name'}[0]");
    cookiePage->ExpireOn()->setChecked(true);
    Leave(*cookiePage);
    made.push_back(cookies);

    Action condition = New(ActionType::ConditionalStatement, "Check");
    auto* conditionPage = Open<ConditionPage>(condition);
    for (int row = 0; row < 5; ++row)
        conditionPage->Grid()->SetText(row, 0, QStringList{"$FORM{'name'}[0]", "ne", "nobody", "eq", "x"}[row]);
    conditionPage->List()->runSheet = [](Action& working, const QString&) {
        working.Code().code = "$FORM{'name'}[0] = 'anonymous';\r\n";
        return true;
    };
    conditionPage->List()->NewAction(ActionType::PerlCodeBlock);
    Leave(*conditionPage);
    made.push_back(condition);

    Action generated = New(ActionType::GenerateHtmlForm, "Generated");
    auto generatedPage = CreateActionPage(generated, *m_context);
    generatedPage->Load();
    generatedPage->findChild<QLineEdit*>()->setText("templates/entries.html");
    Leave(*generatedPage);
    made.push_back(generated);

    Action post = New(ActionType::PostHtmlForm, "Again");
    auto* postPage = Open<PostFormPage>(post);
    postPage->PageEdit()->setText("guestbook.html");
    postPage->ReadPage();
    Leave(*postPage);
    made.push_back(post);
}

std::vector<Action> ActionPagesTest::EveryKind()
{
    std::vector<Action> made;
    AddRecordKinds(made);
    AddMessageKinds(made);
    AddScriptKinds(made);
    return made;
}

void ActionPagesTest::everyKindBuildsAScriptPerlAccepts()
{
    std::vector<Action> made = EveryKind();
    QCOMPARE(made.size(), size_t(kActionTypeCount));
    for (int type = 0; type < kActionTypeCount; ++type)
        QVERIFY(std::any_of(made.begin(), made.end(),
                            [type](const Action& action) { return static_cast<int>(action.type) == type; }));
    m_project.CurrentForm()->handlers[0].actions = made;
    const std::string script = BuildScript();
    // The build has Perl compile the script before it writes it.
    QVERIFY2(!script.empty(), qPrintable(m_prompter.Failures().join("\n")));
    // The project keeps every action through a save and a load.
    ProjectDocument document(m_prompter);
    document.Content() = m_project;
    QVERIFY(document.SaveProject(m_projectFile));
    ProjectDocument reread(m_prompter);
    QVERIFY(reread.LoadProject(m_projectFile));
    const ActionList& back = reread.Content().CurrentForm()->handlers[0].actions;
    QCOMPARE(back.size(), made.size());
    for (size_t i = 0; i < made.size(); ++i) {
        if (made[i].type != ActionType::SetHttpCookies) {
            QVERIFY2(back[i] == made[i], made[i].name.c_str());
            continue;
        }
        // A stored code block comes back with a line end after its last line.
        QVERIFY(LoadCookies(back[i].Cookie().code) == LoadCookies(made[i].Cookie().code));
        QCOMPARE(back[i].Cookie().expiry, made[i].Cookie().expiry);
    }
    CheckPrompter();
}

void ActionPagesTest::sheetKeepsTheUserOnAPageThatFailsItsCheck()
{
    Action response = New(ActionType::RespondToBrowser, "Answer");
    PropertySheet sheet("Edit Action");
    std::unique_ptr<PropertyPage> page = CreateActionPage(response, *m_context, &sheet);
    sheet.AddPage(page.get());
    m_prompter.ExpectShow(FormatMessage(Msg::NoRedirectUrl));
    bool stayed = false;
    QTimer::singleShot(0, &sheet, [&] {
        sheet.accept();
        stayed = sheet.isVisible();
        static_cast<BrowserResponsePage*>(page.get())->UrlEdit()->setText("http://example.org/");
        sheet.accept();
    });
    QCOMPARE(sheet.exec(), int(QDialog::Accepted));
    QVERIFY(stayed);
    QCOMPARE(response.Response().url, std::string("http://example.org/"));
    CheckPrompter();
}

QUILLET_UI_TEST_MAIN(ActionPagesTest)
#include "tst_actionpages.moc"
