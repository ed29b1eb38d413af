#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace quillet {

// The text of one page, shared by the nodes read from it and by their copies. The
// count is not atomic: a page and its nodes belong to one thread, as the attributes
// that nodes build on first use already require; a page can hold a million nodes.
class SharedText {
public:
    SharedText() = default;
    explicit SharedText(std::string_view text) : m_block(new Block{std::string(text), 1}) {}
    explicit SharedText(std::string&& text) : m_block(new Block{std::move(text), 1}) {}
    SharedText(const SharedText& other) : m_block(other.m_block)
    {
        if (m_block)
            ++m_block->refs;
    }
    SharedText(SharedText&& other) noexcept : m_block(std::exchange(other.m_block, nullptr)) {}
    SharedText& operator=(SharedText other) noexcept
    {
        std::swap(m_block, other.m_block);
        return *this;
    }
    ~SharedText()
    {
        if (m_block && --m_block->refs == 0)
            delete m_block;
    }

    explicit operator bool() const { return m_block != nullptr; }
    const std::string& operator*() const { return m_block->text; }
    const std::string* operator->() const { return &m_block->text; }
    void Reset() { *this = SharedText(); }

private:
    struct Block {
        std::string text;
        size_t refs;
    };
    Block* m_block = nullptr;
};

} // namespace quillet
