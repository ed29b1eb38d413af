#include "html/HtmlWriter.h"

namespace quillet {

bool Quotable(std::string_view value, char quote)
{
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\') {
            if (++i == value.size())
                return false;
        } else if (value[i] == quote) {
            return false;
        }
    }
    return true;
}

namespace {

bool HasBlankOrClose(std::string_view value)
{
    return value.find_first_of(" \t\r\n\v\f>") != std::string_view::npos;
}

// The quote an attribute is written with. A value edited into an attribute that
// had no quotes, or whose quotes it contains, would otherwise end the value or the
// tag early, and a browser would read the following attributes as part of it.
char QuoteFor(const HtmlAttr& attr)
{
    if (!attr.value)
        return attr.quote;
    std::string_view value = *attr.value;
    char quote = attr.quote;
    if (!quote) {
        bool emptyNamed = value.empty() && !attr.name.empty();
        bool startsQuoted = !value.empty() && (value[0] == '"' || value[0] == '\'');
        // A bare word holding "=" would read back as a name and a value.
        bool looksNamed = attr.name.empty() && value.find('=') != std::string_view::npos;
        if (!emptyNamed && !startsQuoted && !looksNamed && !HasBlankOrClose(value))
            return 0;
        quote = '"';
    }
    char other = quote == '"' ? '\'' : '"';
    if (!Quotable(value, quote) && Quotable(value, other))
        return other;
    return quote;
}

void AppendAttr(std::string& out, const HtmlAttr& attr)
{
    char quote = QuoteFor(attr);
    out += attr.name;
    if (!attr.name.empty() && (attr.value || quote))
        out += '=';
    if (quote)
        out += quote;
    if (attr.value)
        out += *attr.value;
    if (quote)
        out += quote;
}

void AppendTextNode(std::string& out, const HtmlNode& node)
{
    for (const HtmlAttr& attr : node.Attrs()) {
        out += attr.name;
        if (!attr.name.empty())
            out += '=';
        if (attr.quote)
            out += attr.quote;
        if (attr.value)
            out += *attr.value;
        if (attr.quote)
            out += attr.quote;
    }
}

} // namespace

void AppendNodeText(std::string& out, const HtmlNode& node, TagText mode)
{
    // A text node's own bytes are its text, in either mode.
    if (!node.Source().empty() && (mode == TagText::Original || node.IsText())) {
        out += node.Source();
        return;
    }
    if (node.IsText()) {
        AppendTextNode(out, node);
        return;
    }
    const std::string& name = node.Name();
    bool bodyNode = name == "!--" || name == "%";
    out += '<';
    out += name;
    for (const HtmlAttr& attr : node.Attrs()) {
        if (bodyNode && attr.value) {
            out += *attr.value;
            continue;
        }
        out += ' ';
        AppendAttr(out, attr);
    }
    out += name[0] == '%' ? "%>" : ">";
}

namespace {

// Writes nodes, copying runs of untouched nodes that lie next to each other in
// their page's text with one append.
class RunWriter {
public:
    RunWriter(std::string& out, TagText mode) : m_out(out), m_mode(mode) {}
    ~RunWriter() { Flush(); }

    void Add(const HtmlNode& node)
    {
        std::string_view source = node.Source();
        if (source.empty() || (m_mode == TagText::Normalised && !node.IsText())) {
            Flush();
            AppendNodeText(m_out, node, m_mode);
            return;
        }
        if (source.data() != m_run.data() + m_run.size()) {
            Flush();
            m_run = source;
            return;
        }
        m_run = std::string_view(m_run.data(), m_run.size() + source.size());
    }

private:
    void Flush()
    {
        m_out += m_run;
        m_run = {};
    }

    std::string& m_out;
    TagText m_mode;
    std::string_view m_run;
};

} // namespace

std::string WriteHtmlString(HtmlPage::const_iterator first, HtmlPage::const_iterator last, TagText mode)
{
    std::string out;
    {
        RunWriter writer(out, mode);
        for (auto it = first; it != last; ++it)
            writer.Add(*it);
    }
    return out;
}

std::string WriteHtmlString(const HtmlPage& page, TagText mode)
{
    std::string out;
    // A page read from text mostly writes back to that size.
    out.reserve(page.empty() ? 0 : page.front().PageTextSize());
    {
        RunWriter writer(out, mode);
        for (const HtmlNode& node : page)
            writer.Add(node);
    }
    return out;
}

} // namespace quillet
