#include "project/Messages.h"

#include <array>

namespace quillet {

namespace {

constexpr std::array kTexts = {
    // Project document and file
    "Can't Open File \"%s\"!",
    "Can't read bad project file",
    "Can't create file %s",
    "Save project file %s?",

    // Networking: SMTP and DNS
    "Can't find a DNS server for %s,\r\n Please enter it manually",
    "Enter the Home Page URL of your Web site before looking up its DNS servers.",

    // HTML pages and form discovery
    "Can't find file %s",
    "File changed!\r\nReload?\r\n",
    "\"%s\" is already used",
    "There is no form in %s",

    // Script generator
    "Server-side CGIBIN directory is not specified. \r\nPlease set it in the 'Web' tab.",
    "Your script has been created for you.\r\nPublish it to your server now?\r\n",
    "You can't use this command unless you have an HTML form loaded in the 'Form' tab.",
};

static_assert(kTexts.size() == static_cast<size_t>(Msg::Count), "every message needs its text");

} // namespace

std::string_view MessageText(Msg id)
{
    return kTexts.at(static_cast<size_t>(id));
}

std::string FormatMessage(Msg id, std::initializer_list<std::string_view> args)
{
    std::string_view text = MessageText(id);
    std::string out;
    out.reserve(text.size() + 64);
    auto next = args.begin();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        size_t spec = i + 1;
        if (text[spec] == '%') {
            out += '%';
            i = spec;
            continue;
        }
        if (text[spec] == 'l' && spec + 1 < text.size())
            ++spec;
        if (text[spec] != 's' && text[spec] != 'd' && text[spec] != 'c' && text[spec] != 'u') {
            out += text[i];
            continue;
        }
        if (next != args.end())
            out += *next++;
        i = spec;
    }
    return out;
}

} // namespace quillet
