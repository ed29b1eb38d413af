#include "html/HtmlNode.h"

#include "html/HtmlTokenizer.h"
#include "html/PageArena.h"

#include <algorithm>

namespace quillet {

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// "/name" for a start node, "name" for an end node; empty for nodes without a counterpart.
std::string CounterpartName(std::string_view name)
{
    if (name.empty() || name[0] == '!' || name[0] == '%')
        return {};
    if (name[0] == '/')
        return std::string(name.substr(1));
    return "/" + std::string(name);
}

} // namespace

HtmlNode::HtmlNode(std::string name) : m_own(new Extra{std::move(name), {}, {}, {}, false}) {}

HtmlNode::Extra* HtmlNode::CopyOut(const HtmlNode& node)
{
    Extra* extra = node.GetExtra();
    std::string_view bytes = extra ? extra->source : node.PageBytes();
    if (!extra && bytes.empty())
        return nullptr;
    Extra* copy = extra ? new Extra(*extra) : new Extra{std::string(node.Name()), {}, bytes, {}, true};
    // Outside a page nothing else keeps the bytes.
    if (!copy->source.empty() && !copy->own) {
        copy->own = SharedText(copy->source);
        copy->source = *copy->own;
    }
    return copy;
}

HtmlNode::HtmlNode(const HtmlNode& other) : m_own(CopyOut(other)) {}

HtmlNode::HtmlNode(HtmlNode&& other) noexcept
    : m_own(other.Detached() ? std::exchange(other.m_own, nullptr) : CopyOut(other))
{
}

HtmlNode& HtmlNode::operator=(const HtmlNode& other)
{
    if (this != &other)
        *this = HtmlNode(other);
    return *this;
}

HtmlNode& HtmlNode::operator=(HtmlNode&& other) noexcept
{
    if (this == &other)
        return *this;
    if (!Detached()) {
        // A node of a page takes the content and keeps its place.
        PageArena& arena = Arena();
        if (m_bits & kExtra)
            arena.TakeExtra(m_start);
        arena.Adopt(this, std::move(other));
        return *this;
    }
    HtmlNode taken(std::move(other));
    std::swap(m_own, taken.m_own);
    return *this;
}

HtmlNode::~HtmlNode()
{
    if (Detached())
        delete m_own;
}

PageArena& HtmlNode::Arena() const
{
    return PageArena::Of(this);
}

HtmlNode::Extra* HtmlNode::GetExtra() const
{
    if (Detached())
        return m_own;
    return (m_bits & kExtra) ? Arena().extras[m_start].get() : nullptr;
}

std::string_view HtmlNode::PageBytes() const
{
    std::uint32_t size = ReadSize();
    if (Detached() || (m_bits & kExtra) || size == 0)
        return {};
    return std::string_view(Arena().text->data() + m_start, size);
}

HtmlNode::Extra& HtmlNode::MakeExtra() const
{
    if (Extra* extra = GetExtra())
        return *extra;
    auto* self = const_cast<HtmlNode*>(this);
    std::string_view bytes = PageBytes();
    auto extra = std::make_unique<Extra>(Extra{std::string(Name()), {}, bytes, {}, !bytes.empty()});
    if (Detached()) {
        self->m_own = extra.release();
        return *m_own;
    }
    PageArena& arena = Arena();
    m_start = arena.AddExtra(std::move(extra));
    m_bits = kExtra;
    return *arena.extras[m_start];
}

std::string_view HtmlNode::Name() const
{
    if (Extra* extra = GetExtra())
        return extra->name;
    if (m_bits & kText)
        return {};
    std::uint32_t length = (m_bits >> kNameShift) & kNameMask;
    return length ? std::string_view(Arena().text->data() + m_start + 1, length) : std::string_view();
}

bool HtmlNode::IsText() const
{
    return Name().empty();
}

void HtmlNode::SetName(std::string name)
{
    Attrs();
    Extra& extra = MakeExtra();
    extra.name = std::move(name);
    extra.source = {};
    extra.own.Reset();
}

const std::vector<HtmlAttr>& HtmlNode::Attrs() const
{
    static const std::vector<HtmlAttr> none;
    Extra* extra = GetExtra();
    if (!extra) {
        if (PageBytes().empty())
            return none;
        extra = &MakeExtra();
    }
    if (extra->attrsPending) {
        extra->attrs = ReadNodeAttrs(extra->name, extra->source);
        extra->attrsPending = false;
    }
    return extra->attrs;
}

std::vector<HtmlAttr>& HtmlNode::EditAttrs()
{
    Attrs();
    Extra& extra = MakeExtra();
    extra.source = {};
    extra.own.Reset();
    return extra.attrs;
}

std::string_view HtmlNode::Text() const
{
    Extra* extra = GetExtra();
    if (!extra)
        return (m_bits & kText) ? PageBytes() : std::string_view();
    if (!extra->name.empty())
        return {};
    if (extra->attrsPending)
        return extra->source;
    if (extra->attrs.empty() || !extra->attrs.front().value)
        return {};
    return *extra->attrs.front().value;
}

