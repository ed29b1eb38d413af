#include "generator/QueryReport.h"
#include "project/Action.h"
#include "project/Messages.h"
#include "project/Prompter.h"
#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

constexpr const char* kPage = R"(<html><body>
<form name="other" action="x.cgi"><input name="wrong"></form>
<FORM name="entries" method="post" action="/cgi-bin/book.cgi">
<input type="checkbox" name="colour" value="red"><input type="checkbox" name="colour" value="blue">
<input type="text" name="size"><input type="text">
<input type="radio" name="pick" value="1"><input type="radio" name="pick" value="2"><input type="radio" name="pick" value="3">
<textarea name="note"></textarea><select name="list"><option>a</select>
<input type="submit" name="Sign"><input type="submit" name="Show"><input type="reset" name="clear">
</form></body></html>)";

ReportContext Context()
{
    ReportContext context;
    context.queries = {{"Entries", {"name", "email"}, 3}, {"Other", {"x"}, 10}};
    context.handlerName = "Show";
    ReadFormForReport(context, kPage, "entries");
    return context;
}

TEST(QueryReport, RepeatRaisesRowNumbersUpToTheLastRowOfThePage)
{
    ReportContext context = Context();
    ReportGrid grid(1, 2);
    grid.Cell(0, 0).text = "$Entries->{index}[0]";
    grid.Cell(0, 1).text = "<b>$Entries->{rows}[0]{'name'}</b> $Missing->{rows}[0]{'x'} $Other->{rows}[0]{'x'}";
    CellRange block{0, 0, 0, 1};
    std::vector<std::string> indexes;
    for (int i = 0; i < 3; ++i) {
        block = RepeatCells(grid, context, block, Direction::Down);
        indexes.push_back(grid.Cell(block.top, 0).text);
    }
    EXPECT_EQ(indexes,
              (std::vector<std::string>{"$Entries->{index}[1]", "$Entries->{index}[2]", "$Entries->{index}[2]"}));
    EXPECT_EQ(grid.Cell(2, 1).text,
              "<b>$Entries->{rows}[2]{'name'}</b> $Missing->{rows}[0]{'x'} $Other->{rows}[2]{'x'}");
    EXPECT_EQ(grid.Rows(), 4);

    CellRange across = RepeatCells(grid, context, {0, 0, 0, 0}, Direction::Across);
    EXPECT_EQ(across.left, 1);
    EXPECT_EQ(grid.Cell(0, 1).text, "$Entries->{index}[1]");
    EXPECT_EQ(RaiseRowNumbers("x->{rows}[0] $Entries->{rows}[] $Entries->{index}[12]", context),
              "x->{rows}[0] $Entries->{rows}[] $Entries->{index}[12]");
}

TEST(QueryReport, FormWalkCountsARepeatedNameOnceAndSkipsUnnamedFields)
{
    ReportContext context = Context();
    EXPECT_EQ(context.FormFieldWalk(),
              (std::vector<std::string>{"colour", "size", "pick", "note", "list", "Sign", "Show", "clear"}));
    test::ScriptedPrompter prompter;
    ReportGrid grid(1, 1);
    ASSERT_TRUE(InsertValues(grid, context, context.DataObjectCount() - 1, 0, 0, Direction::Down, prompter));
    EXPECT_EQ(grid.Rows(), 8);
    EXPECT_EQ(grid.Cell(2, 0).text, "@{$FORM{'pick'}}");
    context.fieldNames = {"a&amp;b"};
    ASSERT_TRUE(InsertValues(grid, context, context.DataObjectCount() - 1, 0, 0, Direction::Down, prompter));
    EXPECT_EQ(grid.Cell(0, 0).text, "@{$FORM{'a&b'}}");
}

