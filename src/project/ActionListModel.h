#pragma once

#include "project/Action.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class Prompter;

// The kinds of action offered for a new action, in menu order; the item at
// index i carries the command kFirstActionCommand + i. "Generate HTML Form" and
// "Send Bulk Email" are not offered.
inline constexpr int kFirstActionCommand = 43000;
inline constexpr std::array<std::string_view, 11> kActionKindMenu = {
    "Insert Record",         "Delete Records",  "Update Records",     "Select Records",
    "Conditional Statement", "Send Email",      "Respond to Browser", "Set HTTP Cookies",
    "Read or Write File",    "Perl Code Block", "Post HTML Form",
};

// The type of a new-action command, found through its menu text; none for a
// number outside the menu.
std::optional<ActionType> ActionTypeForCommand(int command);

// "Action<n>" with the smallest n from 1 that no action of the list is named.
std::string NextActionName(const ActionList& list);

// Names a new action and appends it; returns its index.
size_t AppendNewAction(ActionList& list, Action action);

enum class RenameResult { Renamed, Refused };

// Renames the action at index to text trimmed of blanks. A name the name rules
// refuse is refused with their message; a name another action has, or an empty
// one, is refused silently.
RenameResult RenameAction(ActionList& list, size_t index, std::string_view text, Prompter& prompter);

// Removes the actions at the given indices (in any order, duplicates allowed).
void DeleteActions(ActionList& list, std::vector<size_t> indices);

// Moves the selected actions, in their order, to stand just before the action at
// target. Returns, for every position of the new list, the index the action had
// before; the list is unchanged when target is out of range.
std::vector<size_t> MoveActionsBefore(ActionList& list, std::vector<size_t> selected, size_t target);

} // namespace quillet
