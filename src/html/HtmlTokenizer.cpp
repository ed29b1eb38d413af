#include "html/HtmlTokenizer.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace quillet {

namespace {

enum CharClass : unsigned char { kSpace = 1, kLetter = 2, kName = 4 };

constexpr std::array<unsigned char, 256> MakeClasses()
{
    std::array<unsigned char, 256> table{};
    for (char c : {' ', '\t', '\r', '\n', '\v', '\f'})
        table[static_cast<unsigned char>(c)] = kSpace;
    for (int c = 0; c < 256; ++c) {
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (letter)
            table[c] = kLetter | kName;
        if (c >= '0' && c <= '9')
            table[c] = kName;
        // Custom elements and XML-style names ("my-widget", "o:p") must stay whole.
        if (c == '-' || c == '_' || c == '.' || c == ':' || c >= 0x80)
            table[c] = kName;
    }
    return table;
}

constexpr std::array<unsigned char, 256> kClasses = MakeClasses();

bool Is(char c, CharClass cls)
{
    return (kClasses[static_cast<unsigned char>(c)] & cls) != 0;
}

constexpr std::string_view kRawElements[] = {"script", "style", "textarea"};

size_t SkipSpaceFrom(std::string_view text, size_t pos)
{
    while (pos < text.size() && Is(text[pos], kSpace))
        ++pos;
    return pos;
}

// Reads the attributes of a tag up to its ">". The tokenizer only scans them to find
// where the tag ends; a node builds them from its own bytes when they are first asked for.
class AttrReader {
public:
    AttrReader(std::string_view text, size_t pos, std::vector<HtmlAttr>* out) : m_text(text), m_pos(pos), m_out(out) {}

    // The position after ">", or npos when the text ends first.
    size_t ReadAll();

private:
    char At(size_t pos) const { return pos < m_text.size() ? m_text[pos] : '\0'; }
    bool ReadAttribute();
    bool ReadQuoted(HtmlAttr& attr);
    void Keep(HtmlAttr& attr);

    std::string_view m_text;
    size_t m_pos;
    std::vector<HtmlAttr>* m_out;
};

size_t AttrReader::ReadAll()
{
    for (;;) {
        m_pos = SkipSpaceFrom(m_text, m_pos);
        if (m_pos >= m_text.size())
            return std::string_view::npos;
        if (m_text[m_pos] == '>')
            return m_pos + 1;
        if (!ReadAttribute())
            return std::string_view::npos;
    }
}

// One attribute: a quoted value alone, a bare word, or a name, "=" (blanks allowed
// around it) and a value.
bool AttrReader::ReadAttribute()
{
    HtmlAttr attr;
    char c = m_text[m_pos];
    if (c == '"' || c == '\'') {
        if (!ReadQuoted(attr))
            return false;
        Keep(attr);
        return true;
    }
    size_t nameStart = m_pos;
    while (m_pos < m_text.size() && !Is(m_text[m_pos], kSpace) && m_text[m_pos] != '=' && m_text[m_pos] != '>')
        ++m_pos;
    std::string_view word = m_text.substr(nameStart, m_pos - nameStart);
    m_pos = SkipSpaceFrom(m_text, m_pos);
    if (At(m_pos) != '=') {
        if (m_out)
            attr.value = std::string(word);
        Keep(attr);
        return true;
    }
    if (m_out)
        attr.name = word;
    m_pos = SkipSpaceFrom(m_text, m_pos + 1);
    if (m_pos >= m_text.size())
        return false;
    if (m_text[m_pos] == '"' || m_text[m_pos] == '\'') {
        if (!ReadQuoted(attr))
            return false;
    } else {
        size_t valueStart = m_pos;
        while (m_pos < m_text.size() && !Is(m_text[m_pos], kSpace) && m_text[m_pos] != '>')
            ++m_pos;
        if (m_out)
            attr.value = std::string(m_text.substr(valueStart, m_pos - valueStart));
    }
    Keep(attr);
    return true;
}

// A value in quotes; a backslash keeps the next character, quote included, in the value.
bool AttrReader::ReadQuoted(HtmlAttr& attr)
{
    char quote = m_text[m_pos];
    size_t valueStart = ++m_pos;
    while (m_pos < m_text.size() && m_text[m_pos] != quote)
        m_pos += m_text[m_pos] == '\\' ? 2 : 1;
    if (m_pos >= m_text.size())
        return false;
    if (m_out)
        attr.value = std::string(m_text.substr(valueStart, m_pos - valueStart));
    attr.quote = quote;
    ++m_pos;
    return true;
}

// An empty value is stored as none (its quotes are kept); an attribute with neither name nor value is dropped.
void AttrReader::Keep(HtmlAttr& attr)
{
    if (!m_out)
        return;
    if (attr.value && attr.value->empty())
        attr.value.reset();
    if (!attr.name.empty() || attr.value)
        m_out->push_back(std::move(attr));
}

class Tokenizer {
public:
    explicit Tokenizer(SharedText text) : m_text(*text), m_page(std::move(text)) {}
    HtmlPage Run(std::optional<OpenConstruct>* openAtEnd);

private:
    char At(size_t pos) const { return pos < m_text.size() ? m_text[pos] : '\0'; }
    bool AtEnd() const { return m_pos >= m_text.size(); }
    void SkipSpace() { m_pos = SkipSpaceFrom(m_text, m_pos); }
    bool OpensMarkup(size_t pos) const;
    size_t FindRawEnd() const;

