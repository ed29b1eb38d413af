#include "net/pages/MessageTemplate.h"

#include "html/pages/TemplateEditor.h"
#include "net/MailPageModel.h"
#include "project/Messages.h"
#include "project/Project.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"
#include "project/pages/ActionPages.h"
#include "ui/pages/FileChooser.h"
#include "ui/pages/ShellServices.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

namespace quillet {

namespace {

const QString kTemplateFilter =
    QStringLiteral("HTML File (*.html;*.htm;*.shtml;*.dhtml)|*.html;*.htm;*.shtml;*.dhtml|TEXT FILE (*.txt)|*.txt||");

QString Text(const std::string& text)
{
    return QString::fromLocal8Bit(text.c_str(), static_cast<qsizetype>(text.size()));
}

} // namespace

MessageTemplate::MessageTemplate(const ActionPageContext& context, QWidget* parent)
    : QGroupBox(tr("Format Message"), parent), m_context(context),
      m_label(
          new QLabel(tr("Dynamic Message Template:  (If you do not provide one, the default template is used)"), this)),
      m_path(new QLineEdit(this)), m_editor(new TemplateEditor(context, this)),
      m_htmlEditor(new QPushButton(tr("Open HTML file in an external HTML editor"), this))
{
    m_label->setBuddy(m_path);
    m_label->setWordWrap(true);
    m_editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* newButton = new QPushButton(tr("New template file"), this);
    auto* openButton = new QPushButton(tr("Open template file"), this);
    auto* saveButton = new QPushButton(tr("Save template file"), this);
    connect(newButton, &QPushButton::clicked, this, &MessageTemplate::NewFile);
    connect(openButton, &QPushButton::clicked, this, &MessageTemplate::OpenFile);
    connect(saveButton, &QPushButton::clicked, this, &MessageTemplate::SaveFile);
    connect(m_htmlEditor, &QPushButton::clicked, this, &MessageTemplate::OpenInHtmlEditor);
    auto* save = new QShortcut(QKeySequence::Save, m_editor, nullptr, nullptr, Qt::WidgetShortcut);
    connect(save, &QShortcut::activated, this, &MessageTemplate::SaveFile);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_label, 0, 0, 1, 4);
    layout->addWidget(m_path, 1, 0);
    layout->addWidget(newButton, 1, 1);
    layout->addWidget(openButton, 1, 2);
    layout->addWidget(saveButton, 1, 3);
    layout->addWidget(m_editor, 2, 0, 1, 4);
    layout->addWidget(m_htmlEditor, 3, 0, 1, 4, Qt::AlignLeft);
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(2, 1);
}

std::string MessageTemplate::Path() const
{
    return m_path->text().trimmed().toLocal8Bit().toStdString();
}

std::string MessageTemplate::DiskPath(const std::string& path) const
{
    return TemplateFilePath(path, m_context.projectFile);
}

void MessageTemplate::Load(const std::string& path)
{
    m_path->setText(Text(path));
    std::optional<std::string> text = path.empty() ? std::nullopt : ReadWholeFile(DiskPath(path), kMaxProjectFileBytes);
    m_editor->SetText(text.value_or(std::string()));
    m_editor->document()->setModified(false);
}

bool MessageTemplate::WriteText(const std::string& path)
{
    if (!WriteFileAtomically(DiskPath(path), m_editor->Text())) {
        m_context.prompter.Show(FormatMessage(Msg::CantOpenFile, {DiskPath(path)}));
        return false;
    }
    m_editor->document()->setModified(false);
    return true;
}

bool MessageTemplate::HasUnsavedText() const
{
    if (!m_editor->document()->isModified())
        return false;
    // Text cleared again before it had a file has nothing to keep.
    return !Path().empty() || !m_editor->toPlainText().trimmed().isEmpty();
}

bool MessageTemplate::StoreText()
{
    if (!HasUnsavedText())
        return true;
    return Path().empty() ? SaveFile() : WriteText(Path());
}

bool MessageTemplate::SaveIfModified()
{
    if (!m_editor->document()->isModified())
        return true;
    if (!m_context.prompter.AskYesNo(FormatMessage(Msg::FileModifiedSave, {Path()})))
        return true;
    return SaveFile();
}

bool MessageTemplate::NewFile()
{
    if (!SaveIfModified())
        return false;
    QString chosen = FileChooser::Current().SaveFile(this, tr("New template file"), kTemplateFilter, "*.htm");
    if (chosen.isEmpty())
        return false;
    std::string path = chosen.trimmed().toLocal8Bit().toStdString();
    if (!CreateTemplateFile(path)) {
        m_context.prompter.Show(FormatMessage(Msg::CantOpenFile, {path}));
        return false;
    }
    m_path->setText(Text(PathForProject(path, m_context.projectFile)));
    m_editor->SetText(std::string());
    m_editor->document()->setModified(false);
    return true;
}

bool MessageTemplate::OpenFile()
{
    if (!SaveIfModified())
        return false;
    QString chosen = FileChooser::Current().OpenFile(this, tr("Open template file"), kTemplateFilter);
    if (chosen.isEmpty())
        return false;
    Load(PathForProject(chosen.trimmed().toLocal8Bit().toStdString(), m_context.projectFile));
    return true;
}

bool MessageTemplate::SaveFile()
{
    if (Path().empty()) {
        QString chosen = FileChooser::Current().SaveFile(this, tr("Save template file"), kTemplateFilter, "*.htm");
        if (chosen.isEmpty())
            return false;
        m_path->setText(Text(PathForProject(chosen.trimmed().toLocal8Bit().toStdString(), m_context.projectFile)));
    }
    return WriteText(Path());
}

void MessageTemplate::OpenInHtmlEditor()
{
    if (!SaveFile())
        return;
    LaunchEditor(m_context.project.settings.htmlEditor, DiskPath(Path()), m_context.prompter);
}

} // namespace quillet
