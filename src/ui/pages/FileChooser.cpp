#include "ui/pages/FileChooser.h"

#include <QFileDialog>

namespace quillet {

namespace {

FileChooser* g_current = nullptr;

} // namespace

QString QtFilter(const QString& pairs)
{
    QStringList parts = pairs.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            pattern = pattern.trimmed();
        QString name = parts[i];
        // Qt reads the patterns from the parentheses, so the display name loses its own.
        name = name.left(name.indexOf('(')).trimmed();
        filters << QString("%1 (%2)").arg(name, patterns.join(' '));
    }
    return filters.join(";;");
}

QString FileChooser::OpenFile(QWidget* parent, const QString& title, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, title, QString(), QtFilter(filter));
}

QStringList FileChooser::OpenFiles(QWidget* parent, const QString& title, const QString& filter)
{
    return QFileDialog::getOpenFileNames(parent, title, QString(), QtFilter(filter));
}

QString FileChooser::SaveFile(QWidget* parent, const QString& title, const QString& filter, const QString& suggested)
{
    return QFileDialog::getSaveFileName(parent, title, suggested, QtFilter(filter));
}

QString FileChooser::Folder(QWidget* parent, const QString& title)
{
    return QFileDialog::getExistingDirectory(parent, title);
}

FileChooser& FileChooser::Current()
{
    static FileChooser desktop;
    return g_current ? *g_current : desktop;
}

void FileChooser::SetCurrent(FileChooser* chooser)
{
    g_current = chooser;
}

} // namespace quillet
