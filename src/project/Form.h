#pragma once

#include <string>
#include <vector>

namespace quillet {

class ProjectReader;
class ProjectWriter;
struct Action;

// The ordered steps a submission runs; the order is the order of the script.
using ActionList = std::vector<Action>;

// The actions of one submit or image button, named after the button.
struct Handler {
    std::string name;
    ActionList actions;

    bool operator==(const Handler& other) const;
};

struct Form {
    std::string pageFile;
    std::string formName;
    std::vector<Handler> handlers;

    bool operator==(const Form& other) const;

    Handler* FindHandler(const std::string& handlerName);
    // The handler whose actions hold list, directly or inside its conditions.
    const Handler* HandlerHolding(const ActionList& list) const;
};

void WriteForm(ProjectWriter& out, const Form& form);
// False when there is no form block here, or when the reading failed (see the
// reader's error); a block that begins must be whole.
bool ReadForm(ProjectReader& in, Form& form, int depth = 0);

} // namespace quillet
