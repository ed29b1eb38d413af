#include "net/pages/PublishDialog.h"

#include "net/Publisher.h"
#include "project/Messages.h"
#include "project/Prompter.h"
#include "project/ServerSettings.h"
#include "ui/pages/BusyTask.h"
#include "ui/pages/GridWidget.h"
#include "ui/pages/ShellServices.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillet {

namespace {

enum Column { UploadColumn, TypeColumn, PermissionColumn, LocalColumn, RemoteColumn };

QString Local(const std::string& text)
{
    return QString::fromLocal8Bit(text);
}

} // namespace

PublishDialog::PublishDialog(UploadList& list, const ServerSettings& settings, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_list(list), m_settings(settings), m_prompter(prompter), m_grid(new GridWidget(this))
{
    setWindowTitle(tr("Publish"));
    m_grid->SetColumns({"Upload?", "File Type", "Permission", "Local File", "Remote File"}, {40, 60, 40, 160, 160});
    m_grid->SetColumnKind(UploadColumn, GridWidget::CellKind::DropDown, {"", "Upload"});
    for (int column : {TypeColumn, PermissionColumn, LocalColumn, RemoteColumn})
        m_grid->SetColumnKind(column, GridWidget::CellKind::ReadOnly);
    std::vector<PublishRow> rows = PublishRows(list);
    m_grid->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        const PublishRow& cells = rows[static_cast<size_t>(row)];
        m_grid->SetText(row, UploadColumn, Local(cells.upload));
        m_grid->SetText(row, TypeColumn, Local(cells.fileType));
        m_grid->SetText(row, PermissionColumn, Local(cells.permission));
        m_grid->SetText(row, LocalColumn, Local(cells.localFile));
        m_grid->SetText(row, RemoteColumn, Local(cells.remoteFile));
    }

    auto* buttons = new QDialogButtonBox(this);
    auto* upload = buttons->addButton(tr("&Upload Now"), QDialogButtonBox::AcceptRole);
    auto* print = buttons->addButton(tr("&Print"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    upload->setObjectName("uploadNow");
    print->setObjectName("print");
    disconnect(buttons, nullptr, this, nullptr);
    connect(upload, &QPushButton::clicked, this, &PublishDialog::UploadNow);
    connect(print, &QPushButton::clicked, this, &PublishDialog::Print);
    connect(buttons, &QDialogButtonBox::rejected, this, &PublishDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("The following is the list of files that will be uploaded to your remote Web "
                                    "server:"),
                                 this));
    layout->addWidget(m_grid);
    layout->addWidget(buttons);
    resize(720, 420);
}

void PublishDialog::ApplyCells()
{
    std::vector<std::string> cells;
    for (int row = 0; row < m_grid->rowCount(); ++row)
        cells.push_back(m_grid->Text(row, UploadColumn).toLocal8Bit().toStdString());
    ApplyUploadCells(m_list, cells);
}

void PublishDialog::UploadNow()
{
    ApplyCells();
    PublishOutcome outcome = PublishOutcome::Cancelled;
    size_t sent = 0;
    RunBusy(this, tr("Uploading..."), m_prompter, [&](BusyTask& task) {
        auto onProgress = [&task](const PublishProgress& step) {
            task.SetProgress(step.index, step.count);
            if (step.entry)
                task.SetStep(step.entry->remotePath);
            return !task.Cancelled();
        };
        outcome = quillet::UploadNow(m_list, m_settings, task.WorkPrompter(), onProgress, &sent);
    });
    m_allSent = outcome == PublishOutcome::Done;
    std::string result = PublishResultText(outcome, sent, m_list, m_settings);
    if (!result.empty() && (!m_allSent || announceResult))
        m_prompter.Show(result);
    // A refused login or a cancel keeps the list open for another try.
    if (outcome == PublishOutcome::ConnectionFailed || outcome == PublishOutcome::Cancelled)
        return;
    accept();
}

void PublishDialog::Print()
{
    ApplyCells();
    std::string path = UploadPrintoutPath();
    if (!WriteUploadPrintout(m_list, path)) {
        m_prompter.Show(FormatMessage(Msg::CantCreateFile, {path}));
        return;
    }
    LaunchEditor(m_settings.htmlEditor, path, m_prompter);
}

} // namespace quillet