std::string_view HtmlNode::Source() const
{
    Extra* extra = GetExtra();
    return extra ? extra->source : PageBytes();
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool NameIn(std::string_view name, NameSet names)
{
    return std::any_of(names.begin(), names.end(), [name](std::string_view n) { return EqualsNoCase(name, n); });
}

HtmlIter FindNextNamed(HtmlPage& page, HtmlIter from, NameSet names)
{
    return std::find_if(from, page.end(), [names](const HtmlNode& n) { return NameIn(n.Name(), names); });
}

const HtmlAttr* FindAttr(const HtmlNode& node, std::string_view name)
{
    for (const HtmlAttr& attr : node.Attrs())
        if (EqualsNoCase(attr.name, name))
            return &attr;
    return nullptr;
}

std::string_view AttrValue(const HtmlNode& node, std::string_view name)
{
    const HtmlAttr* attr = FindAttr(node, name);
    return attr && attr->value ? std::string_view(*attr->value) : std::string_view();
}

void SetAttr(HtmlNode& node, std::string_view name, std::optional<std::string_view> value, char quote)
{
    std::vector<HtmlAttr>& attrs = node.EditAttrs();
    auto found =
        std::find_if(attrs.begin(), attrs.end(), [name](const HtmlAttr& a) { return EqualsNoCase(a.name, name); });
    if (found == attrs.end()) {
        HtmlAttr& added = attrs.emplace_back();
        added.name = name;
        if (value)
            added.value = std::string(*value);
        added.quote = quote;
        return;
    }
    found->name = name;
    if (value)
        found->value = std::string(*value);
}

void SetAttrs(HtmlNode& node, std::initializer_list<AttrSetting> settings)
{
    for (const AttrSetting& s : settings)
        SetAttr(node, s.name, s.value, s.quote);
}

void RemoveAttr(HtmlNode& node, std::string_view name)
{
    if (!FindAttr(node, name))
        return;
    std::vector<HtmlAttr>& attrs = node.EditAttrs();
    attrs.erase(
        std::find_if(attrs.begin(), attrs.end(), [name](const HtmlAttr& a) { return EqualsNoCase(a.name, name); }));
}

HtmlNode NewNode(std::string_view name)
{
    return HtmlNode(std::string(name));
}

HtmlNode NewTextNode(std::string_view text)
{
    HtmlNode node;
    SetAttr(node, "", text);
    return node;
}

HtmlPage NewElementPair(std::string_view name)
{
    HtmlPage pair;
    pair.push_back(NewNode(name));
    pair.push_back(NewNode("/" + std::string(name)));
    return pair;
}

HtmlIter InsertAfter(HtmlPage& page, HtmlIter after, HtmlPage&& nodes)
{
    return page.splice(std::next(after), nodes);
}

HtmlIter InsertAfter(HtmlPage& page, HtmlIter after, HtmlNode node)
{
    return page.insert(std::next(after), std::move(node));
}

HtmlIter Append(HtmlPage& page, HtmlNode node)
{
    return page.insert(page.end(), std::move(node));
}

HtmlIter FindMatchingTag(HtmlPage& page, HtmlIter node)
{
    std::string_view name = node->Name();
    if (EqualsNoCase(name, "INPUT") || EqualsNoCase(name, "IMAGE"))
        return node;
    std::string counterpart = CounterpartName(name);
    if (counterpart.empty())
        return page.end();
    int depth = 1;
    auto step = [&](const HtmlNode& n) {
        if (EqualsNoCase(n.Name(), name))
            ++depth;
        else if (EqualsNoCase(n.Name(), counterpart))
            --depth;
        return depth == 0;
    };
    if (name[0] != '/') {
        HtmlIter found = std::find_if(std::next(node), page.end(), step);
        return found;
    }
    auto back = std::find_if(std::make_reverse_iterator(node), page.rend(), step);
    return back == page.rend() ? page.end() : std::prev(back.base());
}

HtmlPage CopyElement(HtmlPage& page, HtmlIter start)
{
    HtmlIter last = FindMatchingTag(page, start);
    if (last == page.end() || start->Name().starts_with('/'))
        last = start;
    return HtmlPage(start, std::next(last));
}

bool ReplaceContent(HtmlPage& page, HtmlIter start, std::string_view endName, HtmlPage&& nodes)
{
    HtmlIter end = FindNextNamed(page, std::next(start), {endName});
    if (end == page.end())
        return false;
    page.erase(std::next(start), end);
    page.splice(end, nodes);
    return true;
}

std::optional<std::string> CollectText(HtmlPage& page, HtmlIter from, NameSet stopNames)
{
    std::string text;
    for (HtmlIter it = from; it != page.end() && !NameIn(it->Name(), stopNames); ++it)
        if (it->IsText())
            text += it->Text();
    if (text.empty())
        return std::nullopt;
    return text;
}

} // namespace quillet
