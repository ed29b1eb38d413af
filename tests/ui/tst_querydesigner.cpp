#include "UiTestSupport.h"
#include "generator/pages/QueryReportDialog.h"
#include "html/pages/TemplateEditor.h"
#include "project/Action.h"
#include "project/Messages.h"

#include <QApplication>
#include <QComboBox>
#include <QTableWidget>
#include <QTimer>

using namespace quillet;
using test::UiPrompter;

namespace {

// The dialog with its choosers answered by the test.
class AnsweredDialog : public QueryReportDialog {
public:
    using QueryReportDialog::QueryReportDialog;

    std::optional<int> width;
    std::optional<ReportFont> font;
    std::optional<std::string> color;
    ReportTableProperties table;
    int shownWidth = -1;
    ReportFont shownFont;

protected:
    std::optional<int> AskWidth(int shown) override
    {
        shownWidth = shown;
        return width;
    }
    std::optional<ReportFont> AskFont(const ReportFont& start) override
    {
        shownFont = start;
        return font;
    }
    std::optional<std::string> AskColor(const std::string&) override { return color; }
    bool AskTable(ReportTableProperties& properties) override
    {
        properties = table;
        return true;
    }
};

ReportContext Context()
{
    ReportContext context;
    context.queries = {{"Rows", {"a", "b"}, 2}};
    context.handlerName = "Go";
    ReadFormForReport(context, "<form name=f><input name=q><input type=submit name=Go></form>", "f");
    return context;
}

void Select(QTableWidget* table, int top, int left, int bottom, int right)
{
    table->clearSelection();
    table->setCurrentCell(top, left);
    table->setRangeSelected(QTableWidgetSelectionRange(top, left, bottom, right), true);
}

// Types into the first cell of the report dialog once it is shown, then presses OK or Cancel.
void AnswerWhenShown(const QString& typed, bool ok = true)
{
    QTimer::singleShot(20, [typed, ok] {
        auto* dialog = qobject_cast<QueryReportDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            AnswerWhenShown(typed, ok);
            return;
        }
        dialog->Table()->item(0, 0)->setText(typed);
        ok ? dialog->accept() : dialog->reject();
    });
}

} // namespace

class QueryDesignerTest : public QObject {
    Q_OBJECT

private slots:
    void commandsNeedAQueryObject()
    {
        const ReportContext context = Context();
        UiPrompter prompter;
        AnsweredDialog dialog(context, ReportGrid(1, 1), prompter);
        QCOMPARE(dialog.DataList()->currentText().toStdString(), context.queries.front().name);
        dialog.DataList()->setCurrentIndex(dialog.DataList()->findText("FORM"));
        prompter.ExpectShow(FormatMessage(Msg::SelectQueryAction));
        dialog.InsertIndexCommand(Direction::Down);
        dialog.InsertNamesCommand(Direction::Down);
        QCOMPARE(dialog.Table()->item(1, 0)->text(), QString("Go"));
        QVERIFY2(prompter.Done() && prompter.Failures().isEmpty(), qPrintable(prompter.Failures().join('\n')));
    }

    void formatCommandsApplyToTheSelection()
    {
        const ReportContext context = Context();
        UiPrompter prompter;
        ReportGrid grid(2, 2);
        grid.Cell(0, 0).font.face = "Serif";
        grid.SetColumnWidth(1, 70);
        AnsweredDialog dialog(context, grid, prompter);
        QTableWidget* table = dialog.Table();
        table->item(1, 1)->setText("kept");

        Select(table, 0, 0, 0, 0);
        dialog.font = ReportFont{"Mono", 9, "#00ff00", true, false, true, false};
        dialog.FontCommand();
        QCOMPARE(dialog.shownFont.face, std::string("Serif"));
        Select(table, 0, 1, 1, 1);
        dialog.width = 120;
        dialog.CellWidthCommand();
        QCOMPARE(dialog.shownWidth, 70);
        Select(table, 0, 0, 1, 2);
        dialog.width.reset();
        dialog.CellWidthCommand();
        QCOMPARE(dialog.shownWidth, 0);
        dialog.color = "#123456";
        dialog.BackgroundCommand();
        dialog.AlignCommand(HorizontalAlign::Right);
        dialog.VerticalAlignCommand(VerticalAlign::Bottom);
        dialog.table = {3, 1, 2, "#abcdef"};
        dialog.EditTableCommand();
        Select(table, 0, 0, 1, 0);
        dialog.MergeCommand();
        QCOMPARE(table->rowSpan(0, 0), 2);

        const ReportGrid result = dialog.Grid();
        QCOMPARE(result.Cell(0, 0).font, (ReportFont{"Mono", 9, "#00ff00", true, false, true, false}));
        QCOMPARE(result.Cell(1, 1).text, std::string("kept"));
        QCOMPARE(result.Cell(1, 1).background, std::string("#123456"));
        QCOMPARE(result.Cell(1, 2).align, HorizontalAlign::Right);
        QCOMPARE(result.Cell(0, 2).valign, VerticalAlign::Bottom);
        QCOMPARE(result.ColumnWidth(1), 120);
        QCOMPARE(result.ColumnWidth(0), 0);
        QVERIFY(result.IsCovered(1, 0));
        QCOMPARE(result.Table().border, std::optional<int>(3));
        QVERIFY(WriteReportTable(result).starts_with(
            "<table border=\"3\" cellspacing=\"1\" cellpadding=\"2\" bgcolor=\"#abcdef\">"));
        dialog.SplitCommand();
        QCOMPARE(table->rowSpan(0, 0), 1);
    }

    void insertQueryReportInTheTemplateEditorOpensTheDesigner()
    {
        InstallQueryReportDesigner();
        Action select{ActionType::SelectRecords, "Rows", RecordAction{"db", "t", 2, {{"t", "a", 0, "", "", ""}}, {}}};
        const ActionList actions = {select};
        TemplateEditor editor(nullptr, &actions);
        editor.SetText("<p>before</p>\n<p>after</p>\n");
        auto placeCaret = [&editor] {
            QTextCursor cursor = editor.textCursor();
            cursor.setPosition(static_cast<int>(std::string("<p>before</p>\n").size()));
            editor.setTextCursor(cursor);
        };
        placeCaret();
        AnswerWhenShown("typed", false);
        editor.InsertQueryReport();
        QCOMPARE(editor.Text(), std::string("<p>before</p>\n<p>after</p>\n"));

        placeCaret();
        AnswerWhenShown("");
        editor.InsertQueryReport();
        QCOMPARE(QString::fromStdString(editor.Text()),
                 QString("<p>before</p>\n$Rows->{DefaultReport}\n<p>after</p>\n"));

        editor.SetText("<p>before</p>\n<p>after</p>\n");
        placeCaret();
        AnswerWhenShown("typed");
        editor.InsertQueryReport();
        const std::string text = editor.Text();
        QVERIFY2(text.starts_with("<p>before</p>\n<span name=\"QUILLET_QUERY_REPORT\">\n<table>\n<tr>\n<td>typed</td>"),
                 text.c_str());
        QVERIFY(text.ends_with("</span><p>after</p>\n"));
        QCOMPARE(LoadReport(text).Cell(0, 0).text, std::string("typed"));
    }
};

QTEST_MAIN(QueryDesignerTest)
#include "tst_querydesigner.moc"