TEST(QueryReport, InsertCommandsWalkFromTheFocusedCell)
{
    ReportContext context = Context();
    test::ScriptedPrompter prompter;
    ReportGrid grid(2, 2);
    ASSERT_TRUE(InsertNames(grid, context, 0, 0, 1, Direction::Across, prompter));
    ASSERT_TRUE(InsertValues(grid, context, 0, 1, 1, Direction::Across, prompter));
    ASSERT_TRUE(InsertIndex(grid, context, 0, 1, 0, Direction::Down, prompter));
    EXPECT_EQ(grid.Columns(), 3);
    EXPECT_EQ(grid.Rows(), 4);
    EXPECT_EQ(grid.Cell(0, 2).text, "email");
    EXPECT_EQ(grid.Cell(1, 2).text, "$Entries->{rows}[0]{'email'}");
    EXPECT_EQ(grid.Cell(3, 0).text, "$Entries->{index}[2]");

    const ReportGrid before = grid;
    for (Msg message : {Msg::SelectDataObject, Msg::SelectDataObject, Msg::SelectQueryAction, Msg::SelectQueryAction})
        prompter.ExpectShow(FormatMessage(message));
    EXPECT_FALSE(InsertValues(grid, context, -1, 0, 0, Direction::Down, prompter));
    EXPECT_FALSE(InsertNames(grid, context, -1, 0, 0, Direction::Down, prompter));
    EXPECT_FALSE(InsertIndex(grid, context, 2, 0, 0, Direction::Down, prompter));
    EXPECT_FALSE(InsertPagingLink(grid, context, 2, 0, 0, PagingLink::Next, prompter));
    EXPECT_EQ(grid, before);
    EXPECT_TRUE(prompter.Done());
}

TEST(QueryReport, PagingLinkAndForm)
{
    ReportContext context = Context();
    EXPECT_EQ(PagingLinkMarkup(context, context.queries[0], PagingLink::Previous),
              "<a href=# onClick=\"document.mCache.Entries_from.value='$Entries->{prev}'; "
              "this.href='JavaScript:document.mCache.submit()'\"><image src=\"/images/quillet/prev.gif\" border = 0> "
              "Previous</a>");
    EXPECT_EQ(BuildPagingForm(context), "<FORM name=\"mCache\" method=\"post\" action=\"/cgi-bin/book.cgi\">\n"
                                        "<input name=\"Entries_from\" type=\"hidden\" value=\"$Entries->{from}\">\n"
                                        "<input name=\"Other_from\" type=\"hidden\" value=\"$Other->{from}\">\n"
                                        "<input name=\"colour\" type=\"hidden\" value=\"$FORM{'colour'}[0]\">\n"
                                        "<input name=\"colour\" type=\"hidden\" value=\"$FORM{'colour'}[1]\">\n"
                                        "<input name=\"size\" type=\"hidden\" value=\"$FORM{'size'}[0]\">\n"
                                        "<input name=\"pick\" type=\"hidden\" value=\"$FORM{'pick'}[0]\">\n"
                                        "<input name=\"pick\" type=\"hidden\" value=\"$FORM{'pick'}[1]\">\n"
                                        "<input name=\"pick\" type=\"hidden\" value=\"$FORM{'pick'}[2]\">\n"
                                        "<input name=\"note\" type=\"hidden\" value=\"$FORM{'note'}[0]\">\n"
                                        "<input name=\"list\" type=\"hidden\" value=\"$FORM{'list'}[0]\">\n"
                                        "<input name=\"Show\" type=\"hidden\" value=\"$FORM{'Show'}[0]\">\n"
                                        "</form>\n");
    // The editor of a handler's actions finds the handler, inside conditions too.
    Form form{"book.html", "book", {{"Sign", {}}, {"Show", {*CreateAction(10)}}}};
    const ActionList& nested = form.handlers[1].actions[0].Condition().actions;
    EXPECT_EQ(form.HandlerHolding(nested), &form.handlers[1]);
    EXPECT_EQ(form.HandlerHolding(ActionList()), nullptr);
    context.handlerName.clear();
    const std::string unknown = BuildPagingForm(context);
    EXPECT_EQ(unknown.find("name=\"Sign\""), std::string::npos) << unknown;
    EXPECT_EQ(unknown.find("name=\"Show\""), std::string::npos) << unknown;
}

