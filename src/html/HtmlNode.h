#pragma once

#include "html/SharedText.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace quillet {

// One attribute of a tag as it stood in the source: the value keeps its
// character references and backslashes. An empty name marks a value-only
// attribute (a bare word such as CHECKED, or a quoted string without a name).
struct HtmlAttr {
    std::string name;
    std::optional<std::string> value;
    char quote = 0; // '"', '\'' or 0

    bool operator==(const HtmlAttr&) const = default;
};

class HtmlPage;
struct PageArena;

// One node of a page: a text stretch (empty name, one unnamed attribute holding
// the text), a comment ("!--"), a server block ("%"), a declaration ("!..."),
// an end tag ("/...") or a start tag. A node read from a page keeps the bytes
// it was read from and writes them back unchanged until it is edited; its name
// and attributes are read from those bytes when they are asked for.
//
// A page holds a million nodes or more, so a node in a page is 16 bytes: its
// links, and the offset and size of its bytes in the page's text. The page is
// found from the node's address (see PageArena). Whatever a node needs beyond
// that (a name of its own, built attributes) lives apart, in an Extra. A node
// outside any page, such as one returned by NewNode, always owns an Extra.
class HtmlNode {
public:
    HtmlNode() = default;
    explicit HtmlNode(std::string name);
    // A copy is a node outside any page; one of a read node keeps its bytes.
    HtmlNode(const HtmlNode& other);
    HtmlNode(HtmlNode&& other) noexcept;
    HtmlNode& operator=(const HtmlNode& other);
    HtmlNode& operator=(HtmlNode&& other) noexcept;
    ~HtmlNode();

    std::string_view Name() const;
    void SetName(std::string name);

    const std::vector<HtmlAttr>& Attrs() const;
    // Editing the attributes drops the original bytes: the tag is then written in normal form.
    std::vector<HtmlAttr>& EditAttrs();

    bool IsText() const;
    // The node's text when it is a text node, else empty.
    std::string_view Text() const;

    // The bytes the node was read from; empty for new or edited nodes.
    std::string_view Source() const;

    // Same name and attributes; where the node came from does not count.
    bool SameAs(const HtmlNode& other) const { return Name() == other.Name() && Attrs() == other.Attrs(); }

    struct Extra;

private:
    friend class HtmlPage;
    friend struct PageArena;

    // m_bits of a node read from the page: a text node's size in the low 28 bits;
    // a tag's size in the low 22, and the length of its name in the next 6.
    static constexpr std::uint32_t kTextSizeMask = (1u << 28) - 1;
    static constexpr std::uint32_t kTagSizeMask = (1u << 22) - 1;
    static constexpr std::uint32_t kNameShift = 22;
    static constexpr std::uint32_t kNameMask = 63;
    static constexpr std::uint32_t kText = 1u << 28;     // a text node read from the page
    static constexpr std::uint32_t kExtra = 1u << 29;    // m_start is the index of an Extra
    static constexpr std::uint32_t kDetached = 1u << 30; // outside any page: m_own holds the Extra

    std::uint32_t ReadSize() const { return m_bits & ((m_bits & kText) ? kTextSizeMask : kTagSizeMask); }

    bool Detached() const { return (m_bits & kDetached) != 0; }
    PageArena& Arena() const;
    Extra* GetExtra() const;
    // A copy of the node's content that owns its bytes; none for an empty node.
    static Extra* CopyOut(const HtmlNode& node);
    // The Extra of a node in a page, made when the node has none.
    Extra& MakeExtra() const;
    std::string_view PageBytes() const;

    struct Links {
        std::uint32_t prev;
        std::uint32_t next;
    };
    union {
        Links m_link;
        Extra* m_own = nullptr;
    };
    mutable std::uint32_t m_start = 0; // offset in the page text, or Extra index
    mutable std::uint32_t m_bits = kDetached;
};

// The pieces of a page's nodes, in blocks that never move: iterators and
// references stay valid while other nodes are inserted, removed or moved within
// the page, and while the page object itself is moved. Moving nodes to another
// page makes them new nodes there (InsertAfter and splice return the first).
class HtmlPage {
public:
    template <bool Const>
    class Iter {
    public:
        using iterator_category = std::bidirectional_iterator_tag;
        using value_type = HtmlNode;
        using difference_type = std::ptrdiff_t;
        using pointer = std::conditional_t<Const, const HtmlNode*, HtmlNode*>;
        using reference = std::conditional_t<Const, const HtmlNode&, HtmlNode&>;

        Iter() = default;
        explicit Iter(HtmlNode* node) : m_node(node) {}
        template <bool C = Const, class = std::enable_if_t<C>>
        Iter(const Iter<false>& other) : m_node(other.m_node)
        {
        }

        reference operator*() const { return *m_node; }
        pointer operator->() const { return m_node; }
        Iter& operator++()
        {
            m_node = Next(m_node);
            return *this;
        }
        Iter operator++(int)
        {
            Iter was = *this;
            ++*this;
            return was;
        }
        Iter& operator--()
        {
            m_node = Prev(m_node);
            return *this;
        }
        Iter operator--(int)
        {
            Iter was = *this;
            --*this;
            return was;
        }
        friend bool operator==(const Iter& a, const Iter& b) { return a.m_node == b.m_node; }

