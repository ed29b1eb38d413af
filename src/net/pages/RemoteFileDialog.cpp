#include "net/pages/RemoteFileDialog.h"

#include "net/Publisher.h"
#include "net/pages/FtpConnectDialog.h"
#include "project/Messages.h"
#include "project/Prompter.h"
#include "ui/pages/BusyTask.h"
#include "ui/pages/FileChooser.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quillet {

namespace {

enum Column { NameColumn, SizeColumn, ModifiedColumn };
constexpr int kIndexRole = Qt::UserRole;

QString Local(const std::string& text)
{
    return QString::fromLocal8Bit(text);
}

std::string Bytes(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

QToolButton* ToolButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& text)
{
    auto* button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolTip(text);
    button->setAccessibleName(text);
    return button;
}

} // namespace

RemoteFileDialog::RemoteFileDialog(Mode mode, unsigned flags, std::string_view filter, const std::string& initialPath,
                                   const FtpFields& ftp, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_flags(flags), m_filter(filter), m_ftp(ftp), m_prompter(prompter),
      m_startPath(initialPath)
{
    setWindowTitle(mode == Mode::Select ? tr("Select A Server Folder") : tr("Server Files"));
    BuildControls();
    resize(640, 480);
    if (ftp.Complete())
        Connect(ftp);
}

RemoteFileDialog::~RemoteFileDialog() = default;

void RemoteFileDialog::BuildControls()
{
    m_lookIn = new QComboBox(this);
    m_lookIn->setEditable(true);
    m_lookIn->setInsertPolicy(QComboBox::NoInsert);
    m_list = new QTreeWidget(this);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({tr("Name"), tr("Size"), tr("Modified")});
    m_list->setColumnWidth(NameColumn, 200);
    m_list->setColumnWidth(SizeColumn, 100);
    m_list->setColumnWidth(ModifiedColumn, 120);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    m_list->header()->setSectionsClickable(true);
    m_fileName = new QLineEdit(this);
    m_types = new QComboBox(this);
    for (const FileType& type : ParseFileFilter(m_filter))
        m_types->addItem(Local(type.name));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    const char* okTexts[] = {"&Open", "&Select", "&Create"};
    buttons->button(QDialogButtonBox::Ok)->setText(tr(okTexts[static_cast<int>(m_mode)]));
    connect(buttons, &QDialogButtonBox::accepted, this, &RemoteFileDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &RemoteFileDialog::reject);

    auto* top = new QHBoxLayout;
    auto* lookInLabel = new QLabel(tr("&Look in:"), this);
    lookInLabel->setBuddy(m_lookIn);
    top->addWidget(lookInLabel);
    top->addWidget(m_lookIn, 1);
    top->addWidget(BuildToolbar());
    auto* fields = new QFormLayout;
    fields->addRow(tr("File &Name:"), m_fileName);
    fields->addRow(tr("File of &type:"), m_types);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_list, 1);
    layout->addLayout(fields);
    layout->addWidget(BuildOptions());
    layout->addWidget(buttons);
    static_cast<QLabel*>(top->itemAt(0)->widget())->setBuddy(m_lookIn);

    ConnectSignals();
}

void RemoteFileDialog::ConnectSignals()
{
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &RemoteFileDialog::OnDoubleClick);
    connect(m_list, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { m_fileName->setText(item->text(NameColumn)); });
    connect(m_list, &QTreeWidget::itemChanged, this, &RemoteFileDialog::OnRenamed);
    connect(m_list->header(), &QHeaderView::sectionClicked, this, &RemoteFileDialog::OnSortColumn);
    connect(m_fileName, &QLineEdit::editingFinished, this, &RemoteFileDialog::OnFileNameLeft);
    connect(m_lookIn, &QComboBox::activated, this, [this] {
        if (m_browser)
            m_browser->SetCurrentPath(Bytes(m_lookIn->currentText()));
        ListFolder();
    });
    connect(m_types, &QComboBox::currentIndexChanged, this, &RemoteFileDialog::ListFolder);
    auto* remove = new QShortcut(QKeySequence::Delete, m_list, nullptr, nullptr, Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &RemoteFileDialog::DeleteSelected);
}

