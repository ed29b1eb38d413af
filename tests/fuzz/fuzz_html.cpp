// Round-trip invariants of the HTML tokenizer and writer on arbitrary bytes.
#include "html/FormFields.h"
#include "html/HtmlText.h"
#include "html/HtmlTokenizer.h"
#include "html/HtmlWriter.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace quillet;

namespace {

// A named attribute with neither value nor quote is written as its bare name,
// which reads back as a value-only word: both mean the same to the page. A
// value-only word that would not read back as one is written in quotes.
HtmlAttr Canonical(const HtmlAttr& attr)
{
    if (!attr.name.empty() && !attr.value && !attr.quote)
        return HtmlAttr{{}, attr.name, 0};
    if (attr.name.empty())
        return HtmlAttr{{}, attr.value, 0};
    return attr;
}

bool SameMeaning(const HtmlPage& a, const HtmlPage& b)
{
    if (a.size() != b.size())
        return false;
    for (auto x = a.begin(), y = b.begin(); x != a.end(); ++x, ++y) {
        if (x->Name() != y->Name() || x->Attrs().size() != y->Attrs().size())
            return false;
        for (size_t i = 0; i < x->Attrs().size(); ++i)
            if (!(Canonical(x->Attrs()[i]) == Canonical(y->Attrs()[i])))
                return false;
    }
    return true;
}

// A value-only word holding "=" must be written in quotes to read back as one;
// when neither kind of quote can hold it, no spelling keeps it (browsers would not
// read it as one attribute either).
bool Expressible(const HtmlPage& page)
{
    for (const HtmlNode& node : page)
        for (const HtmlAttr& a : node.Attrs())
            if (!node.IsText() && a.name.empty() && !a.quote && a.value && a.value->find('=') != std::string::npos &&
                !Quotable(*a.value, '"') && !Quotable(*a.value, '\''))
                return false;
    return true;
}

std::string TextOf(const HtmlPage& page)
{
    std::string text;
    for (const HtmlNode& node : page)
        text += node.Text();
    return text;
}

// The readers that other parts run over a page's nodes must not trip on any page.
void WalkEverything(HtmlPage& page)
{
    for (HtmlIter it = page.begin(); it != page.end(); ++it) {
        HtmlIter match = FindMatchingTag(page, it);
        if (match != page.end() && match != it && FindMatchingTag(page, match) == page.end())
            std::abort();
        for (const HtmlAttr& attr : it->Attrs())
            if (attr.value && DecodeEntities(*attr.value).size() > attr.value->size())
                std::abort();
        ParseStyle(AttrValue(*it, "style"));
        ParseColour(AttrValue(*it, "bgcolor"));
        if (!EqualsNoCase(it->Name(), "form"))
            continue;
        FieldNamesOfForm(page, it);
        for (HtmlIter field : FormFields(page, it))
            FieldValue(page, field);
        CopyElement(page, it);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::optional<OpenConstruct> open;
    HtmlPage page = ParseHtml(input, &open);
    // The rest of a page that ends inside a construct is one text node.
    if (open && (page.empty() || !page.back().IsText() || page.back().Text() != input.substr(open->offset)))
        std::abort();

    // Untouched nodes give back every byte.
    if (WriteHtmlString(page) != input)
        std::abort();

    WalkEverything(page);
    if (!Expressible(page))
        return 0;
    // Tags written from their parts read back to the same nodes and the same text.
    std::string normalised = WriteHtmlString(page, TagText::Normalised);
    HtmlPage again = ParseHtml(normalised);
    if (!SameMeaning(page, again) || TextOf(page) != TextOf(again))
        std::abort();
    // Normal form is a fixed point.
    if (WriteHtmlString(again, TagText::Normalised) != normalised)
        std::abort();
    return 0;
}
