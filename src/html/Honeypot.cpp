#include "html/Honeypot.h"

#include "html/HtmlTokenizer.h"

#include <string>

namespace quillet {

bool AddHoneypot(HtmlPage& page, HtmlIter formNode)
{
    for (HtmlIter it = FindNextNamed(page, std::next(formNode), {"input", "/form"});
         it != page.end() && !EqualsNoCase(it->Name(), "/form");
         it = FindNextNamed(page, std::next(it), {"input", "/form"}))
        if (AttrValue(*it, "NAME") == kHoneypotField)
            return false;
    // Off the screen rather than display:none, which some robots look for; out
    // of the tab order, so keyboard users do not land in it either.
    const std::string field(kHoneypotField);
    InsertAfter(page, formNode,
                ParseHtml("<div style=\"position:absolute;left:-9999px;width:1px;height:1px;overflow:hidden\">"
                          "<label for=\"" +
                          field + "\">Leave this field empty</label><input type=\"text\" name=\"" + field + "\" id=\"" +
                          field + "\" value=\"\" tabindex=\"-1\" autocomplete=\"off\"></div>"));
    return true;
}

} // namespace quillet
