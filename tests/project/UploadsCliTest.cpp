#include "support/TempDir.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace quillet {
namespace {

struct RunResult {
    int status;
    std::string out;
};

RunResult RunCli(const std::string& arguments, const std::string& home)
{
    std::string command = "QUILLET_HOME='" + home + "' '" QUILLET_CLI "' " + arguments + " 2>/dev/null";
    RunResult result{-1, {}};
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        result.out.append(buffer, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::copy(std::string(QUILLET_TEST_DATA) + "/../../examples/guestbook", m_dir.File("site"),
                              std::filesystem::copy_options::recursive);
    }
    std::string Project() const { return m_dir.File("site/guestbook.prj"); }
    std::string Home() const { return m_dir.File("home"); }

    test::TempDir m_dir;
};

TEST_F(CliTest, UploadsPrintsOneLinePerEntry)
{
    RunResult all = RunCli("uploads '" + Project() + "'", Home());
    ASSERT_EQ(all.status, 0);
    EXPECT_EQ(all.out.substr(0, all.out.find('\n')),
              "1\t0\t0\tHTML\t644\t" + m_dir.File("site/guestbook.html") + "\t/htdocs/guestbook.html");
    EXPECT_NE(all.out.find("0\t0\t0\tImage\t644\t" + Home() + "/images/first.gif\t/htdocs/images/quillet/first.gif\n"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(Home() + "/scripts/dbadmin.cgi"));

    RunResult images = RunCli("uploads --kinds 64 '" + Project() + "'", Home());
    ASSERT_EQ(images.status, 0);
    EXPECT_EQ(std::count(images.out.begin(), images.out.end(), '\n'), 4);
    EXPECT_EQ(images.out.substr(0, 2), "1\t");
}

TEST_F(CliTest, UsageErrors)
{
    EXPECT_EQ(RunCli("uploads", Home()).status, 1);
    EXPECT_EQ(RunCli("uploads --kinds 0 '" + Project() + "'", Home()).status, 1);
    EXPECT_EQ(RunCli("uploads --kinds abc '" + Project() + "'", Home()).status, 1);
    EXPECT_EQ(RunCli("uploads '" + m_dir.File("missing.prj") + "'", Home()).status, 1);
    EXPECT_EQ(RunCli("sql", Home()).status, 1);
    EXPECT_EQ(RunCli("sql --help", Home()).status, 0);
}

TEST_F(CliTest, SqlPrintsEveryRecordAction)
{
    RunResult sql = RunCli("sql '" + Project() + "'", Home());
    ASSERT_EQ(sql.status, 0);
    EXPECT_EQ(sql.out.substr(0, sql.out.find('\n')),
              "Sign\tAction1\tINSERT INTO entries (name ,email ,message) VALUES (\" . "
              "$guestdb->quote($FORM{'name'}[0]) . \" ,\" . $guestdb->quote($FORM{'email'}[0]) . \" ,\" . "
              "$guestdb->quote($FORM{'message'}[0]) . \")");
    EXPECT_NE(sql.out.find("Show\tAction1\tSELECT "), std::string::npos);
}

} // namespace
} // namespace quillet
