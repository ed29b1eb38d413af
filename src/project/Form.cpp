#include "project/Form.h"

#include "project/Action.h"
#include "project/Messages.h"
#include "project/ProjectFile.h"

namespace quillet {

bool Handler::operator==(const Handler& other) const
{
    return name == other.name && actions == other.actions;
}

bool Form::operator==(const Form& other) const
{
    return pageFile == other.pageFile && formName == other.formName && handlers == other.handlers;
}

namespace {

bool Holds(const ActionList& actions, const ActionList& list)
{
    if (&actions == &list)
        return true;
    for (const Action& action : actions)
        if (action.type == ActionType::ConditionalStatement && Holds(action.Condition().actions, list))
            return true;
    return false;
}

} // namespace

const Handler* Form::HandlerHolding(const ActionList& list) const
{
    for (const Handler& h : handlers)
        if (Holds(h.actions, list))
            return &h;
    return nullptr;
}

Handler* Form::FindHandler(const std::string& handlerName)
{
    for (Handler& h : handlers)
        if (h.name == handlerName)
            return &h;
    return nullptr;
}

void WriteForm(ProjectWriter& out, const Form& form)
{
    WriteMarkedValue(out, "FORM_FILE", form.pageFile);
    WriteMarkedValue(out, "FORM_NAME", form.formName);
    WriteNumber(out, "TRANSDEF_NUM", static_cast<long>(form.handlers.size()));
    for (const Handler& handler : form.handlers) {
        WriteValue(out, "TRANSDEF_NAME", handler.name);
        WriteActionList(out, handler.actions);
    }
}

bool ReadForm(ProjectReader& in, Form& form, int depth)
{
    size_t start = in.Position();
    ReadMarkedValue(in, "FORM_FILE", form.pageFile);
    ReadMarkedValue(in, "FORM_NAME", form.formName);
    bool found = false;
    long count = ReadCount(in, "TRANSDEF_NUM", &found);
    if (!found) {
        ReadValue(in, "DATASOURCES");
        count = ReadCount(in, "TRANSDEF_NUM", &found);
    }
    if (!found) {
        // Nothing read at all is no form; a form that began must be whole.
        if (in.Position() != start)
            in.FailMissing(in.Position(), "\"TRANSDEF_NUM=\"");
        return false;
    }
    if (depth > kMaxNesting) {
        in.Fail(start, FormatMessage(Msg::ExpectedShallowerNesting, {std::to_string(kMaxNesting)}));
        return false;
    }
    for (long i = 0; i < count && !in.Failed(); ++i) {
        ReadResult name = ReadValue(in, "TRANSDEF_NAME");
        if (!name.found) {
            in.FailMissing(in.Position(), "\"TRANSDEF_NAME=\"");
            break;
        }
        Handler& handler = form.handlers.emplace_back();
        handler.name = std::move(name.text);
        ReadActionList(in, handler.actions, depth);
    }
    return !in.Failed();
}

} // namespace quillet
