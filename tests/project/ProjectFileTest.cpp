#include "project/ProjectFile.h"
#include "project/Action.h"
#include "project/Project.h"
#include "project/ProjectDocument.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::ReadBytes;
using quillet::test::TempDir;

namespace {

std::string Serialize(const Project& project)
{
    ProjectWriter out;
    WriteProject(out, project);
    return std::string(out.DiskText());
}

Project Parse(const std::string& text)
{
    ProjectReader in(text);
    Project project;
    EXPECT_TRUE(ReadProject(in, project));
    return project;
}

Action Make(ActionType type, const std::string& name)
{
    Action a = *CreateAction(static_cast<long>(type));
    a.name = name;
    return a;
}

// The two-line "Perl Code Block" project, as the file format documents it.
std::string SmallProjectFile()
{
    const char* texts[] = {"SERVER_PERL",       "SERVER_TABLIX_IP", "SERVER_EXT",         "SERVER_IP",
                           "SERVER_USER",       "SERVER_PASSWD",    "SERVER_HTMLPATH",    "SERVER_HTMLURL",
                           "SERVER_CGIPATH",    "SERVER_CGIURL",    "SERVER_TABLIX_USER", "SERVER_TABLIX_PASSWD",
                           "SERVER_HTMLEDITOR", "SERVER_UPLOAD",    "SERVER_TEXTEDITOR",  "SERVER_CGIWRAP"};
    std::string f = "SERVER_SERVER=Others\r\n0 0\r\n";
    for (const char* key : texts)
        f += std::string(key) + "=\r\n0 0\r\n";
    f += "SERVER_TABLIX_PERMISSION=0\r\nBUILD_PORTABLE=0\r\nFTP_PASSIVE=0\r\nDBASE_FILE=\r\n0 0\r\nDNS=\r\n0 0\r\n"
         "DATASOURCES\r\nFORM_FILE=C:\\web\\order.html\r\n0 0\r\nFORM_NAME=form1\r\n0 0\r\nTRANSDEF_NUM=1\r\n"
         "TRANSDEF_NAME=Submit\r\nACTION_NUM=1\r\nACTION_TYPE=7\r\nACTION_NAME=Action1\r\nACTION_SIZE=11\r\n"
         "ACTION_CODE=$a=1;\r\n$b=2;\r\n";
    return f;
}

} // namespace

TEST(ProjectFile, SmallProjectIsWrittenByteForByte)
{
    Project project;
    project.settings.serverType = "Others";
    Form& form = project.forms.emplace_back();
    form.pageFile = "C:\\web\\order.html";
    form.formName = "form1";
    Handler& handler = form.handlers.emplace_back();
    handler.name = "Submit";
    Action code = Make(ActionType::PerlCodeBlock, "Action1");
    code.Code().code = "$a=1;\r\n$b=2;";
    handler.actions.push_back(code);

    TempDir dir;
    ProjectWriter out;
    WriteProject(out, project);
    ASSERT_TRUE(out.Commit(dir.File("small.prj")));
    std::string bytes = ReadBytes(dir.File("small.prj"));
    EXPECT_EQ(bytes, SmallProjectFile());
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 54);

    EXPECT_EQ(Parse(bytes), project);
}

