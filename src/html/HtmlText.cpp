#include "html/HtmlText.h"

#include "html/HtmlNode.h"

#include <array>

namespace quillet {

namespace {

// Table order decides between names that share a prefix.
constexpr std::array<std::string_view, 100> kEntityNames = {
    "quot",   "amp",    "lt",     "gt",     "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",
    "brvbar", "sect",   "uml",    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",
    "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",
    "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute",
    "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",
    "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",
    "igrave", "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde",
    "ouml",   "divide", "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

char EntityByte(size_t index)
{
    constexpr char kFirstFour[] = {'"', '&', '<', '>'};
    return index < 4 ? kFirstFour[index] : static_cast<char>(0xA0 + index - 4);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The reference starting at text[0] == '&': its byte and length, or none.
std::optional<std::pair<char, size_t>> DecodeOne(std::string_view text)
{
    size_t i = 1;
    if (i < text.size() && text[i] == '#') {
        unsigned value = 0;
        for (++i; i < text.size() && IsDigit(text[i]); ++i)
            value = value < 256 ? value * 10 + static_cast<unsigned>(text[i] - '0') : value;
        if (i == 2 || i >= text.size() || text[i] != ';' || value >= 256)
            return std::nullopt;
        return std::pair{static_cast<char>(value), i + 1};
    }
    while (i < text.size() && IsLetter(text[i]))
        ++i;
    if (i == 1 || i >= text.size() || text[i] != ';')
        return std::nullopt;
    std::string_view run = text.substr(1, i - 1);
    for (size_t e = 0; e < kEntityNames.size(); ++e)
        if (run.starts_with(kEntityNames[e]))
            return std::pair{EntityByte(e), i + 1};
    return std::nullopt;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsNameChar(char c)
{
    return IsLetter(c) || IsDigit(c);
}

int HexDigit(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class StyleReader {
public:
    explicit StyleReader(std::string_view text) : m_text(text) {}
    StyleList Run();

private:
    char At(size_t pos) const { return pos < m_text.size() ? m_text[pos] : '\0'; }
    void SkipBlanks()
    {
        while (m_pos < m_text.size() && IsBlank(m_text[m_pos]))
            ++m_pos;
    }
    std::string ReadName();
    bool ReadValue(std::string& value);

    std::string_view m_text;
    size_t m_pos = 0;
};

StyleList StyleReader::Run()
{
    StyleList list;
    for (;;) {
        SkipBlanks();
        std::string name = ReadName();
        std::string value;
        SkipBlanks();
        if (At(m_pos) == ':') {
            ++m_pos;
            SkipBlanks();
            if (!ReadValue(value))
                return list;
        }
        SkipBlanks();
        if (!name.empty() || !value.empty())
            list.emplace_back(std::move(name), std::move(value));
        if (At(m_pos) != ';')
            return list;
        ++m_pos;
    }
}

// Runs of name characters joined by "-" or "_", blanks around the joiner dropped.
std::string StyleReader::ReadName()
{
    std::string name;
    for (;;) {
        while (IsNameChar(At(m_pos)))
            name += m_text[m_pos++];
        size_t save = m_pos;
        SkipBlanks();
        char joiner = At(m_pos);
        if (name.empty() || (joiner != '-' && joiner != '_')) {
            m_pos = save;
            return name;
        }
        ++m_pos;
        SkipBlanks();
        name += joiner;
    }
}

// A quoted value (false when its quote is never closed), or the text up to ";".
bool StyleReader::ReadValue(std::string& value)
{
    char quote = At(m_pos);
    if (quote != '"' && quote != '\'') {
        size_t end = m_text.find(';', m_pos);
        end = end == std::string_view::npos ? m_text.size() : end;
        value = m_text.substr(m_pos, end - m_pos);
        m_pos = end;
        return true;
    }
    for (++m_pos; m_pos < m_text.size(); ++m_pos) {
        char c = m_text[m_pos];
        if (c == quote) {
            ++m_pos;
            return true;
        }
        if (c == '\\' && m_pos + 1 < m_text.size())
            c = m_text[++m_pos];
        value += c;
    }
    return false;
}

} // namespace

std::string DecodeEntities(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t amp = text.find('&', i);
        if (amp == std::string_view::npos) {
            out.append(text, i);
            break;
        }
        out.append(text, i, amp - i);
        auto decoded = DecodeOne(text.substr(amp));
        if (decoded) {
            out += decoded->first;
            i = amp + decoded->second;
        } else {
            out += '&';
            i = amp + 1;
        }
    }
    return out;
}

std::optional<std::uint32_t> ParseColour(std::string_view text)
{
    size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    if (pos >= text.size() || text[pos++] != '#')
        return std::nullopt;
    std::uint32_t colour = 0;
    for (int part = 0; part < 3; ++part) {
        int value = -1;
        for (int digit = 0; digit < 2 && pos < text.size() && HexDigit(text[pos]) >= 0; ++digit)
            value = (value < 0 ? 0 : value * 16) + HexDigit(text[pos++]);
        if (value < 0)
            return std::nullopt;
        colour |= static_cast<std::uint32_t>(value) << (8 * part);
    }
    return colour;
}

StyleList ParseStyle(std::string_view text)
{
    return StyleReader(text).Run();
}

std::optional<std::string> FindStyle(const StyleList& style, std::string_view name)
{
    for (const auto& [key, value] : style)
        if (EqualsNoCase(key, name))
            return value;
    return std::nullopt;
}

} // namespace quillet
