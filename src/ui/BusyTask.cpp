#include "ui/BusyTask.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QThread>
#include <atomic>
#include <thread>

namespace quillet {

bool DeferredPrompter::AskYesNo(const std::string& text)
{
    m_shown.push_back(text);
    return false;
}

Prompter::Answer DeferredPrompter::AskYesNoCancel(const std::string& text)
{
    m_shown.push_back(text);
    return Answer::Cancel;
}

void DeferredPrompter::Replay(Prompter& prompter) const
{
    for (const std::string& text : m_shown)
        prompter.Show(text);
}

bool RunBusy(QWidget* parent, const QString& label, const std::function<void()>& work)
{
    std::atomic<bool> done = false;
    std::thread worker([&] {
        work();
        done = true;
    });
    QProgressDialog progress(label, QObject::tr("Cancel"), 0, 0, parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setValue(0);
    bool cancelled = false;
    while (!done) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        if (progress.wasCanceled() && !cancelled) {
            cancelled = true;
            progress.hide();
        }
        QThread::msleep(10);
    }
    worker.join();
    return !cancelled;
}

} // namespace quillet
