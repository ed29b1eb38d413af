#pragma once

#include "html/NodePool.h"
#include "html/SharedText.h"

#include <cstdint>
#include <initializer_list>
#include <list>
#include <optional>
#include <string>
#include <string_view>
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

// One node of a page: a text stretch (empty name, one unnamed attribute holding
// the text), a comment ("!--"), a server block ("%"), a declaration ("!..."),
// an end tag ("/...") or a start tag. A node read from a page keeps the bytes
// it was read from and writes them back unchanged until it is edited; its
// attributes are built from those bytes when they are first asked for.
class HtmlNode {
public:
    HtmlNode() = default;
    explicit HtmlNode(std::string name) : m_name(std::move(name)) {}

    const std::string& Name() const { return m_name; }
    void SetName(std::string name)
    {
        Materialise();
        m_name = std::move(name);
        DropSource();
    }

    const std::vector<HtmlAttr>& Attrs() const
    {
        Materialise();
        return m_attrs;
    }
    // Editing the attributes drops the original bytes: the tag is then written in normal form.
    std::vector<HtmlAttr>& EditAttrs()
    {
        Materialise();
        DropSource();
        return m_attrs;
    }

    bool IsText() const { return m_name.empty(); }
    // The node's text when it is a text node, else empty.
    std::string_view Text() const;

    // The bytes the node was read from; empty for new or edited nodes. They live in
    // the text of the whole page, shared by its nodes and their copies.
    std::string_view Source() const
    {
        return m_pageText ? std::string_view(*m_pageText).substr(m_sourceStart, m_sourceLength & kLengthMask)
                          : std::string_view();
    }
    // source must lie within pageText.
    void SetSource(SharedText pageText, std::string_view source);
    // The size of the page text the node was read from, 0 for new or edited nodes.
    size_t PageTextSize() const { return m_pageText ? m_pageText->size() : 0; }

    // Same name and attributes; where the node came from does not count.
    bool SameAs(const HtmlNode& other) const { return m_name == other.m_name && Attrs() == other.Attrs(); }

private:
    void Materialise() const;
    void DropSource() { m_pageText.Reset(); }

    // A page holds a million nodes or more: keep them small. The top bit of the
    // length marks attributes not yet built from the source.
    static constexpr std::uint32_t kPending = 0x80000000u;
    static constexpr std::uint32_t kLengthMask = ~kPending;
    bool AttrsPending() const { return (m_sourceLength & kPending) != 0; }

    std::string m_name;
    mutable std::vector<HtmlAttr> m_attrs;
    SharedText m_pageText;
    std::uint32_t m_sourceStart = 0;
    mutable std::uint32_t m_sourceLength = 0;
};

// A page is a flat list: iterators held by forms and field rows stay valid while
// other nodes are inserted, removed or spliced.
using HtmlPage = std::list<HtmlNode, NodePool<HtmlNode>>;
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
