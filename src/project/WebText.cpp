#include "project/WebText.h"

namespace quillet {

std::string UrlEncode(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() * 3);
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (word) {
            out += c;
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0f];
        }
    }
    return out;
}

std::string EscapeAt(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 4);
    for (size_t i = 0; i < text.size(); ++i) {
        char before = i > 0 ? text[i - 1] : '\0';
        if (text[i] == '@' && i > 0 && before != ' ' && before != ',' && before != '\\')
            out += '\\';
        out += text[i];
    }
    return out;
}

} // namespace quillet