QWidget* RemoteFileDialog::BuildToolbar()
{
    auto* bar = new QWidget(this);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    const struct {
        QStyle::StandardPixmap icon;
        const char* text;
        void (RemoteFileDialog::*slot)();
    } tools[] = {
        {QStyle::SP_FileDialogToParent, "Up One Level", &RemoteFileDialog::GoUp},
        {QStyle::SP_FileDialogNewFolder, "Create New Folder", &RemoteFileDialog::NewFolder},
        {QStyle::SP_TrashIcon, "Delete", &RemoteFileDialog::DeleteSelected},
        {QStyle::SP_ArrowUp, "Upload", &RemoteFileDialog::Upload},
        {QStyle::SP_ArrowDown, "Download", &RemoteFileDialog::Download},
        {QStyle::SP_DriveNetIcon, "FTP Connect", &RemoteFileDialog::ConnectDialog},
        {QStyle::SP_DialogCloseButton, "Disconnect", &RemoteFileDialog::Disconnect},
    };
    for (const auto& tool : tools) {
        QToolButton* button = ToolButton(bar, tool.icon, tr(tool.text));
        connect(button, &QToolButton::clicked, this, tool.slot);
        layout->addWidget(button);
    }
    QToolButton* simple = ToolButton(bar, QStyle::SP_FileDialogListView, tr("Simple view"));
    QToolButton* detailed = ToolButton(bar, QStyle::SP_FileDialogDetailedView, tr("Detailed view"));
    connect(simple, &QToolButton::clicked, this, [this] { SetDetailed(false); });
    connect(detailed, &QToolButton::clicked, this, [this] { SetDetailed(true); });
    layout->addWidget(simple);
    layout->addWidget(detailed);
    return bar;
}

QWidget* RemoteFileDialog::BuildOptions()
{
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("Transfer As:"), box));
    m_textTransfer = new QRadioButton(tr("Te&xt File"), box);
    auto* binary = new QRadioButton(tr("&Binary File"), box);
    m_textTransfer->setChecked(true);
    layout->addWidget(m_textTransfer);
    layout->addWidget(binary);
    layout->addStretch();
    // A group of their own, so the two pairs of radio buttons do not exclude each other.
    auto* showBox = new QWidget(box);
    auto* showLayout = new QHBoxLayout(showBox);
    showLayout->setContentsMargins(0, 0, 0, 0);
    m_foldersOnly = new QRadioButton(tr("Show folders Only"), showBox);
    m_filesAndFolders = new QRadioButton(tr("Show files and folder"), showBox);
    showLayout->addWidget(m_foldersOnly);
    showLayout->addWidget(m_filesAndFolders);
    layout->addWidget(showBox);
    bool files = (m_flags & kShowFiles) != 0;
    m_filesAndFolders->setChecked(files);
    m_foldersOnly->setChecked(!files);
    m_foldersOnly->setVisible(!files);
    connect(m_filesAndFolders, &QRadioButton::toggled, this, [this](bool on) {
        m_flags = on ? (m_flags | kShowFiles) : (m_flags & ~kShowFiles);
        MakeBrowser();
        ListFolder();
    });
    return box;
}

std::string RemoteFileDialog::CurrentPath() const
{
    return m_browser ? m_browser->CurrentPath() : m_startPath;
}

bool RemoteFileDialog::Busy(const QString& label, const std::function<bool(Prompter& prompter)>& step)
{
    bool ok = false;
    BusyTask task(this, label, m_prompter);
    task.Run([&](BusyTask& self) {
        if (m_connection)
            m_connection->SetProgress([&self](uint64_t done, uint64_t total) {
                self.SetProgress(done, total);
                return true;
            });
        ok = step(self.WorkPrompter());
        if (m_connection)
            m_connection->SetProgress({});
    });
    return ok;
}

