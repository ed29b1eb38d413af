#include "ui/pages/QtPrompter.h"

#include <QApplication>
#include <QMessageBox>

namespace quillet {

namespace {

// Message texts carry CR LF line breaks; a message box wants LF only.
QString BoxText(const std::string& text)
{
    return QString::fromLocal8Bit(text).replace("\r\n", "\n").trimmed();
}

QMessageBox::StandardButton Ask(const std::string& text, QMessageBox::StandardButtons buttons)
{
    return QMessageBox::question(QApplication::activeWindow(), QApplication::applicationName(), BoxText(text), buttons);
}

} // namespace

void QtPrompter::Show(const std::string& text)
{
    QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(), BoxText(text));
}

bool QtPrompter::AskYesNo(const std::string& text)
{
    return Ask(text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

Prompter::Answer QtPrompter::AskYesNoCancel(const std::string& text)
{
    switch (Ask(text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

} // namespace quillet
