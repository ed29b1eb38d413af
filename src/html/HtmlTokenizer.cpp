#include "html/HtmlTokenizer.h"

#include <array>
#include <cstring>

namespace quillet {

namespace {

enum CharClass : unsigned char { kSpace = 1, kNameStart = 2, kName = 4 };

constexpr std::array<unsigned char, 256> MakeClasses()
{
    std::array<unsigned char, 256> table{};
    for (char c : {' ', '\t', '\r', '\n', '\v', '\f'})
        table[static_cast<unsigned char>(c)] = kSpace;
    for (int c = 0; c < 256; ++c) {
        bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (alnum)
            table[c] = kNameStart | kName;
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

class Tokenizer {
public:
    explicit Tokenizer(std::string_view text) : m_text(text) {}
    HtmlPage Run();

private:
    char At(size_t pos) const { return pos < m_text.size() ? m_text[pos] : '\0'; }
    bool AtEnd() const { return m_pos >= m_text.size(); }
    void SkipSpace();
    bool OpensMarkup(size_t pos) const;
    size_t FindRawEnd() const;

    // Each reader starts at m_pos and returns false when the page ends before its construct closes.
    void ReadText();
    bool ReadRawText();
    bool ReadMarkup();
    bool ReadComment(size_t start);
    bool ReadServerBlock(size_t start);
    bool ReadTag(size_t start);
    bool ReadAttribute(std::vector<HtmlAttr>& attrs);
    bool ReadQuoted(HtmlAttr& attr);

    void AddText(std::string_view text);
    void AddMarkup(std::string name, std::vector<HtmlAttr> attrs, size_t start);

    std::string_view m_text;
    size_t m_pos = 0;
    bool m_rawNext = false;
    HtmlPage m_page;
};

HtmlPage Tokenizer::Run()
{
    while (!AtEnd()) {
        size_t start = m_pos;
        bool closed = true;
        if (m_rawNext)
            closed = ReadRawText();
        else if (OpensMarkup(m_pos))
            closed = ReadMarkup();
        else
            ReadText();
        if (!closed) {
            AddText(m_text.substr(start));
            break;
        }
    }
    return std::move(m_page);
}

void Tokenizer::SkipSpace()
{
    while (m_pos < m_text.size() && Is(m_text[m_pos], kSpace))
        ++m_pos;
}

// A "<" opens markup only before a name, "/", "%", or "!" (but not "<!-" without a second "-").
bool Tokenizer::OpensMarkup(size_t pos) const
{
    if (At(pos) != '<')
        return false;
    char next = At(pos + 1);
    if (next == '!')
        return At(pos + 2) != '-' || At(pos + 3) == '-';
    return next == '/' || next == '%' || Is(next, kNameStart);
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
        end = static_cast<const char*>(hit) - m_text.data();
        if (OpensMarkup(end))
            break;
        ++end;
    }
    AddText(m_text.substr(m_pos, end - m_pos));
    m_pos = end;
}

// The end of the raw text: a "<", optional blanks, and the end tag of any raw element.
size_t Tokenizer::FindRawEnd() const
{
    for (size_t lt = m_text.find('<', m_pos); lt != std::string_view::npos; lt = m_text.find('<', lt + 1)) {
        size_t p = lt + 1;
        while (p < m_text.size() && Is(m_text[p], kSpace))
            ++p;
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
        AddText(m_text.substr(m_pos, end - m_pos));
    m_pos = end;
    return true;
}

bool Tokenizer::ReadMarkup()
{
    size_t start = m_pos;
    if (m_text.substr(start, 4) == "<!--")
        return ReadComment(start);
    if (At(start + 1) == '%')
        return ReadServerBlock(start);
    return ReadTag(start);
}

// "<!--" up to the first "--" followed by optional blanks and ">"; the body keeps that "--".
bool Tokenizer::ReadComment(size_t start)
{
    size_t bodyStart = start + 4;
    for (size_t dash = m_text.find("--", bodyStart); dash != std::string_view::npos;
         dash = m_text.find("--", dash + 1)) {
        m_pos = dash + 2;
        SkipSpace();
        if (At(m_pos) != '>')
            continue;
        ++m_pos;
        HtmlAttr body;
        body.value = std::string(m_text.substr(bodyStart, dash + 2 - bodyStart));
        AddMarkup("!--", {std::move(body)}, start);
        return true;
    }
    return false;
}

// "<%" up to the first "%" followed by optional blanks and ">".
bool Tokenizer::ReadServerBlock(size_t start)
{
    size_t bodyStart = start + 2;
    for (size_t pct = m_text.find('%', bodyStart); pct != std::string_view::npos; pct = m_text.find('%', pct + 1)) {
        m_pos = pct + 1;
        SkipSpace();
        if (At(m_pos) != '>')
            continue;
        ++m_pos;
        std::vector<HtmlAttr> attrs;
        if (pct > bodyStart)
            attrs.push_back(HtmlAttr{{}, std::string(m_text.substr(bodyStart, pct - bodyStart)), 0});
        AddMarkup("%", std::move(attrs), start);
        return true;
    }
    return false;
}

// A start tag, end tag or declaration: its name, then attributes up to ">".
bool Tokenizer::ReadTag(size_t start)
{
    m_pos = start + 1;
    if (At(m_pos) == '/' || At(m_pos) == '!')
        ++m_pos;
    while (m_pos < m_text.size() && Is(m_text[m_pos], kName))
        ++m_pos;
    std::string name(m_text.substr(start + 1, m_pos - start - 1));
    std::vector<HtmlAttr> attrs;
    for (;;) {
        SkipSpace();
        if (AtEnd())
            return false;
        if (m_text[m_pos] == '>')
            break;
        if (!ReadAttribute(attrs))
            return false;
    }
    ++m_pos;
    m_rawNext =
        name[0] != '/' && name[0] != '!' &&
        (StartsWithNoCase(name, "script") || StartsWithNoCase(name, "style") || StartsWithNoCase(name, "textarea"));
    AddMarkup(std::move(name), std::move(attrs), start);
    return true;
}

// One attribute: a quoted value alone, a bare word, or a name, "=" (blanks allowed
// around it) and a value.
bool Tokenizer::ReadAttribute(std::vector<HtmlAttr>& attrs)
{
    HtmlAttr attr;
    char c = m_text[m_pos];
    if (c == '"' || c == '\'') {
        if (!ReadQuoted(attr))
            return false;
    } else {
        size_t nameStart = m_pos;
        while (m_pos < m_text.size() && !Is(m_text[m_pos], kSpace) && m_text[m_pos] != '=' && m_text[m_pos] != '>')
            ++m_pos;
        std::string_view word = m_text.substr(nameStart, m_pos - nameStart);
        SkipSpace();
        if (At(m_pos) != '=') {
            attr.value = std::string(word);
        } else {
            attr.name = word;
            ++m_pos;
            SkipSpace();
            if (AtEnd())
                return false;
            if (m_text[m_pos] == '"' || m_text[m_pos] == '\'') {
                if (!ReadQuoted(attr))
                    return false;
            } else {
                size_t valueStart = m_pos;
                while (m_pos < m_text.size() && !Is(m_text[m_pos], kSpace) && m_text[m_pos] != '>')
                    ++m_pos;
                attr.value = std::string(m_text.substr(valueStart, m_pos - valueStart));
            }
        }
    }
    if (attr.value && attr.value->empty())
        attr.value.reset();
    if (!attr.name.empty() || attr.value)
        attrs.push_back(std::move(attr));
    return true;
}

// A value in quotes; a backslash keeps the next character, quote included, in the value.
bool Tokenizer::ReadQuoted(HtmlAttr& attr)
{
    char quote = m_text[m_pos];
    size_t valueStart = ++m_pos;
    while (m_pos < m_text.size() && m_text[m_pos] != quote)
        m_pos += m_text[m_pos] == '\\' ? 2 : 1;
    if (m_pos >= m_text.size())
        return false;
    attr.value = std::string(m_text.substr(valueStart, m_pos - valueStart));
    attr.quote = quote;
    ++m_pos;
    return true;
}

void Tokenizer::AddText(std::string_view text)
{
    HtmlNode& node = m_page.emplace_back();
    node.EditAttrs().push_back(HtmlAttr{{}, std::string(text), 0});
}

void Tokenizer::AddMarkup(std::string name, std::vector<HtmlAttr> attrs, size_t start)
{
    HtmlNode& node = m_page.emplace_back(std::move(name));
    node.EditAttrs() = std::move(attrs);
    node.SetSource(std::string(m_text.substr(start, m_pos - start)));
}

} // namespace

HtmlPage ParseHtml(std::string_view text)
{
    return Tokenizer(text).Run();
}

} // namespace quillet
