#include "net/MailPageModel.h"
#include "generator/ActionEmitters.h"
#include "project/Messages.h"
#include "project/Paths.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"
#include "project/ServerSettings.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(MailPage, StoringTrimsAndEscapesAddresses)
{
    MailFields fields;
    fields.to = "  ann@example.org,bob@example.org ";
    fields.cc = "c\\@example.org";
    fields.from = "me@example.org";
    fields.smtpAuth = false;
    fields.popServer = "pop.example.org";
    fields.popUser = "me@pop";
    fields.popPassword = " p@ss ";
    fields.subject = "  Hello @ you ";
    fields.sender = " Me ";
    MailAction mail;
    StoreMailFields(fields, mail);
    EXPECT_EQ(mail.to, "ann\\@example.org,bob\\@example.org");
    EXPECT_EQ(mail.cc, "c\\@example.org");
    EXPECT_EQ(mail.from, "me\\@example.org");
    // Disabled POP fields are still stored.
    EXPECT_EQ(mail.smtpAuth, 0);
    EXPECT_EQ(mail.popServer, "pop.example.org");
    EXPECT_EQ(mail.popUser, "me@pop");
    EXPECT_EQ(mail.popPassword, "p@ss");
    EXPECT_EQ(mail.subject, "Hello @ you");
    EXPECT_EQ(mail.sender, "Me");
    EXPECT_EQ(mail.mailMode, 1);

    // Stored again after loading: no second escape.
    MailAction again;
    StoreMailFields(LoadMailFields(mail), again);
    EXPECT_EQ(again, mail);
}

TEST(MailPage, PopPasswordReachesTheScriptUnchanged)
{
    MailFields fields;
    fields.smtpAuth = true;
    fields.server = "smtp.example.org";
    fields.popServer = "pop.example.org";
    fields.popUser = "me@example.org";
    fields.popPassword = "p@ss";
    fields.to = "a@example.org";
    Action action = *CreateAction(static_cast<long>(ActionType::SendEmail));
    action.name = "Mail";
    StoreMailFields(fields, action.Mail());

    ServerSettings settings;
    PathContext paths;
    EmitContext context{settings, paths};
    ScriptPrinter out;
    WriteAction(out, action, context);
    std::string script = out.Take();
    // One escape for the literal: Perl reads back exactly what was typed.
    EXPECT_NE(script.find("pass=>\"p\\@ss\""), std::string::npos) << script;
    EXPECT_NE(script.find("user=>\"me\\@example.org\""), std::string::npos) << script;
    EXPECT_NE(script.find("to=>\"a\\@example.org\""), std::string::npos) << script;
}

TEST(MailPage, LeavingChecks)
{
    MailAction mail;
    mail.to = "a\\@b";
    test::ScriptedPrompter prompter;
    prompter.ExpectQuestion(FormatMessage(Msg::NoMessageTemplate), Prompter::Answer::No);
    prompter.ExpectQuestion(FormatMessage(Msg::NoMessageTemplate), Prompter::Answer::Yes);
    prompter.ExpectShow(FormatMessage(Msg::NoEmailRecipient));
    EXPECT_FALSE(MailLeaveCheck(mail, prompter));
    EXPECT_TRUE(MailLeaveCheck(mail, prompter));
    mail.templateFile = "t.html";
    mail.to.clear();
    EXPECT_FALSE(MailLeaveCheck(mail, prompter));
    EXPECT_TRUE(prompter.Done());
}

TEST(MailPage, SelectionAfterDeletingAnAttachment)
{
    EXPECT_EQ(SelectionAfterDelete(0, 0), std::nullopt);
    EXPECT_EQ(SelectionAfterDelete(1, 3), 1);
    EXPECT_EQ(SelectionAfterDelete(3, 3), 2);
}

TEST(ResponsePage, ModesDropTheOtherField)
{
    ResponseAction response;
    StoreResponse(true, " t.html ", "http://x/", response);
    EXPECT_EQ(response.postMode, 1);
    EXPECT_EQ(response.file, "t.html");
    EXPECT_EQ(response.url, "");
    StoreResponse(false, "t.html", " http://x/ ", response);
    EXPECT_EQ(response.postMode, 0);
    EXPECT_EQ(response.file, "");
    EXPECT_EQ(response.url, "http://x/");
}

TEST(ResponsePage, LeavingChecks)
{
    test::ScriptedPrompter prompter;
    prompter.ExpectQuestion(FormatMessage(Msg::NoMessageToPost), Prompter::Answer::No);
    prompter.ExpectQuestion(FormatMessage(Msg::NoMessageToPost), Prompter::Answer::Yes);
    prompter.ExpectShow(FormatMessage(Msg::NoRedirectUrl));
    ResponseAction post{"", 1, ""};
    EXPECT_FALSE(ResponseLeaveCheck(post, prompter));
    EXPECT_TRUE(ResponseLeaveCheck(post, prompter));
    ResponseAction redirect{"", 0, ""};
    EXPECT_FALSE(ResponseLeaveCheck(redirect, prompter));
    redirect.url = "http://x/";
    EXPECT_TRUE(ResponseLeaveCheck(redirect, prompter));
    EXPECT_TRUE(prompter.Done());
}

TEST(SaveFilePage, PathsAndTemplates)
{
    FileAction file;
    StoreFileAction(" t.html ", " /data/$FORM{'f'}[0].txt ", FileMode::Append, file);
    EXPECT_EQ(file.file, "t.html");
    EXPECT_EQ(file.dataFile, "/data/$FORM{'f'}[0].txt");
    EXPECT_EQ(file.mode, 1);

    EXPECT_EQ(TemplateFilePath("templates/a.html", "/p/x.prj"), "/p/templates/a.html");
    EXPECT_EQ(TemplateFilePath("/abs/a.html", "/p/x.prj"), "/abs/a.html");
    EXPECT_EQ(TemplateFilePath("", "/p/x.prj"), "");
    EXPECT_EQ(PathForProject("/p/templates/a.html", "/p/x.prj"), "templates/a.html");
    EXPECT_EQ(PathForProject("/q/a.html", "/p/x.prj"), "/q/a.html");
    EXPECT_EQ(PathForProject("/p/../q/a.html", "/p/x.prj"), "/p/../q/a.html");

    test::TempDir dir;
    ASSERT_TRUE(CreateTemplateFile(dir.File("new.html")));
    EXPECT_EQ(ReadWholeFile(dir.File("new.html")), "\n");
}

} // namespace
} // namespace quillet
