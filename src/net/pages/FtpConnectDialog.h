#pragma once

#include "net/pages/ServerBrowse.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace quillet {

// "FTP Connect": the server, user and password to browse with.
class FtpConnectDialog : public QDialog {
    Q_OBJECT
public:
    explicit FtpConnectDialog(const FtpFields& ftp, QWidget* parent = nullptr);
    FtpFields Fields() const;
    // Enough is given to log in (FtpFields::Complete).
    bool Complete() const;

private:
    std::string m_method;
    QLineEdit* m_host;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QCheckBox* m_passive;
};

} // namespace quillet
