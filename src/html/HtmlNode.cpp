#include "html/HtmlNode.h"

#include "html/HtmlTokenizer.h"

#include <algorithm>

namespace quillet {

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// "/name" for a start node, "name" for an end node; empty for nodes without a counterpart.
std::string CounterpartName(const std::string& name)
{
    if (name.empty() || name[0] == '!' || name[0] == '%')
        return {};
    if (name[0] == '/')
        return name.size() > 1 ? name.substr(1) : std::string();
    return "/" + name;
}

} // namespace

std::string_view HtmlNode::Text() const
{
    if (!IsText())
        return {};
    if (AttrsPending())
        return Source();
    if (m_attrs.empty() || !m_attrs.front().value)
        return {};
    return *m_attrs.front().value;
}

void HtmlNode::SetSource(SharedText pageText, std::string_view source)
{
    m_attrs.clear();
    size_t start = pageText ? static_cast<size_t>(source.data() - pageText->data()) : 0;
    if (!pageText || start > UINT32_MAX || source.size() > kLengthMask) {
        // Beyond what a node can point at: keep the parts, not the bytes.
        m_attrs = ReadNodeAttrs(m_name, source);
        m_pageText.Reset();
        m_sourceLength = 0;
        return;
    }
    m_pageText = std::move(pageText);
    m_sourceStart = static_cast<std::uint32_t>(start);
    m_sourceLength = static_cast<std::uint32_t>(source.size()) | kPending;
}

void HtmlNode::Materialise() const
{
    if (!AttrsPending())
        return;
    m_attrs = ReadNodeAttrs(m_name, Source());
    m_sourceLength &= kLengthMask;
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
    HtmlIter position = std::next(after);
    HtmlIter first = nodes.empty() ? position : nodes.begin();
    page.splice(position, nodes);
    return first;
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
    const std::string& name = node->Name();
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