void RemoteFileDialog::Connect(const FtpFields& ftp)
{
    Disconnect();
    m_ftp = ftp;
    std::unique_ptr<RemoteConnection> opened;
    ConnectResult result = ConnectResult::Failed;
    bool finished = RunBusy(this, tr("Connecting to %1...").arg(Local(ftp.host)), m_prompter, [&](BusyTask& task) {
        opened = OpenRemoteConnection(ftp.Login(), task.WorkPrompter(), &result);
    });
    if (finished && !opened)
        ReportConnectFailure(result, ftp.host, m_prompter);
    if (!finished || !opened)
        return;
    m_connection = std::move(opened);
    MakeBrowser();
    ListFolder();
}

void RemoteFileDialog::MakeBrowser()
{
    if (!m_connection)
        return;
    std::string path = CurrentPath();
    m_browser = std::make_unique<RemoteBrowser>(*m_connection, m_mode, static_cast<int>(m_flags), m_filter);
    m_browser->SetCurrentPath(path);
}

void RemoteFileDialog::Disconnect()
{
    if (m_browser)
        m_startPath = m_browser->CurrentPath();
    m_browser.reset();
    m_connection.reset();
    m_list->clear();
}

void RemoteFileDialog::ListFolder()
{
    if (!m_browser)
        return;
    m_browser->SetFileType(static_cast<size_t>(std::max(0, m_types->currentIndex())));
    Busy(tr("Listing the folder..."), [this](Prompter&) { return m_browser->Refresh(); });
    ShowItems();
}

