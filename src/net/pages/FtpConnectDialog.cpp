#include "net/pages/FtpConnectDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

namespace quillet {

FtpConnectDialog::FtpConnectDialog(const FtpFields& ftp, QWidget* parent)
    : QDialog(parent), m_method(ftp.method), m_host(new QLineEdit(QString::fromLocal8Bit(ftp.host), this)),
      m_user(new QLineEdit(QString::fromLocal8Bit(ftp.user), this)),
      m_password(new QLineEdit(QString::fromLocal8Bit(ftp.password), this)),
      m_passive(new QCheckBox(tr("Enable FTP &Passive Mode"), this))
{
    setWindowTitle(tr("FTP Connect"));
    m_password->setEchoMode(QLineEdit::Password);
    m_passive->setChecked(ftp.passive);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(tr("FTP Server &Address:"), m_host);
    form->addRow(tr("FTP User &Name:"), m_user);
    form->addRow(tr("FTP Pass&word:"), m_password);
    form->addRow(QString(), m_passive);
    form->addRow(buttons);
}

FtpFields FtpConnectDialog::Fields() const
{
    return {m_host->text().trimmed().toLocal8Bit().toStdString(), m_user->text().toLocal8Bit().toStdString(),
            m_password->text().toLocal8Bit().toStdString(), m_passive->isChecked(), m_method};
}

bool FtpConnectDialog::Complete() const
{
    return Fields().Complete();
}

} // namespace quillet
