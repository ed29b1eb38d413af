#include "generator/ActionEmitters.h"
#include "generator/HandlerGuards.h"
#include "project/Paths.h"
#include "project/ServerSettings.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::TempDir;
using quillet::test::WriteBytes;

namespace {

class Emitters : public ::testing::Test {
protected:
    Emitters() : context{settings, paths}
    {
        settings.cgiPath = "/cgi-bin";
        settings.cgiUrl = "http://www.example.org/cgi-bin";
        settings.ftpServer = "example.org:2121";
        paths.projectFile = dir.File("shop.prj");
        WriteBytes(dir.File("mail.txt"), "Hello $FORM{'name'}[0]\n");
        WriteBytes(dir.File("report.html"), "<p>$Report->{DefaultReport}</p>\n");
    }

    std::string Emit(const Action& action, bool* responded = nullptr)
    {
        ScriptPrinter out;
        bool answered = WriteAction(out, action, context);
        if (responded)
            *responded = answered;
        return out.Take();
    }

    static Action Make(ActionType type, const std::string& name)
    {
        Action a = *CreateAction(static_cast<long>(type));
        a.name = name;
        return a;
    }

    TempDir dir;
    ServerSettings settings;
    PathContext paths;
    EmitContext context;
};

} // namespace

TEST_F(Emitters, RecordActionsWriteTwoOrFourLines)
{
    Action insert = Make(ActionType::InsertRecord, "Add");
    insert.Record() = {"db", "people", 0, {{"people", "name", 0, "", "$FORM{'name'}[0]", ""}}, {}};
    EXPECT_EQ(Emit(insert), "  %Add = {};\n"
                            "  $Add->{nrows} = $db->do(\"INSERT INTO people (name) VALUES (\" . "
                            "$db->quote($FORM{'name'}[0]) . \")\");\n");

    Action select = Make(ActionType::SelectRecords, "Report");
    select.Record() = {"db", "people", 5, {{"people", "name", 0, "", "", "Name"}}, {}};
    bool responded = true;
    EXPECT_EQ(Emit(select, &responded), "  %Report = {};\n"
                                        "  $Report->{sth} = $db->prepare(\"SELECT name FROM people\");\n"
                                        "  $Report->{nrows} = $Report->{sth}->execute;\n"
                                        "  PrintRows($Report, 5);\n");
    EXPECT_FALSE(responded);
}

TEST_F(Emitters, ListEndsWithTheDefaultResponseUnlessAnActionAnswered)
{
    ScriptPrinter empty;
    WriteActionList(empty, {}, context);
    EXPECT_EQ(empty.Text(), "  PostUrl(\"DefaultAction\", 1, \"\", \"\");\n");

    Action respond = Make(ActionType::RespondToBrowser, "Thanks");
    respond.Response() = {"report.html", 1, ""};
    ScriptPrinter answered;
    WriteActionList(answered, {respond}, context);
    EXPECT_EQ(answered.Text(), "  PostUrl(\"Thanks\", 1, \"$cgipath/templates/report.html\", \"\");\n");

    // A response inside a condition may not run, so the list still gets its default.
    Action condition = Make(ActionType::ConditionalStatement, "If");
    condition.Condition().actions.push_back(respond);
    ScriptPrinter nested;
    WriteActionList(nested, {condition}, context);
    EXPECT_NE(nested.Text().find("    PostUrl(\"Thanks\""), std::string::npos);
    EXPECT_EQ(nested.Text().find("DefaultAction"), nested.Text().rfind("DefaultAction"));
    EXPECT_TRUE(nested.Text().ends_with("  PostUrl(\"DefaultAction\", 1, \"\", \"\");\n"));
}

TEST_F(Emitters, ConditionsNestTwoBlanksPerLevel)
{
    Action code = Make(ActionType::PerlCodeBlock, "Code");
    code.Code().code = "  $x++;\r\n\r\nprint $x;\r\n";
    Action inner = Make(ActionType::ConditionalStatement, "Inner");
    inner.Condition().criteria = {{"", "$FORM{'n'}[0]", {{"==", "2"}}}};
    inner.Condition().actions.push_back(code);
    Action outer = Make(ActionType::ConditionalStatement, "Outer");
    outer.Condition().criteria = {{"", "$FORM{'a'}[0]", {{"eq", "yes"}}}, {"", "$FORM{'b'}[0]", {{">", "1"}}}};
    outer.Condition().actions.push_back(inner);
    EXPECT_EQ(Emit(outer), "   if (($FORM{'a'}[0] eq 'yes' && $FORM{'b'}[0]>1)) {\n"
                           "     if (($FORM{'n'}[0]==2)) {\n"
                           "        $x++; \n"
                           "      print $x; \n"
                           "     }\n"
                           "   }\n");
}