    // Each reader starts at m_pos and returns false when the page ends before its construct closes.
    void ReadText();
    bool ReadRawText();
    OpenConstruct::Kind MarkupKind(size_t start) const;
    bool ReadMarkup();
    bool ReadComment(size_t start);
    bool ReadServerBlock(size_t start);
    bool ReadTag(size_t start);

    void AddText(size_t start, size_t end) { m_page.AppendRead(start, end - start, true); }
    void AddTag(size_t start, size_t end, size_t nameLength)
    {
        m_page.AppendRead(start, end - start, false, nameLength);
    }

    std::string_view m_text;
    size_t m_pos = 0;
    bool m_rawNext = false;
    HtmlPage m_page;
};

HtmlPage Tokenizer::Run(std::optional<OpenConstruct>* openAtEnd)
{
    while (!AtEnd()) {
        size_t start = m_pos;
        bool closed = true;
        OpenConstruct::Kind kind = OpenConstruct::RawText;
        if (m_rawNext) {
            closed = ReadRawText();
        } else if (OpensMarkup(m_pos)) {
            kind = MarkupKind(start);
            closed = ReadMarkup();
        } else {
            ReadText();
        }
        if (!closed) {
            AddText(start, m_text.size());
            if (openAtEnd)
                *openAtEnd = OpenConstruct{
                    kind, start,
                    1 + std::count(m_text.begin(), m_text.begin() + static_cast<std::ptrdiff_t>(start), '\n')};
            break;
        }
    }
    return std::move(m_page);
}

// A "<" opens markup only before a letter, "/", "?", "%", or "!" (but not "<!-"
// without a second "-"): browsers read "<5" or "< b" as text, and so must we, or
// the text up to the next ">" would vanish into a tag, fields and all.
bool Tokenizer::OpensMarkup(size_t pos) const
{
    if (At(pos) != '<')
        return false;
    char next = At(pos + 1);
    if (next == '!')
        return At(pos + 2) != '-' || At(pos + 3) == '-';
    return next == '/' || next == '%' || next == '?' || Is(next, kLetter);
}

// Plain text up to the next "<" that opens markup; other "<" are part of the text.
void Tokenizer::ReadText()
{
    size_t end = m_pos + 1;
    while (end < m_text.size()) {
        const void* hit = std::memchr(m_text.data() + end, '<', m_text.size() - end);
        if (!hit) {
            end = m_text.size();
            break;
        }
        end = static_cast<size_t>(static_cast<const char*>(hit) - m_text.data());
        if (OpensMarkup(end))
            break;
        ++end;
    }
    AddText(m_pos, end);
    m_pos = end;
}

// The end of the raw text: a "<", optional blanks, and the end tag of any raw element.
size_t Tokenizer::FindRawEnd() const
{
    for (size_t lt = m_text.find('<', m_pos); lt != std::string_view::npos; lt = m_text.find('<', lt + 1)) {
        size_t p = SkipSpaceFrom(m_text, lt + 1);
        if (At(p) != '/')
            continue;
        std::string_view rest = m_text.substr(p + 1);
        for (std::string_view raw : kRawElements)
            if (StartsWithNoCase(rest, raw))
                return lt;
    }
    return std::string_view::npos;
}

// The body of a script, style or textarea: one text node, whatever "<" it holds.
bool Tokenizer::ReadRawText()
{
    m_rawNext = false;
    size_t end = FindRawEnd();
    if (end == std::string_view::npos)
        return false;
    if (end > m_pos)
        AddText(m_pos, end);
    m_pos = end;
    return true;
}

OpenConstruct::Kind Tokenizer::MarkupKind(size_t start) const
{
    if (m_text.substr(start, 4) == "<!--")
        return OpenConstruct::Comment;
    return At(start + 1) == '%' ? OpenConstruct::ServerBlock : OpenConstruct::Tag;
}

bool Tokenizer::ReadMarkup()
{
    size_t start = m_pos;
    switch (MarkupKind(start)) {
    case OpenConstruct::Comment:
        return ReadComment(start);
    case OpenConstruct::ServerBlock:
        return ReadServerBlock(start);
    default:
        return ReadTag(start);
    }
}

// "<!--" up to the first "--" followed by optional blanks and ">".
bool Tokenizer::ReadComment(size_t start)
{
    for (size_t dash = m_text.find("--", start + 4); dash != std::string_view::npos;
         dash = m_text.find("--", dash + 1)) {
        m_pos = SkipSpaceFrom(m_text, dash + 2);
        if (At(m_pos) == '>') {
            AddTag(start, ++m_pos, 3);
            return true;
        }
    }
    return false;
}

// "<%" up to the first "%" followed by optional blanks and ">".
bool Tokenizer::ReadServerBlock(size_t start)
{
    for (size_t pct = m_text.find('%', start + 2); pct != std::string_view::npos; pct = m_text.find('%', pct + 1)) {
        m_pos = SkipSpaceFrom(m_text, pct + 1);
        if (At(m_pos) == '>') {
            AddTag(start, ++m_pos, 1);
            return true;
        }
    }
    return false;
}

// A start tag, end tag, declaration or processing instruction: its name, then
// attributes up to ">". A processing instruction ends at its first ">", quotes
// or not, as browsers end it.
bool Tokenizer::ReadTag(size_t start)
{
    m_pos = start + 1;
    char lead = At(m_pos);
    if (lead == '/' || lead == '!' || lead == '?')
        ++m_pos;
    while (m_pos < m_text.size() && Is(m_text[m_pos], kName))
        ++m_pos;
    std::string_view name = m_text.substr(start + 1, m_pos - start - 1);
    if (lead == '?') {
        size_t close = m_text.find('>', m_pos);
        m_pos = close == std::string_view::npos ? close : close + 1;
    } else {
        m_pos = AttrReader(m_text, m_pos, nullptr).ReadAll();
    }
    if (m_pos == std::string_view::npos)
        return false;
    m_rawNext =
        name[0] != '/' && name[0] != '!' && name[0] != '?' &&
        (StartsWithNoCase(name, "script") || StartsWithNoCase(name, "style") || StartsWithNoCase(name, "textarea"));
    AddTag(start, m_pos, name.size());
    return true;
}

// Body of "<!--...-->" or "<%...%>": the bytes between the opener and the closer,
// the comment's closing "--" included.
std::string_view BodyOf(std::string_view source, size_t openerLength, size_t closerLength)
{
    size_t end = source.size() - 1; // the ">"
    while (end > openerLength && Is(source[end - 1], kSpace))
        --end;
    size_t bodyEnd = end - closerLength;
    return source.substr(openerLength, bodyEnd > openerLength ? bodyEnd - openerLength : 0);
}

} // namespace