void RemoteFileDialog::ShowItems()
{
    m_filling = true;
    m_list->clear();
    const std::vector<RemoteItem>& items = m_browser ? m_browser->Items() : std::vector<RemoteItem>();
    for (size_t i = 0; i < items.size(); ++i) {
        const RemoteItem& item = items[i];
        bool folder = item.kind == RemoteItem::Folder;
        auto* row = new QTreeWidgetItem(m_list, {Local(item.name), folder ? QString() : QString::number(item.size),
                                                 folder ? QString() : Local(FormatModified(item.modified))});
        row->setIcon(NameColumn, style()->standardIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
        row->setData(NameColumn, kIndexRole, static_cast<qulonglong>(i));
        row->setFlags(row->flags() | Qt::ItemIsEditable);
    }
    QString path = Local(CurrentPath());
    if (m_lookIn->findText(path) < 0)
        m_lookIn->insertItem(0, path);
    m_lookIn->setCurrentText(path);
    m_filling = false;
}

const RemoteItem* RemoteFileDialog::ItemOf(QTreeWidgetItem* item) const
{
    if (!item || !m_browser)
        return nullptr;
    size_t index = item->data(NameColumn, kIndexRole).toULongLong();
    return index < m_browser->Items().size() ? &m_browser->Items()[index] : nullptr;
}

std::vector<RemoteItem> RemoteFileDialog::SelectedItems() const
{
    std::vector<RemoteItem> items;
    for (QTreeWidgetItem* item : m_list->selectedItems())
        if (const RemoteItem* remote = ItemOf(item))
            items.push_back(*remote);
    return items;
}

void RemoteFileDialog::OnSortColumn(int column)
{
    if (!m_browser)
        return;
    m_browser->Sort(column == SizeColumn       ? SortColumn::Size
                    : column == ModifiedColumn ? SortColumn::Modified
                                               : SortColumn::Name);
    ShowItems();
}

void RemoteFileDialog::OnDoubleClick(QTreeWidgetItem* item)
{
    const RemoteItem* remote = ItemOf(item);
    if (!remote)
        return;
    RemoteItem chosen = *remote;
    std::optional<std::string> path;
    Busy(tr("Opening %1...").arg(Local(chosen.name)), [&](Prompter&) {
        path = m_browser->Activate(chosen);
        return true;
    });
    if (path) {
        m_chosen = *path;
        QDialog::accept();
        return;
    }
    m_fileName->clear();
    ShowItems();
}

void RemoteFileDialog::OnFileNameLeft()
{
    QList<QTreeWidgetItem*> found = m_list->findItems(m_fileName->text(), Qt::MatchExactly, NameColumn);
    m_list->clearSelection();
    if (!found.isEmpty()) {
        found.first()->setSelected(true);
        m_list->setCurrentItem(found.first());
    } else if (m_mode != Mode::Create) {
        m_fileName->clear();
    }
}

void RemoteFileDialog::OnRenamed(QTreeWidgetItem* item, int column)
{
    const RemoteItem* remote = ItemOf(item);
    if (m_filling || column != NameColumn || !remote || item->text(NameColumn) == Local(remote->name))
        return;
    std::string from = remote->name;
    std::string to = Bytes(item->text(NameColumn));
    Busy(tr("Renaming..."), [&](Prompter& prompter) { return m_browser->Rename(from, to, prompter); });
    ListFolder();
}

void RemoteFileDialog::GoUp()
{
    if (!m_browser)
        return;
    Busy(tr("Listing the folder..."), [this](Prompter&) {
        m_browser->Up();
        return true;
    });
    ShowItems();
}

void RemoteFileDialog::NewFolder()
{
    if (!m_browser)
        return;
    std::optional<std::string> name;
    Busy(tr("Creating a folder..."), [&](Prompter&) {
        name = m_browser->NewFolder();
        return name.has_value();
    });
    ShowItems();
    if (name)
        if (QList<QTreeWidgetItem*> found = m_list->findItems(Local(*name), Qt::MatchExactly); !found.isEmpty())
            m_list->editItem(found.first(), NameColumn);
}

void RemoteFileDialog::DeleteSelected()
{
    std::vector<RemoteItem> items = SelectedItems();
    if (!m_browser || items.empty())
        return;
    Busy(tr("Deleting..."), [&](Prompter& prompter) { return m_browser->Delete(items, prompter); });
    ListFolder();
}

void RemoteFileDialog::Upload()
{
    if (!m_browser)
        return;
    QStringList files = FileChooser::Current().OpenFiles(this, tr("Upload"), Local(std::string(kServerFileFilter)));
    if (files.isEmpty())
        return;
    std::vector<std::string> paths;
    for (const QString& file : files)
        paths.push_back(Bytes(file));
    m_browser->transferType = m_textTransfer->isChecked() ? TransferType::Ascii : TransferType::Binary;
    Busy(tr("Uploading..."), [&](Prompter& prompter) { return m_browser->Upload(paths, prompter); });
    ListFolder();
}

void RemoteFileDialog::Download()
{
    std::vector<RemoteItem> items = SelectedItems();
    if (!m_browser || items.empty())
        return;
    QString folder = FileChooser::Current().Folder(this, tr("Download To"));
    if (folder.isEmpty())
        return;
    m_browser->transferType = m_textTransfer->isChecked() ? TransferType::Ascii : TransferType::Binary;
    Busy(tr("Downloading..."), [&](Prompter&) { return m_browser->Download(items, Bytes(folder)); });
}

void RemoteFileDialog::ConnectDialog()
{
    FtpFields fields = m_ftp;
    bool ok = false;
    if (askLogin) {
        ok = askLogin(fields);
    } else {
        FtpConnectDialog dialog(m_ftp, this);
        ok = dialog.exec() == QDialog::Accepted && dialog.Complete();
        fields = dialog.Fields();
    }
    if (ok && fields.Complete())
        Connect(fields);
}

void RemoteFileDialog::SetDetailed(bool detailed)
{
    m_list->setHeaderHidden(!detailed);
    m_list->setColumnHidden(SizeColumn, !detailed);
    m_list->setColumnHidden(ModifiedColumn, !detailed);
}

void RemoteFileDialog::accept()
{
    if (!m_browser)
        return;
    m_browser->fileName = Bytes(m_fileName->text().trimmed());
    QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    const RemoteItem* item = selected.isEmpty() ? nullptr : ItemOf(selected.first());
    std::optional<std::string> path;
    Busy(tr("Checking the path..."), [&](Prompter&) {
        path = m_browser->Choose(item);
        return true;
    });
    if (!path)
        return;
    m_chosen = *path;
    QDialog::accept();
}

} // namespace quillet
