#include "net/pages/RemoteFileDialog.h"

#include "net/Publisher.h"
#include "net/WebPageRules.h"
#include "project/Prompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quillet {

RemoteFileDialog::RemoteFileDialog(Mode mode, unsigned flags, const std::string& filter, const std::string& initialPath,
                                   const FtpFields& ftp, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_flags(flags), m_ftp(ftp), m_prompter(prompter), m_path(initialPath)
{
    BuildControls(filter);
}

RemoteFileDialog::~RemoteFileDialog() = default;

void RemoteFileDialog::BuildControls(const std::string&) {}
QWidget* RemoteFileDialog::BuildToolbar()
{
    return nullptr;
}
void RemoteFileDialog::Connect(const FtpFields&) {}
void RemoteFileDialog::Disconnect() {}
void RemoteFileDialog::ListFolder() {}
void RemoteFileDialog::GoUp() {}
void RemoteFileDialog::NewFolder() {}
void RemoteFileDialog::DeleteSelected() {}
void RemoteFileDialog::Upload() {}
void RemoteFileDialog::Download() {}
void RemoteFileDialog::ConnectDialog() {}
void RemoteFileDialog::SetDetailed(bool) {}
void RemoteFileDialog::accept()
{
    QDialog::accept();
}
void RemoteFileDialog::OnDoubleClick(QTreeWidgetItem*) {}
void RemoteFileDialog::OnRenamed(QTreeWidgetItem*, int) {}
void RemoteFileDialog::OnFileNameLeft() {}
void RemoteFileDialog::EnterPath(const std::string&) {}
std::string RemoteFileDialog::ItemPath(const QString&) const
{
    return {};
}
bool RemoteFileDialog::ShowsFiles() const
{
    return false;
}

} // namespace quillet
