#include "project/ActionListModel.h"

#include "project/NameRules.h"
#include "project/Prompter.h"

#include <algorithm>
#include <numeric>
#include <set>

namespace quillet {

std::optional<ActionType> ActionTypeForCommand(int command)
{
    if (command < kFirstActionCommand || command >= kFirstActionCommand + static_cast<int>(kActionKindMenu.size()))
        return std::nullopt;
    std::string_view text = kActionKindMenu[static_cast<size_t>(command - kFirstActionCommand)];
    for (int type = 0; type < kActionTypeCount; ++type) {
        if (ActionTypeName(static_cast<ActionType>(type)) == text)
            return static_cast<ActionType>(type);
    }
    return std::nullopt;
}

std::string NextActionName(const ActionList& list)
{
    for (size_t n = 1;; ++n) {
        std::string name = "Action" + std::to_string(n);
        if (std::none_of(list.begin(), list.end(), [&](const Action& action) { return action.name == name; }))
            return name;
    }
}

size_t AppendNewAction(ActionList& list, Action action)
{
    action.name = NextActionName(list);
    list.push_back(std::move(action));
    return list.size() - 1;
}

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

RenameResult RenameAction(ActionList& list, size_t index, std::string_view text, Prompter& prompter)
{
    if (index >= list.size())
        return RenameResult::Refused;
    std::string_view name = Trim(text);
    // An empty name would leave the action without a variable in the script.
    if (name.empty())
        return RenameResult::Refused;
    if (auto message = ActionNameMessage(name)) {
        prompter.Show(*message);
        return RenameResult::Refused;
    }
    for (size_t i = 0; i < list.size(); ++i) {
        if (i != index && list[i].name == name)
            return RenameResult::Refused;
    }
    list[index].name = std::string(name);
    return RenameResult::Renamed;
}

void DeleteActions(ActionList& list, std::vector<size_t> indices)
{
    std::set<size_t, std::greater<>> ordered(indices.begin(), indices.end());
    for (size_t index : ordered) {
        if (index < list.size())
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
    }
}

std::vector<size_t> MoveActionsBefore(ActionList& list, std::vector<size_t> selected, size_t target)
{
    std::vector<size_t> order(list.size());
    std::iota(order.begin(), order.end(), size_t{0});
    if (target >= list.size())
        return order;
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    for (size_t moving : selected) {
        if (moving == target || moving >= list.size())
            continue;
        auto from = std::find(order.begin(), order.end(), moving);
        auto at = std::find(order.begin(), order.end(), target);
        if (std::next(from) == at)
            continue;
        order.erase(from);
        order.insert(std::find(order.begin(), order.end(), target), moving);
    }
    ActionList moved;
    moved.reserve(list.size());
    for (size_t index : order)
        moved.push_back(std::move(list[index]));
    list = std::move(moved);
    return order;
}

} // namespace quillet
