#pragma once

#include "project/WebConfigurations.h"
#include "ui/pages/PropertyPage.h"

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace quillet {

class Prompter;
struct Project;
struct WebPageValues;

// What the "Web" tab works with beyond the project itself.
struct WebPageContext {
    std::string settingsFolder;
    // The machine's DNS server, found on demand and kept for the session.
    std::string* systemDnsServer = nullptr;
    std::function<std::string()> projectFile;
};

// The "Web" tab: the project's server settings and the named web configurations.
class WebSettingsPage : public PropertyPage {
    Q_OBJECT
public:
    WebSettingsPage(Project& project, Prompter& prompter, WebPageContext context, QWidget* parent = nullptr);

    void Load() override;
    void Store() override;
    // The settings as the boxes show them, without storing them.
    ServerSettings ShownSettings() const;
    // Lists the configurations and selects "Default"; see the source for when it is loaded.
    void OpenConfigurations();

    // Asks for a configuration name; tests answer in place of the dialog.
    std::function<std::optional<QString>(const QString& initial)> askConfigurationName;

    QComboBox* Configurations() const { return m_configurations; }
    QComboBox* DnsList() const { return m_dns; }

public slots:
    void AddDnsServer();
    void DeleteDnsServer();
    void LookupDnsServers();
    void SelectConfiguration(int index);
    void AddConfiguration();
    void SaveConfiguration();
    void DeleteConfiguration();
    void SetUpServerSide();
    void CheckServer();
    void BrowseCgiFolder();
    void BrowseHomePage();
    void BrowseSshKey();

private:
    void CreateFields();
    void BuildControls();
    QWidget* BuildDnsRow();
    QWidget* BuildConfigurationRow();
    void UpdateEnabling();
    WebPageValues Values() const;
    void Show(const WebPageValues& values);
    void SelectName(const QString& name);
    std::optional<QString> AskName(const QString& initial);

    Project& m_project;
    Prompter& m_prompter;
    WebPageContext m_context;
    WebConfigurations m_store;
    QComboBox* m_serverType = nullptr;
    QComboBox* m_uploadMethod = nullptr;
    QComboBox* m_scriptPattern = nullptr;
    QComboBox* m_cgiWrapper = nullptr;
    QLineEdit* m_ftpServer = nullptr;
    QLineEdit* m_ftpUser = nullptr;
    QLineEdit* m_ftpPassword = nullptr;
    QCheckBox* m_ftpPassive = nullptr;
    QLineEdit* m_sshKey = nullptr;
    QLineEdit* m_perlPath = nullptr;
    QLineEdit* m_homePageUrl = nullptr;
    QLineEdit* m_homePagePath = nullptr;
    QLineEdit* m_cgiUrl = nullptr;
    QLineEdit* m_cgiPath = nullptr;
    QComboBox* m_dns = nullptr;
    QComboBox* m_configurations = nullptr;
};

} // namespace quillet