HtmlPage ParseHtml(std::string_view text, std::optional<OpenConstruct>* openAtEnd)
{
    if (openAtEnd)
        openAtEnd->reset();
    return Tokenizer(SharedText(text)).Run(openAtEnd);
}

HtmlPage ParseOwnedHtml(std::string&& text, std::optional<OpenConstruct>* openAtEnd)
{
    if (openAtEnd)
        openAtEnd->reset();
    return Tokenizer(SharedText(std::move(text))).Run(openAtEnd);
}

std::string_view OpenConstructText(OpenConstruct::Kind kind)
{
    switch (kind) {
    case OpenConstruct::Comment:
        return "a comment without its closing \"-->\"";
    case OpenConstruct::ServerBlock:
        return "a server block without its closing \"%>\"";
    case OpenConstruct::RawText:
        return "a script, style or textarea without its end tag";
    default:
        return "a tag without its closing \">\"";
    }
}

std::string_view ReadNodeName(std::string_view source)
{
    if (source.starts_with("<!--"))
        return source.substr(1, 3);
    if (source.size() > 1 && source[1] == '%')
        return source.substr(1, 1);
    size_t end = 1;
    if (end < source.size() && (source[end] == '/' || source[end] == '!' || source[end] == '?'))
        ++end;
    while (end < source.size() && Is(source[end], kName))
        ++end;
    return source.substr(1, end - 1);
}

std::vector<HtmlAttr> ReadNodeAttrs(std::string_view name, std::string_view source)
{
    std::vector<HtmlAttr> attrs;
    if (name.empty()) {
        attrs.push_back(HtmlAttr{{}, std::string(source), 0});
    } else if (name == "!--") {
        attrs.push_back(HtmlAttr{{}, std::string(BodyOf(source, 4, 0)), 0});
    } else if (name == "%") {
        std::string_view body = BodyOf(source, 2, 1);
        if (!body.empty())
            attrs.push_back(HtmlAttr{{}, std::string(body), 0});
    } else {
        AttrReader(source, 1 + name.size(), &attrs).ReadAll();
    }
    return attrs;
}

} // namespace quillet
