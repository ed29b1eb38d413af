#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace quillet {

// Every file and folder question of the program goes through the current
// chooser, so that tests can answer in place of the desktop's dialogs.
// Filters are given as "name|patterns|name|patterns||".
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual QString OpenFile(QWidget* parent, const QString& title, const QString& filter);
    virtual QStringList OpenFiles(QWidget* parent, const QString& title, const QString& filter);
    virtual QString SaveFile(QWidget* parent, const QString& title, const QString& filter, const QString& suggested);
    virtual QString Folder(QWidget* parent, const QString& title);

    static FileChooser& Current();
    // nullptr restores the desktop's dialogs.
    static void SetCurrent(FileChooser* chooser);
};

// "name|*.a;*.b|...||" as a Qt filter list "name (*.a *.b);;...".
QString QtFilter(const QString& pairs);

} // namespace quillet
