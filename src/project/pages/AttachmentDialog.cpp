#include "project/pages/AttachmentDialog.h"

#include "project/AttachmentRules.h"
#include "project/Messages.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"
#include "ui/pages/FileChooser.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillet {

namespace {

QString Local(const std::string& text)
{
    return QString::fromLocal8Bit(text.c_str());
}

std::string Bytes(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

QString Filter()
{
    return QString::fromLocal8Bit(AttachmentFileFilter().c_str());
}

QToolButton* FileButton(const char* theme, const QString& tip, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(QIcon::fromTheme(theme));
    button->setToolTip(tip);
    if (button->icon().isNull())
        button->setText(tip);
    return button;
}

} // namespace

AttachmentDialog::AttachmentDialog(Attachment& attachment, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_attachment(attachment), m_working(attachment), m_prompter(prompter),
      m_type(new QComboBox(this)), m_source(new QLineEdit(this)), m_editor(new QPlainTextEdit(this))
{
    setWindowTitle(tr("Attachment"));
    m_type->addItems({tr("Text File (*.txt, *.html, *.csv etc.)"), tr("Binary File (*.avi, *.gif, *.doc etc.)")});
    auto* newFile = FileButton("document-new", tr("New file"), this);
    auto* openFile = FileButton("document-open", tr("Open file"), this);
    auto* saveFile = FileButton("document-save", tr("Save file"), this);
    connect(newFile, &QToolButton::clicked, this, &AttachmentDialog::NewFile);
    connect(openFile, &QToolButton::clicked, this, &AttachmentDialog::OpenFile);
    connect(saveFile, &QToolButton::clicked, this, &AttachmentDialog::SaveFile);
    connect(m_type, &QComboBox::activated, this, [this](int index) { SetTextFile(index == 0); });
    auto* source = new QHBoxLayout;
    source->addWidget(m_source, 1);
    source->addWidget(newFile);
    source->addWidget(openFile);
    source->addWidget(saveFile);
    auto* form = new QFormLayout;
    form->addRow(tr("Attachment &Type:"), m_type);
    // A row of several widgets gets no buddy of its own: the label needs the path box.
    auto* sourceLabel = new QLabel(tr("&Source:"), this);
    sourceLabel->setBuddy(m_source);
    form->addRow(sourceLabel, source);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &AttachmentDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &AttachmentDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_editor, 1);
    layout->addWidget(buttons);

    m_source->setText(Local(m_working.path));
    m_type->setCurrentIndex(m_working.binaryMode ? 1 : 0);
    SetTextFile(!m_working.binaryMode);
    LoadText(m_working.path);
}

bool AttachmentDialog::TextFileChosen() const
{
    return m_type->currentIndex() == 0;
}

void AttachmentDialog::SetTextFile(bool textFile)
{
    m_type->setCurrentIndex(textFile ? 0 : 1);
    m_editor->setVisible(textFile);
    m_editor->setEnabled(textFile);
    ApplyAttachmentType(m_working, textFile);
}

void AttachmentDialog::LoadText(const std::string& path)
{
    std::optional<std::string> text = path.empty() ? std::nullopt : ReadWholeFile(path, kMaxProjectFileBytes);
    m_editor->setPlainText(text ? Local(*text) : QString());
    m_editor->document()->setModified(false);
}

bool AttachmentDialog::SaveIfModified()
{
    if (!m_editor->document()->isModified())
        return true;
    if (!m_prompter.AskYesNo(FormatMessage(Msg::FileModifiedSave, {Bytes(m_source->text())})))
        return true;
    return SaveFile();
}

void AttachmentDialog::OpenFile()
{
    SaveIfModified();
    QString path = FileChooser::Current().OpenFile(this, tr("Open file"), Filter()).trimmed();
    if (path.isEmpty())
        return;
    ApplyOpenedAttachment(m_working, Bytes(path));
    m_type->setCurrentIndex(m_working.binaryMode ? 1 : 0);
    m_editor->setVisible(!m_working.binaryMode);
    m_editor->setEnabled(!m_working.binaryMode);
    m_source->setText(path);
    LoadText(m_working.path);
}

void AttachmentDialog::NewFile()
{
    SaveIfModified();
    QString path = FileChooser::Current().SaveFile(this, tr("New file"), Filter(), "*.htm").trimmed();
    if (path.isEmpty())
        return;
    if (!WriteFileAtomically(Bytes(path), "")) {
        m_prompter.Show(FormatMessage(Msg::CantOpenFile, {Bytes(path)}));
        return;
    }
    m_source->setText(path);
    m_editor->clear();
    m_editor->document()->setModified(false);
}

bool AttachmentDialog::SaveFile()
{
    if (m_source->text().trimmed().isEmpty()) {
        QString path = FileChooser::Current().SaveFile(this, tr("Save file"), Filter(), "*.htm").trimmed();
        if (path.isEmpty())
            return false;
        m_source->setText(path);
    }
    std::string path = Bytes(m_source->text().trimmed());
    if (!WriteFileAtomically(path, Bytes(m_editor->toPlainText()))) {
        m_prompter.Show(FormatMessage(Msg::CantOpenFile, {path}));
        return false;
    }
    m_editor->document()->setModified(false);
    return true;
}

void AttachmentDialog::accept()
{
    // A text that cannot be written keeps the dialog open rather than lose it;
    // typed text without a file asks for one.
    bool typed = !m_source->text().trimmed().isEmpty() || !m_editor->toPlainText().trimmed().isEmpty();
    if (TextFileChosen() && m_editor->document()->isModified() && typed && !SaveFile())
        return;
    std::string path = Bytes(m_source->text());
    FinishAttachment(m_working, path, TextFileChosen());
    m_attachment = m_working;
    QDialog::accept();
}

} // namespace quillet
