#include "e2e/publish/ServerProcess.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>

namespace quillet {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

struct CliRun {
    int status;
    std::string out;
};

// The guestbook example, pointed at the test's FTP and web servers, built and
// published with quillet-cli as a user would.
class CliPublish : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(ServerRoot());
        ASSERT_TRUE(m_ftp.Start(ServerRoot().string()));
        ASSERT_TRUE(m_web.Start(ServerRoot().string(), m_temp.Path().string()));
        fs::copy(QUILLET_TEST_DATA "/../../examples/guestbook", Project().parent_path(), fs::copy_options::recursive);
        std::string text = ReadBytes(Project().string());
        text = std::regex_replace(text, std::regex("SERVER_IP=[^\r]*"), "SERVER_IP=" + m_ftp.Address());
        text = std::regex_replace(text, std::regex("SERVER_PASSWD=[^\r]*"), "SERVER_PASSWD=secret");
        text = std::regex_replace(text, std::regex("SERVER_CGIURL=[^\r]*"), "SERVER_CGIURL=" + m_web.Url("/cgi-bin"));
        WriteBytes(Project().string(), text);
    }

    fs::path ServerRoot() const { return m_temp.Path() / "server"; }
    fs::path Project() const { return m_temp.Path() / "project/guestbook.prj"; }
    CliRun Cli(const std::string& arguments)
    {
        std::string command = "QUILLET_HOME='" + m_temp.File("home") + "' XDG_CONFIG_HOME='" + m_temp.File("config") +
                              "' " QUILLET_CLI " " + arguments + " 2>&1";
        CliRun run{-1, ""};
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[4096];
        size_t n;
        while (pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            run.out.append(buffer, n);
        run.status = pipe ? WEXITSTATUS(pclose(pipe)) : -1;
        return run;
    }

    test::TempDir m_temp;
    test::FtpServer m_ftp;
    test::LighttpdServer m_web;
};

TEST_F(CliPublish, BuildPublishAndCreateTheGuestbookTables)
{
    std::string project = "'" + Project().string() + "'";
    ASSERT_EQ(Cli("build " + project).status, 0);
    CliRun publish = Cli("publish " + project + " --all");
    ASSERT_EQ(publish.status, 0) << publish.out;
    EXPECT_NE(publish.out.find("\tCGI Script\t755\t/cgi-bin/guestbook.cgi\n"), std::string::npos) << publish.out;
    struct stat info {};
    ASSERT_EQ(stat((ServerRoot() / "cgi-bin/guestbook.cgi").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
    EXPECT_TRUE(fs::exists(ServerRoot() / "htdocs/guestbook.html"));
    EXPECT_TRUE(fs::exists(ServerRoot() / "cgi-bin/ZentraCGI.pm"));

    CliRun create = Cli("create-tables --keep-admin " + project);
    ASSERT_EQ(create.status, 0) << create.out;
    ASSERT_TRUE(fs::exists(ServerRoot() / "cgi-bin/data/guestbook.db"));
    CliRun again = Cli("create-tables --no-upload " + project);
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.out.find("already exists"), std::string::npos) << again.out;
    EXPECT_NE(again.out.find("Delete the existing table and try again?"), std::string::npos);
    EXPECT_TRUE(fs::exists(ServerRoot() / "cgi-bin/dbadmin.cgi"));
    EXPECT_EQ(Cli("create-tables --yes " + project).status, 0);
    EXPECT_FALSE(fs::exists(ServerRoot() / "cgi-bin/dbadmin.cgi"));

    CliRun tables = Cli("tables " + project);
    EXPECT_EQ(tables.out, "Create Table entries(id INTEGER NOT NULL PRIMARY KEY , name VARCHAR(80) NOT NULL  , "
                          "email VARCHAR(120) NULL  , message TEXT NULL  )\n");
}

TEST_F(CliPublish, WrongPasswordFailsTheCommand)
{
    std::string text = ReadBytes(Project().string());
    WriteBytes(Project().string(), std::regex_replace(text, std::regex("SERVER_PASSWD=secret"), "SERVER_PASSWD=nope"));
    CliRun publish = Cli("publish '" + Project().string() + "' --kinds 1");
    EXPECT_EQ(publish.status, 1);
    EXPECT_NE(publish.out.find("Please check the IP address, user name and password"), std::string::npos);
}

} // namespace
} // namespace quillet
