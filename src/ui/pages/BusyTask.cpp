#include "ui/pages/BusyTask.h"

#include "net/Cancel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <thread>

namespace quillet {

namespace {

class BusyDialog : public QDialog {
public:
    using QDialog::QDialog;
    std::function<void()> onCancel;

    // Escape and the window's close button cancel the work; the dialog stays
    // until the work has ended.
    void reject() override { onCancel(); }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        onCancel();
    }
};

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Drop:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

} // namespace

// Passes the work's messages and questions to the window's thread. Once the
// user has cancelled, nothing more is shown and every question gets No.
class BusyTask::Forwarder : public Prompter {
public:
    explicit Forwarder(BusyTask& task) : m_task(task) {}

    void Show(const std::string& text) override
    {
        Ask<bool>([&] {
            m_task.m_prompter.Show(text);
            return true;
        });
    }
    bool AskYesNo(const std::string& text) override
    {
        return Ask<bool>([&] { return m_task.m_prompter.AskYesNo(text); });
    }
    Answer AskYesNoCancel(const std::string& text) override
    {
        return Ask<Answer>([&] { return m_task.m_prompter.AskYesNoCancel(text); }, Answer::Cancel);
    }

private:
    template <typename Result, typename Question>
    Result Ask(const Question& question, Result cancelled = Result())
    {
        if (m_task.Cancelled())
            return cancelled;
        Result result = cancelled;
        QMetaObject::invokeMethod(
            &m_context,
            [&] {
                m_task.m_asking = true;
                if (m_task.m_dialog)
                    m_task.m_dialog->hide();
                result = question();
                m_task.m_asking = false;
                if (m_task.m_dialog && m_task.m_showDue)
                    m_task.m_dialog->show();
            },
            Qt::BlockingQueuedConnection);
        return result;
    }

    BusyTask& m_task;
    QObject m_context;
};

// Until the modal dialog shows, input to the program's other windows is
// dropped, so nothing else starts while the work runs.
class BusyTask::Filter : public QObject {
public:
    explicit Filter(BusyTask& task) : m_task(task) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_task.m_asking || !IsUserInput(event->type()) || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        return !(m_task.m_dialog && (widget == m_task.m_dialog || m_task.m_dialog->isAncestorOf(widget)));
    }

private:
    BusyTask& m_task;
};

BusyTask::BusyTask(QWidget* parent, const QString& label, Prompter& prompter)
    : m_parent(parent), m_label(label), m_prompter(prompter), m_forwarder(std::make_unique<Forwarder>(*this))
{
}

BusyTask::~BusyTask() = default;

Prompter& BusyTask::WorkPrompter()
{
    return *m_forwarder;
}

void BusyTask::SetStep(const std::string& step)
{
    std::lock_guard lock(m_mutex);
    m_step = step;
}

void BusyTask::SetProgress(uint64_t done, uint64_t total)
{
    std::lock_guard lock(m_mutex);
    m_done = done;
    m_total = total;
}

void BusyTask::Refresh()
{
    if (!m_dialog || m_cancel)
        return;
    std::lock_guard lock(m_mutex);
    auto* step = m_dialog->findChild<QLabel*>("busyStep");
    auto* bar = m_dialog->findChild<QProgressBar*>();
    QString text = QString::fromLocal8Bit(m_step);
    if (step->text() != text)
        step->setText(text);
    // Large byte counts are scaled to what the bar can hold.
    int shift = 0;
    while ((m_total >> shift) > 1000000)
        ++shift;
    bar->setRange(0, static_cast<int>(m_total >> shift));
    bar->setValue(static_cast<int>(std::min(m_done, m_total) >> shift));
}

void BusyTask::Cancel()
{
    if (m_cancel.exchange(true) || !m_dialog)
        return;
    m_dialog->findChild<QPushButton*>()->setEnabled(false);
    m_dialog->findChild<QLabel*>("busyStep")->setText(QObject::tr("Cancelling..."));
}

bool BusyTask::Run(const std::function<void(BusyTask& task)>& work)
{
    BusyDialog dialog(m_parent ? m_parent->window() : nullptr);
    dialog.setObjectName("busyProgress");
    dialog.setWindowTitle(QApplication::applicationName());
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.onCancel = [this] { Cancel(); };
    auto* label = new QLabel(m_label, &dialog);
    auto* step = new QLabel(&dialog);
    step->setObjectName("busyStep");
    step->setTextFormat(Qt::PlainText);
    step->setMinimumWidth(dialog.fontMetrics().averageCharWidth() * 50);
    auto* bar = new QProgressBar(&dialog);
    bar->setRange(0, 0);
    auto* cancel = new QPushButton(QObject::tr("Cancel"), &dialog);
    cancel->setObjectName("busyCancel");
    QObject::connect(cancel, &QPushButton::clicked, &dialog, [this] { Cancel(); });
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(step);
    layout->addWidget(bar);
    layout->addWidget(cancel, 0, Qt::AlignRight);
    m_dialog = &dialog;

    QEventLoop loop;
    Filter filter(*this);
    qApp->installEventFilter(&filter);
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, &dialog, [this] { Refresh(); });
    refresh.start(50);
    QTimer::singleShot(kShowDelayMs, &dialog, [this, &dialog] {
        m_showDue = true;
        if (!m_asking)
            dialog.show();
    });
    std::thread worker([&] {
        {
            CancelScope scope(m_cancel);
            work(*this);
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    qApp->removeEventFilter(&filter);
    m_dialog = nullptr;
    return !m_cancel;
}

bool RunBusy(QWidget* parent, const QString& label, Prompter& prompter, const std::function<void(BusyTask& task)>& work)
{
    BusyTask task(parent, label, prompter);
    return task.Run(work);
}

} // namespace quillet