namespace {

CriteriaList SampleCriteria()
{
    Criterion age{"people", "age", {{">", "18"}, {"", ""}}};
    Criterion name{"", "name", {{"=", "$FORM{'name'}[0]"}, {"LIKE", "A%"}}};
    return {age, name};
}

Form NestedForm(int depth);

ActionList EveryAction(int depth)
{
    ActionList list;
    for (int t = 0; t < kActionTypeCount; ++t) {
        Action a = *CreateAction(t);
        a.name = "Action" + std::to_string(t + 1);
        if (a.IsRecord()) {
            a.Record() = {
                "db1", "people", 25, {{"people", "name", 3, "COUNT", "$FORM{'n'}[0]", "Name"}}, SampleCriteria()};
        } else if (a.IsMail()) {
            MailAction& m = a.Mail();
            m = {"mail.txt", 1, "Web", "a@b.c", "$FORM{'to'}[0]", "cc@b.c", "Hi", "smtp.b.c", "pop", "u", "p", 1, {}};
            for (int i = 0; i < 3; ++i)
                m.attachments.push_back({"text/plain", "7bit", "FILE", "att" + std::to_string(i) + ".txt", i % 2, 1});
        } else if (a.type == ActionType::ReadWriteFile) {
            a.File() = {1, "row.txt", "data_$FORM{'id'}[0].txt"};
        } else if (a.type == ActionType::RespondToBrowser) {
            a.Response() = {"thanks.html", 1, "http://example.org/?a=b"};
        } else if (a.type == ActionType::PerlCodeBlock) {
            a.Code().code = "my $x = 1;\r\n\r\nprint $x;\r\n";
        } else if (a.type == ActionType::SetHttpCookies) {
            a.Cookie() = {"user=$FORM{'u'}[0]\r\n", 30, 1};
        } else if (a.type == ActionType::GenerateHtmlForm) {
            a.FormBody().form.pageFile = "gen.html";
        } else if (a.type == ActionType::ConditionalStatement) {
            a.Condition().criteria = SampleCriteria();
            if (depth < 3)
                a.Condition().actions = EveryAction(depth + 1);
        } else if (a.type == ActionType::PostHtmlForm && depth < 3) {
            a.FormBody().form = NestedForm(depth + 1);
        }
        list.push_back(std::move(a));
    }
    return list;
}

Form NestedForm(int depth)
{
    Form form;
    form.pageFile = "page" + std::to_string(depth) + ".html";
    form.formName = "form" + std::to_string(depth);
    form.handlers.push_back({"Save", EveryAction(depth)});
    form.handlers.push_back({"Cancel", {}});
    return form;
}

Project FullProject()
{
    Project p;
    p.settings.serverType = "Others";
    p.settings.perlPath = "/usr/bin/perl";
    p.settings.homePageUrl = "http://example.org/shop/index.html";
    p.settings.ftpPassive = 1;
    p.settings.tablixPermission = 123456789;
    p.settings.dnsServers = "ns1.example.org,ns2.example.org";
    DataSource ds;
    ParseDsn("db1:DBI:mysql:shop;host=dbhost;port=3306;user=web;pass=secret", ds);
    ColumnDef id{"id", "INT", 11, "NOT NULL", "PRIMARY KEY", {}, "", 0, 0, 0};
    ColumnDef size{"size", "ENUM", 0, "NULL", "", {{"a"}, {"b"}, {"c"}}, "b", 0, 0, 0};
    ds.tables.push_back({"people", "MyISAM", {id, size}});
    p.dataSources.push_back(ds);
    p.forms.push_back(NestedForm(1));
    p.forms.push_back(Form{"second.html", "f2", {}});
    return p;
}

} // namespace

TEST(ProjectFile, EveryRecordKindSurvivesSaveLoadSave)
{
    Project project = FullProject();
    std::string first = Serialize(project);
    Project read = Parse(first);
    EXPECT_EQ(read, project);
    EXPECT_EQ(Serialize(read), first);
}

TEST(ProjectFile, EmptyCodeAndAttachmentsKeepTheNextActionInPlace)
{
    Project project;
    ActionList& list = project.forms.emplace_back().handlers.emplace_back().actions;
    list.push_back(Make(ActionType::PerlCodeBlock, "Empty"));
    list.push_back(Make(ActionType::SendEmail, "NoAttachments"));
    Action file = Make(ActionType::ReadWriteFile, "After");
    file.File().dataFile = "rows.txt";
    list.push_back(file);
    std::string text = Serialize(project);
    EXPECT_NE(text.find("ACTION_SIZE=0\r\nACTION_CODE=\r\nACTION_TYPE=4\r\n"), std::string::npos);
    EXPECT_NE(text.find("ACTION_BAUTH=0\r\nACTION_TYPE=5\r\n"), std::string::npos);
    EXPECT_EQ(Parse(text), project);
}

TEST(ProjectFile, GenerateHtmlFormKeepsOnlyItsPage)
{
    Action gen = Make(ActionType::GenerateHtmlForm, "Gen");
    gen.FormBody().form = NestedForm(1);
    Project project;
    project.forms.emplace_back().handlers.emplace_back().actions.push_back(gen);
    Project read = Parse(Serialize(project));
    const Form& kept = read.forms[0].handlers[0].actions[0].FormBody().form;
    EXPECT_EQ(kept.pageFile, "page1.html");
    EXPECT_TRUE(kept.handlers.empty());
    EXPECT_TRUE(kept.formName.empty());
}

