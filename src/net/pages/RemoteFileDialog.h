#pragma once

#include "net/RemoteBrowser.h"
#include "net/pages/ServerBrowse.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillet {

class Prompter;

// A small file manager for choosing a file or folder on the server over FTP, FTPS or SFTP.
class RemoteFileDialog : public QDialog {
    Q_OBJECT
public:
    using Mode = BrowseMode;
    static constexpr unsigned kShowFiles = kListFiles;

    RemoteFileDialog(Mode mode, unsigned flags, std::string_view filter, const std::string& initialPath,
                     const FtpFields& ftp, Prompter& prompter, QWidget* parent = nullptr);
    ~RemoteFileDialog() override;

    const std::string& ChosenPath() const { return m_chosen; }
    const FtpFields& Ftp() const { return m_ftp; }
    std::string CurrentPath() const;
    bool Connected() const { return m_browser != nullptr; }
    QTreeWidget* List() const { return m_list; }
    QLineEdit* FileName() const { return m_fileName; }
    QComboBox* FileTypes() const { return m_types; }
    QComboBox* LookIn() const { return m_lookIn; }

    // Ask in place of the "FTP Connect" dialog; tests answer them.
    std::function<bool(FtpFields&)> askLogin;

public slots:
    void Connect(const FtpFields& ftp);
    void Disconnect();
    void ListFolder();
    void GoUp();
    void NewFolder();
    void DeleteSelected();
    void Upload();
    void Download();
    void ConnectDialog();
    void SetDetailed(bool detailed);
    void accept() override;

private:
    void BuildControls();
    void ConnectSignals();
    QWidget* BuildToolbar();
    QWidget* BuildOptions();
    void ShowItems();
    void MakeBrowser();
    void OnDoubleClick(QTreeWidgetItem* item);
    void OnRenamed(QTreeWidgetItem* item, int column);
    void OnFileNameLeft();
    void OnSortColumn(int column);
    const RemoteItem* ItemOf(QTreeWidgetItem* item) const;
    std::vector<RemoteItem> SelectedItems() const;
    // Runs a network step with a progress dialog whose Cancel stops the transfer.
    bool Busy(const QString& label, const std::function<bool(Prompter& prompter)>& step);

    Mode m_mode;
    unsigned m_flags;
    std::string m_filter;
    FtpFields m_ftp;
    Prompter& m_prompter;
    std::unique_ptr<RemoteConnection> m_connection;
    std::unique_ptr<RemoteBrowser> m_browser;
    std::string m_startPath;
    std::string m_chosen;
    QComboBox* m_lookIn = nullptr;
    QTreeWidget* m_list = nullptr;
    QLineEdit* m_fileName = nullptr;
    QComboBox* m_types = nullptr;
    QRadioButton* m_textTransfer = nullptr;
    QRadioButton* m_foldersOnly = nullptr;
    QRadioButton* m_filesAndFolders = nullptr;
    bool m_filling = false;
};

} // namespace quillet
