#include "net/PreviewSite.h"
#include "project/ProjectDocument.h"
#include "support/ScriptedPrompter.h"
#include "support/ServerProcess.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quillet {
namespace {

namespace fs = std::filesystem;

struct CheckCase {
    const char* name;
    const char* perlPath;
    bool dataIsFile; // root writes into any folder, so an unwritable one is a file in its place
    const char* mailProgram;
    std::vector<const char*> passed;
    std::vector<const char*> failed;
};

// quillet-cli check against the preview site (lighttpd running each script by
// its first line, direct copy, scripts apart from the pages), sound and broken.
TEST(ServerCheckE2e, EachProblemOfTheServerIsNamed)
{
    const std::vector<CheckCase> cases = {
        {"sound",
         "/usr/bin/perl",
         false,
         "/bin/true",
         {"CGI: scripts run", "Perl: v5", "DBI: ", "DBD::SQLite: ", "/cgi-bin/data: writable",
          "Mail program /bin/true: found", "Clock: "},
         {}},
        {"Perl path nowhere", "/nowhere/perl", false, "/bin/true", {}, {"not Perl at /nowhere/perl", "/usr/bin/perl"}},
        {"data folder not writable",
         "/usr/bin/perl",
         true,
         "/nowhere/sendmail",
         {"CGI: scripts run", "DBD::SQLite: "},
         {"/cgi-bin/data: scripts cannot write there", "Mail program /nowhere/sendmail: missing"}},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir temp;
        fs::create_directories(temp.Path() / "source");
        Project project;
        project.settings.perlPath = c.perlPath;
        project.dataSources.resize(1);
        project.dataSources[0].driver = "SQLite";
        project.dataSources[0].name = "guestdb";
        Action mail = *CreateAction(static_cast<long>(ActionType::SendEmail));
        mail.name = "notify";
        mail.Mail().server = c.mailProgram;
        project.forms.resize(1);
        project.forms[0].handlers = {{"Submit", {mail}}};
        test::ScriptedPrompter prompter;
        PreviewSite site(temp.File("site"), PreviewSite::FreePort());
        ASSERT_TRUE(site.Prepare(project, temp.File("source/site.prj"), prompter));
        ASSERT_TRUE(site.StartServer(prompter));
        if (c.dataIsFile)
            test::WriteBytes(site.DocumentRoot() + "/cgi-bin/data", "");

        std::string out = test::CommandOutput("QUILLET_HOME='" + temp.File("home") + "' " QUILLET_CLI " check '" +
                                              site.Folder() + "/project/site.prj' 2>&1; echo \"exit $?\"");
        for (const char* text : c.passed) {
            size_t at = out.find(text);
            ASSERT_NE(at, std::string::npos) << text << "\n" << out;
            EXPECT_EQ(out.rfind("ok      ", at), out.rfind('\n', at) + 1) << text << "\n" << out;
        }
        for (const char* text : c.failed) {
            size_t at = out.find(text);
            ASSERT_NE(at, std::string::npos) << text << "\n" << out;
            EXPECT_EQ(out.rfind("FAILED  ", at), out.rfind('\n', at) + 1) << text << "\n" << out;
        }
        EXPECT_NE(out.find(c.failed.empty() ? "exit 0" : "exit 1"), std::string::npos) << out;
        // The probe and its marker are gone again.
        std::vector<std::string> left;
        for (const auto& entry : fs::recursive_directory_iterator(site.DocumentRoot()))
            if (entry.path().filename().string().starts_with("quillet-check"))
                left.push_back(entry.path().string());
        EXPECT_TRUE(left.empty()) << left.front();
    }
}

} // namespace
} // namespace quillet
