#include "ui/pages/ShellServices.h"

#include "project/Messages.h"
#include "project/Prompter.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace quillet {

namespace {

QUrl TargetUrl(const std::string& target)
{
    QString text = QString::fromLocal8Bit(target);
    QUrl url(text);
    return url.scheme().isEmpty() || url.scheme().size() == 1 ? QUrl::fromLocalFile(text) : url;
}

QString EditorCommand(const std::string& editor)
{
    if (!editor.empty())
        return QString::fromLocal8Bit(editor);
    QString fallback = qEnvironmentVariable("VISUAL");
    return fallback.isEmpty() ? qEnvironmentVariable("EDITOR") : fallback;
}

} // namespace

bool OpenWithShell(const std::string& target, Prompter& prompter)
{
    if (!target.empty() && QDesktopServices::openUrl(TargetUrl(target)))
        return true;
    prompter.Show(FormatMessage(Msg::CantOpenAddress, {target}));
    return false;
}

bool LaunchEditor(const std::string& editor, const std::string& file, Prompter& prompter)
{
    QString command = EditorCommand(editor);
    if (command.isEmpty())
        return OpenWithShell(file, prompter);
    // The setting may carry options of its own ("gedit -s").
    QStringList arguments = QProcess::splitCommand(command);
    QString program = arguments.isEmpty() ? command : arguments.takeFirst();
    arguments << QString::fromLocal8Bit(file);
    if (QProcess::startDetached(program, arguments))
        return true;
    prompter.Show(FormatMessage(Msg::CantStartEditor, {command.toLocal8Bit().toStdString()}));
    return false;
}

} // namespace quillet