TEST(ProjectFile, TolerantReadingOfFormBlocks)
{
    std::string head = Serialize(Project());
    struct Case {
        const char* name;
        std::string tail;
        size_t forms;
        size_t handlersOfFirst;
    } cases[] = {
        {"no handlers, next form follows",
         "FORM_FILE=a\n0 0\nFORM_NAME=f\n0 0\nTRANSDEF_NUM=0\nFORM_FILE=b\n0 0\nFORM_NAME=g\n0 0\nTRANSDEF_NUM=0\n", 2,
         0},
        {"DATASOURCES before the handler count",
         "FORM_FILE=a\n0 0\nFORM_NAME=f\n0 0\nDATASOURCES\nTRANSDEF_NUM=1\nTRANSDEF_NAME=Go\nACTION_NUM=0\n", 1, 1},
        {"missing ACTION_NUM reads as empty list",
         "FORM_FILE=a\n0 0\nFORM_NAME=f\n0 0\nTRANSDEF_NUM=2\nTRANSDEF_NAME=Go\nTRANSDEF_NAME=Stop\nACTION_NUM=0\n", 1,
         2},
    };
    for (const Case& c : cases) {
        Project p = Parse(head + c.tail);
        ASSERT_EQ(p.forms.size(), c.forms) << c.name;
        if (c.forms > 0) {
            EXPECT_EQ(p.forms[0].handlers.size(), c.handlersOfFirst) << c.name;
        }
    }
}

TEST(ProjectFile, MissingActionTypeReadsAsInsertRecord)
{
    Project p = Parse(Serialize(Project()) + "FORM_FILE=a\n0 0\nFORM_NAME=f\n0 0\nTRANSDEF_NUM=1\nTRANSDEF_NAME=Go\n"
                                             "ACTION_NUM=1\nACTION_NAME=Lost\nACTION_DSN=db1\n");
    ASSERT_EQ(p.forms.at(0).handlers.at(0).actions.size(), 1u);
    const Action& a = p.forms[0].handlers[0].actions[0];
    EXPECT_EQ(a.type, ActionType::InsertRecord);
    EXPECT_EQ(a.name, "Lost");
    EXPECT_EQ(a.Record().dataSource, "db1");
}

TEST(ProjectFile, NestingBeyondTheLimitIsRefused)
{
    std::string tail = "FORM_FILE=a\n0 0\nFORM_NAME=f\n0 0\nTRANSDEF_NUM=1\nTRANSDEF_NAME=Go\n";
    for (int i = 0; i < 5000; ++i)
        tail += "ACTION_NUM=1\nACTION_TYPE=10\nACTION_NAME=C\nCRITERIA_NUMCRIS=0\n";
    tail += "ACTION_NUM=0\n";
    ProjectReader in(Serialize(Project()) + tail);
    Project p;
    EXPECT_FALSE(ReadProject(in, p));
    // The list at depth 65 opens on line 49 + 4 * 65.
    EXPECT_EQ(in.Error()->message, "Line 309: expected at most 64 nested action lists");
}

TEST(ProjectFile, CopyActionIsDeepAndOnlyBetweenEqualTypes)
{
    Action source = EveryAction(2)[10];
    Action target = Make(ActionType::ConditionalStatement, "T");
    CopyAction(target, source);
    EXPECT_EQ(target, source);
    target.Condition().actions[0].name = "Changed";
    EXPECT_NE(target, source);

    // Mail records live apart from the action; a copy must not share them.
    Action mail = EveryAction(0)[4];
    Action mailCopy = mail;
    mailCopy.Mail().attachments.pop_back();
    EXPECT_NE(mailCopy, mail);
    mailCopy = mail;
    EXPECT_EQ(mailCopy, mail);

    Action code = Make(ActionType::PerlCodeBlock, "Code");
    CopyAction(code, source);
    EXPECT_EQ(code.name, "Code");
    ReleaseAction(target);
    EXPECT_TRUE(target.Condition().actions.empty());
    EXPECT_FALSE(CreateAction(13));
    EXPECT_FALSE(CreateAction(-1));
}