    private:
        friend class HtmlPage;
        template <bool>
        friend class Iter;
        HtmlNode* m_node = nullptr;
    };
    using iterator = Iter<false>;
    using const_iterator = Iter<true>;
    using reverse_iterator = std::reverse_iterator<iterator>;
    using const_reverse_iterator = std::reverse_iterator<const_iterator>;
    using value_type = HtmlNode;

    HtmlPage();
    HtmlPage(const HtmlPage& other);
    HtmlPage(HtmlPage&& other) noexcept;
    // Copies of the nodes from first up to last.
    HtmlPage(const_iterator first, const_iterator last);
    HtmlPage& operator=(const HtmlPage& other);
    HtmlPage& operator=(HtmlPage&& other) noexcept;
    ~HtmlPage();

    iterator begin() { return iterator(Next(Head())); }
    iterator end() { return iterator(Head()); }
    const_iterator begin() const { return const_iterator(Next(Head())); }
    const_iterator end() const { return const_iterator(Head()); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }
    reverse_iterator rbegin() { return reverse_iterator(end()); }
    reverse_iterator rend() { return reverse_iterator(begin()); }
    const_reverse_iterator rbegin() const { return const_reverse_iterator(end()); }
    const_reverse_iterator rend() const { return const_reverse_iterator(begin()); }

    size_t size() const;
    bool empty() const { return size() == 0; }
    HtmlNode& front() { return *begin(); }
    HtmlNode& back() { return *std::prev(end()); }
    const HtmlNode& front() const { return *begin(); }
    const HtmlNode& back() const { return *std::prev(end()); }

    iterator insert(const_iterator pos, HtmlNode node);
    void push_back(HtmlNode node) { insert(end(), std::move(node)); }
    template <class... Args>
    HtmlNode& emplace_back(Args&&... args)
    {
        return *insert(end(), HtmlNode(std::forward<Args>(args)...));
    }
    iterator erase(const_iterator pos);
    iterator erase(const_iterator first, const_iterator last);
    void pop_back() { erase(std::prev(end())); }
    void clear();

    // Moves the nodes [first, last) of other before pos and returns the first moved
    // (pos when none). Within one page the nodes keep their places in memory.
    iterator splice(const_iterator pos, HtmlPage& other, const_iterator first, const_iterator last);
    iterator splice(const_iterator pos, HtmlPage& other) { return splice(pos, other, other.begin(), other.end()); }
    iterator splice(const_iterator pos, HtmlPage&& other) { return splice(pos, other); }

    // A page whose nodes are read from text; the tokenizer adds them in order.
    explicit HtmlPage(SharedText text);
    // nameLength is that of a tag's name, which follows its "<".
    void AppendRead(size_t start, size_t size, bool text, size_t nameLength = 0);
    // The size of the text the page was read from, 0 when it was not.
    size_t TextSize() const;

private:
    static HtmlNode* Next(const HtmlNode* node);
    static HtmlNode* Prev(const HtmlNode* node);
    HtmlNode* Head() const;
    PageArena& Arena() const;

    mutable std::unique_ptr<PageArena> m_arena;
};

using HtmlIter = HtmlPage::iterator;
using NameSet = std::initializer_list<std::string_view>;

bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool NameIn(std::string_view name, NameSet names);

// The first node from `from` on (itself included) whose name is in names; end() when none.
HtmlIter FindNextNamed(HtmlPage& page, HtmlIter from, NameSet names);

// The first attribute of that name; an empty name finds the first value-only attribute.
const HtmlAttr* FindAttr(const HtmlNode& node, std::string_view name);
// The attribute's value, or empty when it is missing or has none.
std::string_view AttrValue(const HtmlNode& node, std::string_view name);

struct AttrSetting {
    std::string_view name;
    std::optional<std::string_view> value; // none keeps an existing value
    char quote = 0;                        // used only for a new attribute
};

// An existing attribute takes the given spelling and value and keeps its quote and
// place; a missing one is appended. Setting the empty name fills the flag slot.
void SetAttrs(HtmlNode& node, std::initializer_list<AttrSetting> settings);
void SetAttr(HtmlNode& node, std::string_view name, std::optional<std::string_view> value, char quote = 0);
void RemoveAttr(HtmlNode& node, std::string_view name);

HtmlNode NewNode(std::string_view name);
HtmlNode NewTextNode(std::string_view text);
// A detached start node and its end node ("/" + name); the start is front().
HtmlPage NewElementPair(std::string_view name);

// Moves every node of nodes after `after`; returns the first moved node, or the
// node after `after` when nodes was empty.
HtmlIter InsertAfter(HtmlPage& page, HtmlIter after, HtmlPage&& nodes);
HtmlIter InsertAfter(HtmlPage& page, HtmlIter after, HtmlNode node);
HtmlIter Append(HtmlPage& page, HtmlNode node);

// The end node of a start node, or the start node of an end node, counting
// nesting of the same name; INPUT and IMAGE match themselves. end() when none.
HtmlIter FindMatchingTag(HtmlPage& page, HtmlIter node);
// Deep copy of the element from start through its match (the start alone without one).
HtmlPage CopyElement(HtmlPage& page, HtmlIter start);
// Replaces what lies between start and the first later node named endName by
// nodes. False, and nothing changed, when no such node follows.
bool ReplaceContent(HtmlPage& page, HtmlIter start, std::string_view endName, HtmlPage&& nodes);
// The text of the text nodes from `from` up to the first node named in stopNames;
// none when there was no text.
std::optional<std::string> CollectText(HtmlPage& page, HtmlIter from, NameSet stopNames);

} // namespace quillet
