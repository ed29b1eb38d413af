#include "net/Cancel.h"

namespace quillet {

namespace {

thread_local const std::atomic<bool>* t_flag = nullptr;

} // namespace

CancelScope::CancelScope(const std::atomic<bool>& flag) : m_previous(t_flag)
{
    t_flag = &flag;
}

CancelScope::~CancelScope()
{
    t_flag = m_previous;
}

bool CancelRequested()
{
    return t_flag && t_flag->load(std::memory_order_relaxed);
}

} // namespace quillet
