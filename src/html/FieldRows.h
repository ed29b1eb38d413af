#pragma once

#include "html/FormFields.h"
#include "html/HtmlNode.h"

#include <array>
#include <string>
#include <string_view>

namespace quillet {

// The cells of one row of the Form tab's field list, read from the field's
// nodes, and how an edited cell is written back into them.

struct FieldRowText {
    std::string name;
    std::string value;
    std::string state;
    std::string content;

    bool operator==(const FieldRowText&) const = default;
};

inline constexpr std::array<std::string_view, 16> kContentChoices = {
    "ANYTHING", "NOT NULL", "CREDIT_CARD", "EMAIL",         "REAL_EMAIL", "EXPIRATION_DATE", "DECIMAL", "INTEGER",
    "PHONE",    "URL",      "REAL_URL",    "application/*", "audio/*",    "image/*",         "text/*",  "video/*"};
inline constexpr std::array<std::string_view, 2> kStateChoices = {"", "CHECKED"};

FieldRowText ReadFieldRow(HtmlPage& page, HtmlIter field);

// Only check boxes, radio buttons and select lists have a state to edit.
bool StateEditable(FieldKind kind);

void WriteValueCell(HtmlPage& page, HtmlIter field, std::string_view text);
// Empty text removes the flag word; other text becomes the flag word. For a
// select list the flag belongs to its first flagged OPTION (the first OPTION
// when none is flagged).
void WriteStateCell(HtmlPage& page, HtmlIter field, std::string_view text);
void WriteContentCell(HtmlNode& field, std::string_view text);

// Swaps a field's nodes for an edited copy; returns the copy's start node.
HtmlIter ReplaceField(HtmlPage& page, HtmlIter field, HtmlPage&& edited);
// Removes a field: an INPUT alone, another field through its matching end tag.
void DeleteField(HtmlPage& page, HtmlIter field);
// Moves a field's nodes before another node.
void MoveFieldBefore(HtmlPage& page, HtmlIter field, HtmlIter before);

} // namespace quillet