TEST_F(Emitters, MailPicksProgramOrHostAndFindsItsFiles)
{
    Action mail = Make(ActionType::SendEmail, "Mail");
    MailAction& m = mail.Mail();
    m = {"mail.txt",
         0,
         "Shop \"Q\"",
         "shop@example.org",
         "$FORM{'email'}[0]",
         "",
         "Save $5",
         "smtp.example.org",
         "pop.example.org",
         "o'neil",
         "p\"$w",
         1,
         {}};
    m.attachments.push_back({"application/pdf", "base64", "FILE", "report.html", 0, 1});
    m.attachments.push_back({"text/plain", "7bit", "FILE", "", 0, 0});
    m.attachments.push_back({"image/png", "base64", "FILE", "$FORM{'photo'}[0]", 1, 0});
    EXPECT_EQ(Emit(mail), " sendmail(\n"
                          "  mailhost=>'smtp.example.org', \n"
                          "  pop=>\"pop.example.org\", \n"
                          "  user=>\"o'neil\", \n"
                          "  pass=>\"p\\\"\\$w\", \n"
                          "  from=>\"shop\\@example.org\", \n"
                          "  sender=>\"Shop \\\"Q\\\"\", \n"
                          "  to=>\"$FORM{'email'}[0]\", \n"
                          "  cc=>\"\", \n"
                          "  subject=>\"Save \\$5\", \n"
                          "  docs=>[ \n"
                          "    [ \n"
                          "      content=>\"text/plain\",\n"
                          "      enc=>\"8bit\",\n"
                          "      type=>\"FILE\",\n"
                          "      source=>\"$cgipath/templates/mail.txt\",\n"
                          "      binmode=>0,\n"
                          "      template=>1,\n"
                          "    ], \n"
                          "      [ \n"
                          "      content=>\"application/pdf\",\n"
                          "      enc=>\"base64\",\n"
                          "      type=>\"FILE\",\n"
                          "      source=>\"$cgipath/templates/report.html\",\n"
                          "      binmode=>1,\n"
                          "      template=>0,\n"
                          "      ], \n"
                          "      [ \n"
                          "      content=>\"image/png\",\n"
                          "      enc=>\"base64\",\n"
                          "      type=>\"FILE\",\n"
                          "      source=>$FORM{'photo'}[0],\n"
                          "      binmode=>0,\n"
                          "      template=>1,\n"
                          "      ], \n"
                          "    ]\n"
                          "  );\n");

    m.server = "/usr/sbin/sendmail -t";
    m.attachments.clear();
    std::string program = Emit(mail);
    EXPECT_NE(program.find("  mailcmd=>'/usr/sbin/sendmail -t', \n  from=>"), std::string::npos);
    EXPECT_EQ(program.find("pop=>"), std::string::npos);

    m.server = "smtp.example.org";
    m.smtpAuth = 0;
    EXPECT_EQ(Emit(mail).find("pop=>"), std::string::npos);

    Action bulk = Make(ActionType::SendBulkEmail, "Bulk");
    bulk.Mail() = m;
    bulk.Mail().to = "subscribers.txt";
    std::string bulkText = Emit(bulk);
    EXPECT_NE(bulkText.find("  listsrc=>\"$cgipath/data/subscribers.txt\", \n"), std::string::npos);
    EXPECT_EQ(bulkText.find("  to=>"), std::string::npos);
}

TEST_F(Emitters, FileArgumentsNameThePublishedFiles)
{
    Action write = Make(ActionType::ReadWriteFile, "Saved");
    write.File() = {1, "mail.txt", "orders_$FORM{'id'}[0].txt"};
    EXPECT_EQ(Emit(write), "  $Saved=ReadWrite(\"Saved\", 1, \"$cgipath/templates/mail.txt\", "
                           "\"$cgipath/data/orders_$FORM{'id'}[0].txt\", \"1\");\n");
    Action read = Make(ActionType::ReadWriteFile, "Upload");
    read.File() = {2, "", "$FORM{'file'}[0]"};
    EXPECT_EQ(Emit(read), "  $Upload=ReadWrite(\"Upload\", 2, \"\", $FORM{'file'}[0], \"1\");\n");
    // A template not at hand still names the file a publish would put there.
    Action missing = Make(ActionType::RespondToBrowser, "R");
    missing.Response() = {"later.html", 0, "http://example.org/done.html"};
    EXPECT_EQ(Emit(missing),
              "  PostUrl(\"R\", 0, \"$cgipath/templates/later.html\", \"http://example.org/done.html\");\n");
}

