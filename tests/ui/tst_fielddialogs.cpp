#include "UiTestSupport.h"
#include "html/FormDiscovery.h"
#include "html/FormGenerator.h"
#include "html/HtmlTokenizer.h"
#include "html/HtmlWriter.h"
#include "html/pages/FieldPropertyDialogs.h"
#include "html/pages/TemplateEditor.h"
#include "project/Action.h"
#include "project/Messages.h"
#include "project/pages/AttachmentDialog.h"
#include "ui/pages/GridWidget.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QToolButton>

using namespace quillet;
using test::UiPrompter;

namespace {

QMenu* Submenu(QMenu& menu, const QString& title)
{
    for (QAction* action : menu.actions())
        if (action->menu() && action->text() == title)
            return action->menu();
    return nullptr;
}

QAction* Entry(QMenu& menu, const QString& text)
{
    for (QAction* action : menu.findChildren<QAction*>())
        if (action->text() == text)
            return action;
    return nullptr;
}

} // namespace

class FieldDialogsTest : public QObject {
    Q_OBJECT

private:
    UiPrompter m_prompter;

    void CheckPrompter() { QUILLET_VERIFY_PROMPTER(m_prompter); }

private slots:
    void inputControlChangesTypeWithinItsGroup()
    {
        HtmlPage page = ParseHtml("<input type=password name=pw value=x>");
        InputControlDialog dialog(page.front());
        QVERIFY(dialog.TypeButton(InputButton::PasswordBox)->isChecked());
        QVERIFY(!dialog.TypeButton(InputButton::SubmitButton)->isVisibleTo(&dialog));
        QVERIFY(!dialog.StateBox()->isEnabled());
        dialog.TypeButton(InputButton::HiddenTextBox)->click();
        dialog.accept();
        QCOMPARE(QString::fromStdString(WriteHtmlString(page)),
                 QString("<input TYPE=HIDDEN NAME=pw VALUE=x SIZE=\"\" MAXLENGTH=\"\">"));

        HtmlPage image = ParseHtml("<input type=submit name=go>");
        InputControlDialog buttons(image.front());
        QVERIFY(!buttons.ImageUrlBox()->isEnabled());
        buttons.TypeButton(InputButton::ImageButton)->click();
        QVERIFY(buttons.ImageUrlBox()->isEnabled());
        buttons.ImageUrlBox()->setText("go.png");
        buttons.accept();
        QCOMPARE(AttrValue(image.front(), "SRC"), std::string_view("go.png"));
    }

    void listBoxAddsDefaultsAndWrites()
    {
        HtmlPage page = NewFieldNodes(NewFieldKind::DropDownList, 1);
        ListBoxDialog dialog(page, page.begin(), m_prompter);
        dialog.Choices()->clearSelection();
        m_prompter.ExpectShow(std::string(MessageText(Msg::SelectDefaultOption)));
        dialog.SetDefault();
        dialog.AddItem();
        dialog.AddItem();
        QCOMPARE(dialog.Choices()->rowCount(), 3);
        dialog.Choices()->selectRow(2);
        dialog.SetDefault();
        QCOMPARE(dialog.Choices()->Text(2, 2), QString("SELECTED"));
        dialog.Choices()->SetText(0, 0, "First");
        dialog.MultipleButton()->setChecked(true);
        dialog.accept();
        QCOMPARE(QString::fromStdString(WriteHtmlString(page)),
                 QString("<SELECT NAME=\"Field1\" SIZE=\"\" MULTIPLE><OPTION VALUE=\"0\">First<OPTION VALUE=\"2\">Item2"
                         "<OPTION VALUE=\"3\" SELECTED>Item3</SELECT>"));
        CheckPrompter();
    }

    void textAreaWritesItsDefaultText()
    {
        HtmlPage page = NewFieldNodes(NewFieldKind::TextArea, 4);
        TextAreaDialog dialog(page, page.begin());
        QCOMPARE(dialog.NameBox()->text(), QString("Field4"));
        dialog.DefaultBox()->setPlainText("Your comments");
        dialog.accept();
        QCOMPARE(QString::fromStdString(WriteHtmlString(page)),
                 QString("<TEXTAREA NAME=\"Field4\" ROWS=5 COLS=40 MAXLENGTH=\"\">Your comments</TEXTAREA>"));
    }

