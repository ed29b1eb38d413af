#pragma once

#include "html/HtmlNode.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The expressions a template uses to show what a form submitted and how its
// choices were set; the script and the runtime fill them in.
std::string FormValueVariable(std::string_view name);
std::string FormValuesVariable(std::string_view name);
std::string FieldStateVariable(std::string_view name, std::string_view value);
std::string ReadInDataVariable(std::string_view actionName);
std::string RowCountVariable(std::string_view actionName);
std::string DefaultReportVariable(std::string_view actionName);

// The fixed variables offered to every template, in menu order; the empty entry
// stands for the separator.
inline constexpr std::array<std::string_view, 17> kDefaultVariables = {
    "$FORM{'WWW_DATE'}",
    "$FORM{'WWW_TIME'}",
    "$FORM{'WWW_YEAR'}",
    "$FORM{'WWW_MON'}",
    "$FORM{'WWW_MDAY'}",
    "$FORM{'WWW_WDAY'}",
    "$FORM{'WWW_HOUR'}",
    "$FORM{'WWW_MILHOUR'}",
    "$FORM{'WWW_MIN'}",
    "$FORM{'WWW_SEC'}",
    "$FORM{'WWW_AMPM'}",
    "$FORM{'WWW_REVERSE_IP'}",
    "",
    "$ENV{'HTTP_REFERER'}",
    "$ENV{'HTTP_USER_AGENT'}",
    "$ENV{'REMOTE_HOST'}",
    "$ENV{'REMOTE_ADDR'}",
};

// "$FORM{'name'}[0]" for every named field of the form; with no form only clears.
void FormVariableList(std::vector<std::string>& list, HtmlPage* page, std::optional<HtmlIter> formNode,
                      bool clearFirst = true);

// "$FIELD_STATE{'name'}{'value'}" for every check box and radio button with a
// value, and every option of a list; the filters, when given, keep only that
// field name or choice value.
void FieldStateList(std::vector<std::string>& list, HtmlPage* page, std::optional<HtmlIter> formNode,
                    std::optional<std::string_view> nameFilter = std::nullopt,
                    std::optional<std::string_view> valueFilter = std::nullopt, bool clearFirst = true);

// Points the form at the script before its page is saved: ACTION, METHOD "post",
// and ENCTYPE for file uploads or empty.
void PrepareFormTag(HtmlPage& page, HtmlIter formNode, std::string_view scriptUrl);

} // namespace quillet