TEST_F(Emitters, CookiesAreSetOneByOneForTheScriptsPathAndDomain)
{
    Action cookies = Make(ActionType::SetHttpCookies, "Cookies");
    cookies.Cookie() = {"a=$FORM{'v'}[0],secure=0;\r\nb=2,secure=1;\r\n\r\n", 20000, 1};
    EXPECT_EQ(Emit(cookies),
              "  SetCookie(1, \"a\", \"$FORM{'v'}[0]\", 1728000000, \"/cgi-bin\", \"www.example.org\", 0);\n"
              "  SetCookie(1, \"b\", \"2\", 1728000000, \"/cgi-bin\", \"www.example.org\", 1);\n");
    // An address without a domain name keeps the cookie to the host that set it.
    const std::pair<const char*, const char*> scopes[] = {
        {"http://127.0.0.1:8080/cgi-bin/", "\"/cgi-bin/\", \"\""},
        {"https://localhost", "\"/\", \"\""},
        {"http://shop.example.org:8080/a/cgi", "\"/a/cgi\", \"shop.example.org\""},
        {"", "\"/\", \"\""},
    };
    cookies.Cookie() = {"a=1,secure=0;", 7, 0};
    for (const auto& [url, scope] : scopes) {
        settings.cgiUrl = url;
        EXPECT_NE(Emit(cookies).find(std::string(", 7, ") + scope + ", 0);"), std::string::npos) << url;
    }
}

TEST_F(Emitters, ConditionsReadFieldsWithoutIndexAsTheirFirstValue)
{
    const std::pair<const char*, const char*> cases[] = {
        {"$FORM{'WWW_SUPPORTCOOKIE'}==1", "$FORM{'WWW_SUPPORTCOOKIE'}[0]==1"},
        {"$FORM{'a'}[1] eq $FORM{\"b}\"}", "$FORM{'a'}[1] eq $FORM{\"b}\"}[0]"},
        {"'$FORM{x}' eq \\$FORM{y}", "'$FORM{x}' eq \\$FORM{y}"},
        {"$FORM{'open'", "$FORM{'open'"},
    };
    for (const auto& [code, read] : cases)
        EXPECT_EQ(WithFirstValues(code), read) << code;
}

TEST_F(Emitters, FormActionsFillOrPostTheirPage)
{
    Action generate = Make(ActionType::GenerateHtmlForm, "Next");
    generate.FormBody().form.pageFile = "report.html";
    bool responded = true;
    EXPECT_EQ(Emit(generate, &responded), "  $Next=MakeMsg(\"Next\", \"$cgipath/templates/report.html\");\n");
    EXPECT_FALSE(responded);
    Action post = Make(ActionType::PostHtmlForm, "Step2");
    post.FormBody().form.pageFile = "report.html";
    EXPECT_EQ(Emit(post, &responded), "  PostUrl(\"Step2\", 1, \"$cgipath/templates/report.html\", \"\");\n");
    EXPECT_TRUE(responded);
}

namespace {

Action Made(ActionType type)
{
    return *CreateAction(static_cast<long>(type));
}

// Which handlers are guarded, and the mail checks their branch starts with.
TEST(HandlerGuards, ChangingHandlersAndTheirMailChecks)
{
    Action read = Made(ActionType::ReadWriteFile);
    read.File().mode = static_cast<int>(FileMode::Read);
    Action condition = Made(ActionType::ConditionalStatement);
    Action mail = Made(ActionType::SendEmail);
    mail.Mail().from = "desk@example.org";
    mail.Mail().to = "$FORM{'email'}[0]";
    mail.Mail().subject = "Hi $FORM{'name'}[0]";
    condition.Condition().actions = {mail};
    const std::pair<ActionList, bool> cases[] = {
        {{Made(ActionType::SelectRecords), Made(ActionType::RespondToBrowser), read}, false},
        {{Made(ActionType::PostHtmlForm), Made(ActionType::GenerateHtmlForm)}, false},
        {{Made(ActionType::SelectRecords), Made(ActionType::InsertRecord)}, true},
        {{Made(ActionType::ReadWriteFile)}, true},
        {{Made(ActionType::SetHttpCookies)}, true},
        {{Made(ActionType::PerlCodeBlock)}, true},
        {{condition}, true},
    };
    for (const auto& [actions, changes] : cases)
        EXPECT_EQ(ChangesAnything(actions), changes) << actions.size();

    ScriptPrinter out;
    WriteRequestGuard(out, "Sign's", "https://www.example.org:8443/forms/a.html?x");
    WriteMailChecks(out, {condition, Made(ActionType::SendBulkEmail)});
    EXPECT_EQ(out.Take(), "    GuardChange('Sign\\'s', 'https://www.example.org:8443');\n"
                          "    Sendmail::CheckMail(from=>\"desk\\@example.org\", sender=>\"\", "
                          "to=>\"$FORM{'email'}[0]\", cc=>\"\", subject=>\"Hi $FORM{'name'}[0]\");\n"
                          "    Sendmail::CheckMail(from=>\"\", sender=>\"\", cc=>\"\", subject=>\"\");\n");
}

} // namespace
