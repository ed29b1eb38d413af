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
    std::string_view name = node.Name();
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

// Writes nodes, handing runs of untouched nodes that lie next to each other in
// their page's text to the sink whole, and other nodes' text in pieces of at
// least 64 KB.
class RunWriter {
public:
    RunWriter(const HtmlSink& sink, TagText mode) : m_sink(sink), m_mode(mode) {}

    void Add(const HtmlNode& node)
    {
        std::string_view source = node.Source();
        if (source.empty() || (m_mode == TagText::Normalised && !node.IsText())) {
            Emit(m_run);
            m_run = {};
            AppendNodeText(m_made, node, m_mode);
            if (m_made.size() >= kPiece)
                EmitMade();
            return;
        }
        if (source.data() != m_run.data() + m_run.size()) {
            Emit(m_run);
            EmitMade();
            m_run = source;
            return;
        }
        m_run = std::string_view(m_run.data(), m_run.size() + source.size());
    }

    bool Finish()
    {
        Emit(m_run);
        EmitMade();
        return m_ok;
    }

private:
    static constexpr size_t kPiece = 64 * 1024;

    void Emit(std::string_view piece)
    {
        if (!piece.empty() && m_ok)
            m_ok = m_sink(piece);
    }
    void EmitMade()
    {
        Emit(m_made);
        m_made.clear();
    }

    const HtmlSink& m_sink;
    TagText m_mode;
    std::string_view m_run;
    std::string m_made;
    bool m_ok = true;
};

bool WriteRange(HtmlPage::const_iterator first, HtmlPage::const_iterator last, TagText mode, const HtmlSink& sink)
{
    RunWriter writer(sink, mode);
    for (auto it = first; it != last; ++it)
        writer.Add(*it);
    return writer.Finish();
}

} // namespace

bool WriteHtml(const HtmlPage& page, TagText mode, const HtmlSink& sink)
{
    return WriteRange(page.begin(), page.end(), mode, sink);
}

HtmlSink AppendTo(std::string& out)
{
    return [&out](std::string_view piece) {
        out += piece;
        return true;
    };
}

std::string WriteHtmlString(HtmlPage::const_iterator first, HtmlPage::const_iterator last, TagText mode)
{
    std::string out;
    WriteRange(first, last, mode, AppendTo(out));
    return out;
}

std::string WriteHtmlString(const HtmlPage& page, TagText mode)
{
    std::string out;
    // A page read from text mostly writes back to that size.
    out.reserve(page.TextSize());
    WriteHtml(page, mode, AppendTo(out));
    return out;
}

} // namespace quillet
