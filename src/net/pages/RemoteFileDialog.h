#pragma once

#include "net/pages/ServerBrowse.h"

#include <QDialog>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillet {

class FtpConnection;
class Prompter;

// A small FTP file manager for choosing a file or folder on the server.
class RemoteFileDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Open = 0, Select = 1, Create = 2 };
    // Files are listed as well as folders.
    static constexpr unsigned kShowFiles = 8;

    RemoteFileDialog(Mode mode, unsigned flags, const std::string& filter, const std::string& initialPath,
                     const FtpFields& ftp, Prompter& prompter, QWidget* parent = nullptr);
    ~RemoteFileDialog() override;

    const std::string& ChosenPath() const { return m_chosen; }
    const FtpFields& Ftp() const { return m_ftp; }
    const std::string& CurrentPath() const { return m_path; }
    QTreeWidget* List() const { return m_list; }
    QLineEdit* FileName() const { return m_fileName; }
    QComboBox* FileTypes() const { return m_types; }
    bool Connected() const { return m_connection != nullptr; }

    // Asks for the FTP login in place of the "FTP Connect" dialog; tests answer it.
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
    void BuildControls(const std::string& filter);
    QWidget* BuildToolbar();
    void OnDoubleClick(QTreeWidgetItem* item);
    void OnRenamed(QTreeWidgetItem* item, int column);
    void OnFileNameLeft();
    void EnterPath(const std::string& path);
    std::string ItemPath(const QString& name) const;
    bool ShowsFiles() const;

    Mode m_mode;
    unsigned m_flags;
    FtpFields m_ftp;
    Prompter& m_prompter;
    std::unique_ptr<FtpConnection> m_connection;
    std::string m_path;
    std::string m_chosen;
    std::vector<std::vector<std::string>> m_patterns;
    QComboBox* m_lookIn = nullptr;
    QTreeWidget* m_list = nullptr;
    QLineEdit* m_fileName = nullptr;
    QComboBox* m_types = nullptr;
    QRadioButton* m_textTransfer = nullptr;
    QRadioButton* m_binaryTransfer = nullptr;
    QRadioButton* m_foldersOnly = nullptr;
    QRadioButton* m_filesAndFolders = nullptr;
    QPushButton* m_ok = nullptr;
    bool m_filling = false;
};

} // namespace quillet