ReportGrid DesignedGrid()
{
    ReportGrid grid(3, 3);
    grid.Table() = {1, 0, 4, "#10a0ff"};
    grid.SetColumnWidth(0, 40);
    grid.SetColumnWidth(2, 200);
    grid.Cell(0, 0).text = "Name";
    grid.Cell(0, 0).font = {"Helvetica", 14, "#ff0000", true, true, true, true};
    grid.Cell(0, 0).background = "#eeeeee";
    grid.Cell(0, 1).text = "Mail <i>address</i>";
    grid.Cell(0, 1).align = HorizontalAlign::Center;
    grid.Cell(0, 1).valign = VerticalAlign::Bottom;
    grid.SetSpan(0, 1, 1, 2);
    grid.SetColumnWidth(1, 0);
    grid.Cell(1, 0).text = "$Entries->{rows}[0]{'name'}";
    grid.SetSpan(1, 0, 2, 1);
    grid.Cell(1, 1).text = "a\nb";
    grid.Cell(1, 1).valign = VerticalAlign::Middle;
    grid.Cell(1, 2).align = HorizontalAlign::Right;
    grid.Cell(2, 1).text = PagingLinkMarkup(Context(), Context().queries[0], PagingLink::Next);
    grid.Cell(2, 2).text = "<table><tr><td>inner</td></tr></table>";
    return grid;
}

TEST(QueryReport, WrittenTableReadsBackAsTheSameGrid)
{
    const ReportGrid grid = DesignedGrid();
    const std::string markup = WriteReportTable(grid);
    EXPECT_EQ(ReadReportTable(markup), grid) << markup;
    EXPECT_EQ(WriteReportTable(ReadReportTable(markup)), markup);
    EXPECT_NE(markup.find("<td width=\"40\" bgcolor=\"#eeeeee\" style=\"font-family:Helvetica; font-size:14pt; "
                          "color:#ff0000\"><b><i><u><s>Name</s></u></i></b></td>"),
              std::string::npos)
        << markup;

    ReportGrid quoted(1, 1);
    quoted.Cell(0, 0).font.face = "Ari\"al; x";
    quoted.Cell(0, 0).background = " \"#fff\" ";
    EXPECT_EQ(WriteReportTable(quoted),
              "<table>\n<tr>\n<td bgcolor=\"#fff\" style=\"font-family:Arial x\"></td>\n</tr>\n</table>");

    ReportGrid wide = grid;
    wide.Grow(12, 9);
    EXPECT_EQ(WriteReportTable(wide), markup) << "empty margins of the dialog's grid are not written";
}

TEST(QueryReport, ReadsTablesWrittenByHand)
{
    const ReportGrid grid = ReadReportTable(
        "<TABLE BORDER=2 bgcolor=white>\n  <TR><TH width=\"50\" valign=center style='font-weight: bold; "
        "font-style:italic; font-size:9pt'> <FONT face=Courier size=3 color=blue>Head</FONT> </TH>"
        "<TD ROWSPAN=2 align=RIGHT><STRONG>x</STRONG> &amp; <u>y</u></TD>\n  <TR><TD>next row<TD>third\n</TABLE> tail");
    ASSERT_EQ(grid.Rows(), 2);
    ASSERT_EQ(grid.Columns(), 3);
    EXPECT_EQ(grid.Table().border, 2);
    EXPECT_EQ(grid.Table().background, "white");
    EXPECT_EQ(grid.ColumnWidth(0), 50);
    const ReportCell& head = grid.Cell(0, 0);
    EXPECT_EQ(head.text, "Head");
    EXPECT_EQ(head.valign, VerticalAlign::Middle);
    EXPECT_EQ(head.font, (ReportFont{"Courier", 12, "blue", true, true, false, false}));
    EXPECT_EQ(grid.Cell(0, 1).text, "x &amp; <u>y</u>") << "only marks that open the cell set its font";
    EXPECT_EQ(grid.Cell(0, 1).align, HorizontalAlign::Right);
    EXPECT_TRUE(grid.Cell(0, 1).font.bold);
    EXPECT_TRUE(grid.IsCovered(1, 1));
    EXPECT_EQ(grid.Cell(1, 0).text, "next row");
    EXPECT_EQ(grid.Cell(1, 2).text, "third") << "a cell under a row span moves right";

    EXPECT_EQ(ReadReportTable("no table here"), ReportGrid(1, 1));
    const ReportGrid huge = ReadReportTable("<table><tr><td rowspan=100000 colspan=99999>x</table>");
    EXPECT_LE(huge.Rows(), kMaxSpan);
    EXPECT_LE(huge.Columns(), kMaxSpan);
}

