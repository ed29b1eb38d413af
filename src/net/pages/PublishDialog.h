#pragma once

#include "project/UploadEntry.h"

#include <QDialog>

namespace quillet {

class GridWidget;
class Prompter;
struct ServerSettings;

// "Publish": the files of an upload list, each with its "Upload?" choice.
// "Upload Now" sends the marked ones and ends the dialog with OK, unless the
// connection failed or the user cancelled, when it stays open.
class PublishDialog : public QDialog {
    Q_OBJECT
public:
    PublishDialog(UploadList& list, const ServerSettings& settings, Prompter& prompter, QWidget* parent = nullptr);

    GridWidget* Grid() const { return m_grid; }
    // Whether every file went up; only then may a publish go on to a test run.
    bool AllSent() const { return m_allSent; }
    // Whether a publish that sent everything says so; a caller that goes on
    // to its own question about the result turns this off.
    bool announceResult = true;

public slots:
    void UploadNow();
    void Print();

private:
    void ApplyCells();

    UploadList& m_list;
    const ServerSettings& m_settings;
    Prompter& m_prompter;
    GridWidget* m_grid;
    bool m_allSent = false;
};

} // namespace quillet