    void templateMenuInsertsThroughTheClipboard()
    {
        std::string html = "<form>";
        for (int i = 0; i < 30; ++i)
            html += "<input name=f" + std::to_string(i) + ">";
        LoadedPage loaded;
        loaded.file.emplace("page.htm");
        loaded.file->Nodes() = ParseHtml(html + "</form>");
        loaded.formNode = loaded.file->Nodes().begin();
        Action select = *CreateAction(3);
        select.name = "Find";
        ActionList actions = {select};
        TemplateEditor editor(&loaded, &actions);
        std::unique_ptr<QMenu> menu(editor.CreateVariableMenu());
        QMenu* forms = Submenu(*menu, "Insert Form Variables");
        QVERIFY(forms);
        // Thirty variables and two fixed entries do not fit one column of 25.
        QCOMPARE(forms->actions().size(), 1);
        QAction* variable = Entry(*forms, "@{$FORM{'f29'}}");
        QVERIFY(variable);
        variable->trigger();
        QCOMPARE(editor.toPlainText(), QString("@{$FORM{'f29'}}"));
        QCOMPARE(QApplication::clipboard()->text(), QString("@{$FORM{'f29'}}"));

        QMenu* queries = Submenu(*menu, "Insert Query Variables");
        QVERIFY(queries);
        editor.SetText("");
        Entry(*queries, "$Find->{nrows}")->trigger();
        QCOMPARE(editor.toPlainText(), QString("$Find->{nrows}"));
        editor.SetText("");
        Entry(*menu, "Insert Query Report")->trigger();
        QCOMPARE(editor.toPlainText(), QString("$Find->{DefaultReport}\n"));

        QMenu* states = Submenu(*menu, "Insert Field States");
        QVERIFY(states && states->actions().size() == 1);
        QMenu* readIn = Submenu(*menu, "Insert Read-in Data");
        editor.SetText("");
        Entry(*readIn, "Insert All")->trigger();
        QCOMPARE(editor.toPlainText(), QString());

        editor.SetMenuKind(TemplateMenuKind::UploadOnly);
        std::unique_ptr<QMenu> uploads(editor.CreateVariableMenu());
        QVERIFY(Submenu(*uploads, "Insert File Upload Handle"));
        QVERIFY(!Submenu(*uploads, "Insert Form Variables"));
    }

    void attachmentTypeAndFiles()
    {
        QTemporaryDir folder;
        QString notes = folder.path() + "/notes.TXT";
        QFile file(notes);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("hello");
        file.close();
        test::ScriptedChooser chooser;
        FileChooser::SetCurrent(&chooser);

        Attachment attachment;
        AttachmentDialog dialog(attachment, m_prompter);
        chooser.answers << notes;
        dialog.OpenFile();
        QCOMPARE(dialog.Editor()->toPlainText(), QString("hello"));
        QCOMPARE(dialog.Working().contentType, std::string("text/plain"));
        dialog.Editor()->selectAll();
        dialog.Editor()->insertPlainText("changed");
        dialog.accept();
        QCOMPARE(attachment.encoding, std::string("7bit"));
        QCOMPARE(attachment.binaryMode, 0);
        QCOMPARE(attachment.kind, std::string("FILE"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("changed"));

        AttachmentDialog binary(attachment, m_prompter);
        QCOMPARE(binary.Editor()->toPlainText(), QString("changed"));
        binary.SetTextFile(false);
        QVERIFY(!binary.Editor()->isVisibleTo(&binary));
        QCOMPARE(binary.Working().contentType, std::string("application/octet-stream"));
        binary.accept();
        QCOMPARE(attachment.binaryMode, 1);
        QCOMPARE(attachment.encoding, std::string("base64"));

        AttachmentDialog modified(attachment, m_prompter);
        modified.SetTextFile(true);
        modified.Editor()->insertPlainText("again");
        chooser.answers << "";
        m_prompter.ExpectQuestion(FormatMessage(Msg::FileModifiedSave, {notes.toStdString()}), Prompter::Answer::No);
        modified.OpenFile();
        FileChooser::SetCurrent(nullptr);
        CheckPrompter();
    }
};

QTEST_MAIN(FieldDialogsTest)
#include "tst_fielddialogs.moc"
