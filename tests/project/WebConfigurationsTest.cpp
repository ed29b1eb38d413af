#include "project/WebConfigurations.h"
#include "project/Messages.h"
#include "project/ServerSettings.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quillet {
namespace {

namespace fs = std::filesystem;

class WebConfigurationsTest : public ::testing::Test {
protected:
    WebConfigurationsTest() : m_store(m_dir.File("settings")) {}

    ServerSettings Sample() const
    {
        ServerSettings settings;
        settings.ftpServer = "ftp.example.com:2121";
        settings.ftpUser = "web";
        settings.dnsServers = "ns1.example.com,ns2.example.com";
        settings.ftpPassive = 1;
        settings.buildPortable = 1;
        return settings;
    }

    test::TempDir m_dir;
    WebConfigurations m_store;
    test::ScriptedPrompter m_prompter;
};

TEST_F(WebConfigurationsTest, ListsDatFilesByNameUpToTheFirstDotSortedIgnoringCase)
{
    EXPECT_TRUE(m_store.Names().empty());
    fs::create_directories(m_store.Folder());
    for (const char* file : {"zeta.dat", "Alpha.DAT", "beta.v2.dat", "Beta.dat", "notes.txt", ".dat"})
        test::WriteBytes(m_store.Folder() + "/" + file, "");
    EXPECT_EQ(m_store.Names(), (std::vector<std::string>{"Alpha", "beta", "zeta"}));
}

TEST_F(WebConfigurationsTest, SaveAndLoadRoundTripTheSettingsBlock)
{
    ASSERT_TRUE(m_store.Save("Live", Sample(), m_prompter));
    ServerSettings read;
    ASSERT_TRUE(m_store.Load("Live", read));
    EXPECT_EQ(read, Sample());
    ServerSettings untouched = Sample();
    EXPECT_FALSE(m_store.Load("Missing", untouched));
    EXPECT_EQ(untouched, Sample());
    EXPECT_TRUE(m_store.Remove("Live"));
    EXPECT_TRUE(m_store.Names().empty());
}

TEST_F(WebConfigurationsTest, AddStartsFromClearedTextsAndRefusesDuplicates)
{
    ServerSettings settings = Sample();
    ASSERT_TRUE(m_store.Add("Staging", settings, m_prompter));
    EXPECT_TRUE(settings.ftpServer.empty());
    EXPECT_TRUE(settings.dnsServers.empty());
    EXPECT_EQ(settings.ftpPassive, 1);
    ServerSettings read = Sample();
    ASSERT_TRUE(m_store.Load("Staging", read));
    EXPECT_EQ(read, settings);

    m_prompter.ExpectShow(std::string(MessageText(Msg::DuplicateWebConfiguration)));
    ServerSettings other = Sample();
    EXPECT_FALSE(m_store.Add("STAGING", other, m_prompter));
    EXPECT_EQ(other, Sample());
    EXPECT_TRUE(m_prompter.Done());
}

TEST_F(WebConfigurationsTest, NamesThatWouldLeaveTheFolderAreRefused)
{
    for (const char* name : {"", "../evil", "a/b", "a\\b", "two.parts"}) {
        m_prompter.ExpectShow(std::string(MessageText(Msg::BadWebConfigurationName)));
        ServerSettings settings = Sample();
        EXPECT_FALSE(m_store.Add(name, settings, m_prompter)) << name;
        EXPECT_FALSE(m_store.Load(name, settings)) << name;
    }
    EXPECT_FALSE(fs::exists(m_dir.File("evil.dat")));
    EXPECT_TRUE(m_prompter.Done());
}

TEST_F(WebConfigurationsTest, AFolderThatCannotBeCreatedIsReported)
{
    test::WriteBytes(m_store.Folder(), "a file where the folder should be");
    ServerSettings settings = Sample();
    m_prompter.ExpectShow(std::string(MessageText(Msg::DuplicateWebConfiguration)));
    EXPECT_FALSE(m_store.Add("Live", settings, m_prompter));
    EXPECT_EQ(settings, Sample());
    m_prompter.ExpectShow("Can't create file ");
    EXPECT_FALSE(m_store.Save("Live", settings, m_prompter));
    EXPECT_TRUE(m_prompter.Done());
}

} // namespace
} // namespace quillet