TEST(QueryReport, StoringCreatesTheContainerAtTheCaretAndReplacesItsTableLater)
{
    const ReportContext context = Context();
    std::string text = "<html><body>\n<h1>Entries</h1>\n</body></html>\n";
    const size_t caret = text.find("</body>");
    ReportGrid grid(1, 1);
    grid.Cell(0, 0).text = "plain";
    StoreReport(text, caret, grid, context);
    EXPECT_EQ(text, "<html><body>\n<h1>Entries</h1>\n<span name=\"QUILLET_QUERY_REPORT\">\n" + WriteReportTable(grid) +
                        "</span></body></html>\n");
    EXPECT_EQ(WriteReportTable(LoadReport(text)), WriteReportTable(grid));

    const ReportGrid designed = DesignedGrid();
    StoreReport(text, 0, designed, context);
    StoreReport(text, 0, designed, context);
    EXPECT_EQ(WriteReportTable(LoadReport(text)), WriteReportTable(designed));
    const std::string form = BuildPagingForm(context);
    ASSERT_NE(text.find("</span>\n" + form), std::string::npos) << text;
    EXPECT_EQ(text.find("name=\"mCache\""), text.rfind("name=\"mCache\"")) << "one paging form only";
    EXPECT_EQ(text.find("plain"), std::string::npos);
    EXPECT_TRUE(text.starts_with("<html><body>\n<h1>Entries</h1>\n<span"));
    EXPECT_TRUE(text.ends_with("</form>\n</body></html>\n"));
}

TEST(QueryReport, AReportIsNeverPlacedInsideATag)
{
    const ReportContext context = Context();
    std::string text = "<p class=\"x\">text</p>";
    ASSERT_TRUE(StoreReport(text, 5, ReportGrid(1, 1), context));
    EXPECT_TRUE(text.starts_with("<p class=\"x\"><span name=\"QUILLET_QUERY_REPORT\">")) << text;

    std::string open = "<p>text</p><input value=\"never closed";
    const std::string before = open;
    EXPECT_FALSE(StoreReport(open, open.size(), ReportGrid(1, 1), context));
    EXPECT_EQ(open, before);
}

TEST(QueryReport, ASpanEndInsideACellDoesNotEndTheContainer)
{
    std::string text = "<span name=\"QUILLET_QUERY_REPORT\"><table><tr><td>a</span>b</td></tr></table></span>tail";
    ReportGrid grid = LoadReport(text);
    EXPECT_EQ(grid.Cell(0, 0).text, "a</span>b");
    grid.Cell(0, 0).text = PagingLinkMarkup(Context(), Context().queries[0], PagingLink::First);
    ASSERT_TRUE(StoreReport(text, 0, grid, Context()));
    EXPECT_NE(text.find("</table></span>\n<FORM name=\"mCache\""), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("</form>\ntail"));
}

TEST(QueryReport, ContextTakesSelectActionsOfTheHandler)
{
    Action select{ActionType::SelectRecords, "Rows", RecordAction{"db", "t", 5, {{"t", "a", 0, "", "", ""}}, {}}};
    Action nested = select;
    nested.name = "Inner";
    Action condition{ActionType::ConditionalStatement, "If", ConditionAction{{}, {nested}}};
    Action insert{ActionType::InsertRecord, "Add", RecordAction{}};
    Handler handler{"Show", {insert, select, condition}};
    ReportContext fromHandler = MakeReportContext(handler);
    EXPECT_EQ(fromHandler.handlerName, "Show");
    ASSERT_EQ(fromHandler.queries.size(), 2u);
    EXPECT_EQ(fromHandler.queries[0].columns, std::vector<std::string>{"a"});
    EXPECT_EQ(fromHandler.queries[0].rowsPerPage, 5);
    EXPECT_EQ(fromHandler.queries[1].name, "Inner");

    EXPECT_EQ(LoadReport("<span name=quillet_query_report>\n</span>"), ReportGrid(1, 1));
    ReportContext context;
    ReadFormForReport(context, "<p>no form</p>", "x");
    EXPECT_TRUE(context.formTag.empty());
    EXPECT_EQ(BuildPagingForm(context), "<form name=\"mCache\" method=\"post\">\n</form>\n");
}

} // namespace
