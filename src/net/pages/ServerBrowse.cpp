#include "net/pages/ServerBrowse.h"

#include "net/pages/RemoteFileDialog.h"
#include "ui/pages/FileChooser.h"

#include <algorithm>

namespace quillet {

namespace {

std::string Slashed(const QString& path)
{
    std::string text = path.toLocal8Bit().toStdString();
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

bool RunRemote(QWidget* parent, RemoteFileDialog::Mode mode, unsigned flags, FtpFields& ftp, const std::string& filter,
               const std::string& initialPath, std::string& chosen, Prompter& prompter)
{
    RemoteFileDialog dialog(mode, flags, filter, initialPath, ftp, prompter, parent);
    bool ok = dialog.exec() == QDialog::Accepted;
    ftp = dialog.Ftp();
    if (ok)
        chosen = Slashed(QString::fromLocal8Bit(dialog.ChosenPath()));
    return ok;
}

} // namespace

RemoteLogin FtpFields::Login() const
{
    ServerSettings settings;
    settings.uploadMethod = method;
    settings.ftpServer = host;
    settings.ftpUser = user;
    settings.ftpPassword = password;
    settings.ftpPassive = passive ? 1 : 0;
    return LoginFor(settings);
}

bool BrowseServerFolder(QWidget* parent, const std::string& uploadMethod, FtpFields& ftp, std::string& folder,
                        Prompter& prompter)
{
    ftp.method = uploadMethod;
    if (IsRemoteMethod(uploadMethod))
        return RunRemote(parent, RemoteFileDialog::Mode::Select, 0, ftp, std::string(kServerFileFilter), folder, folder,
                         prompter);
    QString chosen = FileChooser::Current().Folder(parent, QObject::tr("Select A Windows Folder"));
    if (chosen.isEmpty())
        return false;
    folder = Slashed(chosen);
    return true;
}

bool BrowseServerFile(QWidget* parent, int mode, const std::string& uploadMethod, FtpFields& ftp,
                      const std::string& filter, const std::string& initialPath, std::string& file, Prompter& prompter)
{
    ftp.method = uploadMethod;
    if (IsRemoteMethod(uploadMethod)) {
        auto remoteMode = mode == 2 ? RemoteFileDialog::Mode::Create : RemoteFileDialog::Mode::Open;
        return RunRemote(parent, remoteMode, RemoteFileDialog::kShowFiles, ftp, filter, initialPath, file, prompter);
    }
    QString filterText = QString::fromLocal8Bit(filter);
    QString chosen = mode == 2 ? FileChooser::Current().SaveFile(parent, QString(), filterText, QString())
                               : FileChooser::Current().OpenFile(parent, QString(), filterText);
    if (chosen.isEmpty())
        return false;
    file = Slashed(chosen);
    return true;
}

} // namespace quillet
