#pragma once

#include <atomic>

namespace quillet {

// A server that sends nothing for this long ends the operation with a message
// saying so; every network wait of the program uses it.
constexpr int kStalledServerSeconds = 30;
// The longest a network wait goes without looking at a stop request.
constexpr int kCancelCheckMs = 100;

// While a scope lives, the network waits on its thread give up soon after the
// flag is raised, so a worker whose user pressed Cancel ends within a second.
class CancelScope {
public:
    explicit CancelScope(const std::atomic<bool>& flag);
    ~CancelScope();
    CancelScope(const CancelScope&) = delete;
    CancelScope& operator=(const CancelScope&) = delete;

private:
    const std::atomic<bool>* m_previous;
};

// Whether the work running on this thread was asked to stop.
bool CancelRequested();

} // namespace quillet
