#pragma once

#include "project/Prompter.h"

#include <QPointer>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class QDialog;
class QWidget;

namespace quillet {

// One piece of blocking work (a transfer, an administration request, a
// look-up) run on a worker thread behind a modal progress dialog, so the
// window keeps painting and answering. The dialog shows the step the work
// reports; its Cancel raises the stop request that the network waits of core
// look at (CancelScope), so the work ends within a second. Messages and
// questions of the work reach the window's prompter on the window's thread,
// with the progress dialog out of the way.
class BusyTask {
public:
    BusyTask(QWidget* parent, const QString& label, Prompter& prompter);
    ~BusyTask();
    BusyTask(const BusyTask&) = delete;
    BusyTask& operator=(const BusyTask&) = delete;

    // Runs work and returns when it has ended; false when the user cancelled.
    bool Run(const std::function<void(BusyTask& task)>& work);

    // For the work, from its thread: the step shown under the label, and how
    // far it is (total 0: no measure).
    void SetStep(const std::string& step);
    void SetProgress(uint64_t done, uint64_t total);
    // The prompter the work must use instead of the window's own.
    Prompter& WorkPrompter();
    bool Cancelled() const { return m_cancel.load(); }

    // The progress dialog shows itself after this long, so short work does not flash.
    static constexpr int kShowDelayMs = 300;

private:
    class Forwarder;
    class Filter;
    void Refresh();
    void Cancel();

    QWidget* m_parent;
    QString m_label;
    Prompter& m_prompter;
    std::unique_ptr<Forwarder> m_forwarder;
    QPointer<QDialog> m_dialog;
    std::atomic<bool> m_cancel = false;
    std::atomic<bool> m_asking = false;
    bool m_showDue = false;
    std::mutex m_mutex;
    std::string m_step;
    uint64_t m_done = 0;
    uint64_t m_total = 0;
};

// Runs work as a BusyTask; false when the user cancelled.
bool RunBusy(QWidget* parent, const QString& label, Prompter& prompter,
             const std::function<void(BusyTask& task)>& work);

} // namespace quillet
