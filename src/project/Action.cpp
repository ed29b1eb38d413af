#include "project/Action.h"

#include "project/Messages.h"
#include "project/NameRules.h"
#include "project/ProjectFile.h"

#include <array>

namespace quillet {

namespace {

constexpr std::array<std::string_view, kActionTypeCount> kTypeNames = {
    "Insert Record",         "Delete Records",     "Update Records",  "Select Records",     "Send Email",
    "Read or Write File",    "Respond to Browser", "Perl Code Block", "Generate HTML Form", "Set HTTP Cookies",
    "Conditional Statement", "Post HTML Form",     "Send Bulk Email",
};

Action::Body BodyFor(ActionType type)
{
    switch (type) {
    case ActionType::InsertRecord:
    case ActionType::DeleteRecords:
    case ActionType::UpdateRecords:
    case ActionType::SelectRecords:
        return RecordAction{};
    case ActionType::SendEmail:
    case ActionType::SendBulkEmail:
        return Indirect<MailAction>();
    case ActionType::ReadWriteFile:
        return FileAction{};
    case ActionType::RespondToBrowser:
        return ResponseAction{};
    case ActionType::PerlCodeBlock:
        return CodeAction{};
    case ActionType::SetHttpCookies:
        return CookieAction{};
    case ActionType::ConditionalStatement:
        return ConditionAction{};
    case ActionType::GenerateHtmlForm:
    case ActionType::PostHtmlForm:
        return FormAction{};
    }
    return RecordAction{};
}

} // namespace

bool ConditionAction::operator==(const ConditionAction& other) const
{
    return criteria == other.criteria && actions == other.actions;
}

std::string_view ActionTypeName(ActionType type)
{
    auto index = static_cast<size_t>(type);
    return index < kTypeNames.size() ? kTypeNames[index] : std::string_view();
}

std::optional<ActionType> ActionTypeFromNumber(long number)
{
    if (number < 0 || number >= kActionTypeCount)
        return std::nullopt;
    return static_cast<ActionType>(number);
}

std::optional<Action> CreateAction(long type)
{
    auto actionType = ActionTypeFromNumber(type);
    if (!actionType)
        return std::nullopt;
    // Built with its body in place: a default body replaced would cost every action read.
    return Action{.type = *actionType, .name = {}, .body = BodyFor(*actionType)};
}

void CopyAction(Action& target, const Action& source)
{
    if (target.type == source.type && &target != &source)
        target = source;
}

void ReleaseAction(Action& action)
{
    action.body = BodyFor(action.type);
}

namespace {

void WriteRecordFields(ProjectWriter& out, const RecordAction& r)
{
    WriteValue(out, "ACTION_DSN", r.dataSource);
    WriteValue(out, "ACTION_TABLE", r.table);
    WriteNumber(out, "ACTION_NROWS", r.rowsPerPage);
    WriteNumber(out, "ACTION_COLNUM", static_cast<long>(r.columns.size()));
    for (const ActionColumn& c : r.columns) {
        WriteValue(out, "ACTION_COL_TBLNAME", c.tableName);
        WriteValue(out, "ACTION_COL_COLNAME", c.columnName);
        WriteNumber(out, "ACTION_COL_COLATTR", c.attributes);
        WriteValue(out, "ACTION_COL_COLFUNC", c.function);
        WriteValue(out, "ACTION_COL_COLVAL", c.value);
        WriteValue(out, "ACTION_COL_COLHDR", c.header);
    }
    WriteCriteria(out, r.criteria);
}

void WriteMailFields(ProjectWriter& out, const MailAction& m)
{
    WriteValue(out, "ACTION_FILE", m.templateFile);
    WriteNumber(out, "ACTION_EMAILMODE", m.mailMode);
    WriteValue(out, "ACTION_SENDER", m.sender);
    WriteValue(out, "ACTION_FROM", m.from);
    WriteValue(out, "ACTION_TO", m.to);
    WriteValue(out, "ACTION_CC", m.cc);
    WriteValue(out, "ACTION_SUBJECT", m.subject);
    WriteValue(out, "ACTION_SERVER", m.server);
    WriteValue(out, "ACTION_POP", m.popServer);
    WriteValue(out, "ACTION_USER", m.popUser);
    WriteValue(out, "ACTION_PASS", m.popPassword);
    WriteNumber(out, "ACTION_BAUTH", m.smtpAuth);
    for (const Attachment& a : m.attachments) {
        WriteValue(out, "ATTACHMENT", a.path);
        WriteValue(out, "CONTENT_TYPE", a.contentType);
        WriteValue(out, "ENC", a.encoding);
        WriteValue(out, "TYPE", a.kind);
        WriteNumber(out, "BINMODE", a.binaryMode);
        WriteNumber(out, "TEMPLATE", a.isTemplate);
    }
}

void WriteCode(ProjectWriter& out, const std::string& code)
{
    WriteNumber(out, "ACTION_SIZE", BlockLength(code));
    WriteBlock(out, "ACTION_CODE", code);
}

} // namespace

void WriteAction(ProjectWriter& out, const Action& action)
{
    WriteNumber(out, "ACTION_TYPE", static_cast<long>(action.type));
    WriteValue(out, "ACTION_NAME", action.name);
    switch (action.type) {
    case ActionType::InsertRecord:
    case ActionType::DeleteRecords:
    case ActionType::UpdateRecords:
    case ActionType::SelectRecords:
        WriteRecordFields(out, action.Record());
        break;
    case ActionType::SendEmail:
    case ActionType::SendBulkEmail:
        WriteMailFields(out, action.Mail());
        break;
    case ActionType::ReadWriteFile:
        WriteNumber(out, "ACTION_MODE", action.File().mode);
        WriteValue(out, "ACTION_FILE", action.File().file);
        WriteValue(out, "ACTION_FILES", action.File().dataFile);
        break;
    case ActionType::RespondToBrowser:
        WriteValue(out, "ACTION_FILE", action.Response().file);
        WriteNumber(out, "ACTION_POSTMODE", action.Response().postMode);
        WriteValue(out, "ACTION_URL", action.Response().url);
        break;
    case ActionType::PerlCodeBlock:
        WriteCode(out, action.Code().code);
        break;
    case ActionType::GenerateHtmlForm:
        WriteNumber(out, "ACTION_MODE", 0);
        WriteValue(out, "ACTION_FILE", action.FormBody().form.pageFile);
        WriteValue(out, "ACTION_FILES", "");
        break;
    case ActionType::SetHttpCookies:
        WriteCode(out, action.Cookie().code);
        WriteNumber(out, "ACTION_EXP", action.Cookie().expiry);
        WriteNumber(out, "ACTION_EXPTYPE", action.Cookie().expiryKind);
        break;
    case ActionType::ConditionalStatement:
        WriteCriteria(out, action.Condition().criteria);
        WriteActionList(out, action.Condition().actions);
        break;
    case ActionType::PostHtmlForm:
        WriteForm(out, action.FormBody().form);
        break;
    }
}

void WriteActionList(ProjectWriter& out, const ActionList& list)
{
    WriteNumber(out, "ACTION_NUM", static_cast<long>(list.size()));
    for (const Action& action : list)
        WriteAction(out, action);
}

namespace {

// Reads count entries with readOne; an entry that consumes no line means the
// count promised more than the file holds.
template <typename ReadOne>
void ReadCounted(ProjectReader& in, long count, std::string_view firstKey, ReadOne readOne)
{
    for (long i = 0; i < count && !in.Failed(); ++i) {
        size_t start = in.Position();
        readOne();
        if (in.Position() == start) {
            // Built by appending: GCC 12 takes the inlined operator+ chain here for an overlapping copy.
            std::string expected = "\"";
            expected.append(firstKey).append("=\"");
            in.FailMissing(start, std::move(expected));
        }
    }
}

void ReadRecordFields(ProjectReader& in, RecordAction& r)
{
    ReadText(in, "ACTION_DSN", r.dataSource);
    ReadText(in, "ACTION_TABLE", r.table);
    r.rowsPerPage = ReadNumber(in, "ACTION_NROWS");
    long count = ReadCount(in, "ACTION_COLNUM");
    // Every column takes at least a line with one of its keys.
    r.columns.reserve(in.RoomFor(count, std::string_view("ACTION_COL_COLVAL\n").size()));
    ReadCounted(in, count, "ACTION_COL_TBLNAME", [&] {
        ActionColumn& c = r.columns.emplace_back();
        ReadText(in, "ACTION_COL_TBLNAME", c.tableName);
        ReadText(in, "ACTION_COL_COLNAME", c.columnName);
        c.attributes = ReadInt(in, "ACTION_COL_COLATTR");
        ReadText(in, "ACTION_COL_COLFUNC", c.function);
        ReadText(in, "ACTION_COL_COLVAL", c.value);
        ReadText(in, "ACTION_COL_COLHDR", c.header);
    });
    ReadCriteria(in, r.criteria);
}

void ReadMailFields(ProjectReader& in, MailAction& m)
{
    ReadText(in, "ACTION_FILE", m.templateFile);
    m.mailMode = ReadInt(in, "ACTION_EMAILMODE");
    ReadText(in, "ACTION_SENDER", m.sender);
    ReadText(in, "ACTION_FROM", m.from);
    ReadText(in, "ACTION_TO", m.to);
    ReadText(in, "ACTION_CC", m.cc);
    ReadText(in, "ACTION_SUBJECT", m.subject);
    ReadText(in, "ACTION_SERVER", m.server);
    ReadText(in, "ACTION_POP", m.popServer);
    ReadText(in, "ACTION_USER", m.popUser);
    ReadText(in, "ACTION_PASS", m.popPassword);
    m.smtpAuth = ReadInt(in, "ACTION_BAUTH");
    while (!in.Failed()) {
        ReadResult path = ReadValue(in, "ATTACHMENT", true);
        if (!path.found)
            break;
        Attachment& a = m.attachments.emplace_back();
        a.path = std::move(path.text);
        ReadText(in, "CONTENT_TYPE", a.contentType);
        ReadText(in, "ENC", a.encoding);
        ReadText(in, "TYPE", a.kind);
        a.binaryMode = ReadInt(in, "BINMODE");
        a.isTemplate = ReadInt(in, "TEMPLATE");
    }
}

std::string ReadCode(ProjectReader& in)
{
    long length = ReadNumber(in, "ACTION_SIZE");
    return ReadBlock(in, "ACTION_CODE", length).text;
}

void ReadBody(ProjectReader& in, Action& action, int depth)
{
    switch (action.type) {
    case ActionType::InsertRecord:
    case ActionType::DeleteRecords:
    case ActionType::UpdateRecords:
    case ActionType::SelectRecords:
        ReadRecordFields(in, action.Record());
        break;
    case ActionType::SendEmail:
    case ActionType::SendBulkEmail:
        ReadMailFields(in, action.Mail());
        break;
    case ActionType::ReadWriteFile:
        action.File().mode = ReadInt(in, "ACTION_MODE");
        ReadText(in, "ACTION_FILE", action.File().file);
        ReadText(in, "ACTION_FILES", action.File().dataFile);
        break;
    case ActionType::RespondToBrowser:
        ReadText(in, "ACTION_FILE", action.Response().file);
        action.Response().postMode = ReadInt(in, "ACTION_POSTMODE");
        ReadText(in, "ACTION_URL", action.Response().url);
        break;
    case ActionType::PerlCodeBlock:
        action.Code().code = ReadCode(in);
        break;
    case ActionType::GenerateHtmlForm:
        ReadNumber(in, "ACTION_MODE");
        ReadText(in, "ACTION_FILE", action.FormBody().form.pageFile);
        ReadValue(in, "ACTION_FILES");
        break;
    case ActionType::SetHttpCookies:
        action.Cookie().code = ReadCode(in);
        action.Cookie().expiry = ReadNumber(in, "ACTION_EXP");
        action.Cookie().expiryKind = ReadInt(in, "ACTION_EXPTYPE");
        break;
    case ActionType::ConditionalStatement:
        ReadCriteria(in, action.Condition().criteria);
        ReadActionList(in, action.Condition().actions, depth + 1);
        break;
    case ActionType::PostHtmlForm: {
        size_t start = in.Position();
        if (!ReadForm(in, action.FormBody().form, depth + 1))
            in.FailMissing(start, "\"FORM_FILE=\"");
        break;
    }
    }
}

} // namespace

std::optional<Action> ReadAction(ProjectReader& in, int depth)
{
    size_t start = in.Position();
    long type = ReadNumber(in, "ACTION_TYPE");
    std::optional<Action> action = CreateAction(type);
    if (!action) {
        in.Fail(start, FormatMessage(Msg::ExpectedActionType));
        return std::nullopt;
    }
    size_t nameStart = in.Position();
    ReadResult name = ReadValue(in, "ACTION_NAME");
    // Nothing read yet is no record at all; the caller says what was missing.
    if (in.Position() == start)
        return std::nullopt;
    if (!name.found) {
        in.FailMissing(nameStart, "\"ACTION_NAME=\"");
        return std::nullopt;
    }
    action->name = std::move(name.text);
    if (auto message = ActionNameMessage(action->name)) {
        in.Refuse(nameStart, *message);
        return std::nullopt;
    }
    ReadBody(in, *action, depth);
    if (in.Failed())
        return std::nullopt;
    return action;
}

void ReadActionList(ProjectReader& in, ActionList& list, int depth)
{
    size_t start = in.Position();
    long count = ReadCount(in, "ACTION_NUM");
    if (count > 0 && depth > kMaxNesting) {
        in.Fail(start, FormatMessage(Msg::ExpectedShallowerNesting, {std::to_string(kMaxNesting)}));
        return;
    }
    // Every action takes at least its type and its name.
    list.reserve(list.size() + in.RoomFor(count, std::string_view("ACTION_TYPE=0\nACTION_NAME\n").size()));
    ReadCounted(in, count, "ACTION_TYPE", [&] {
        if (std::optional<Action> action = ReadAction(in, depth))
            list.push_back(std::move(*action));
    });
}

} // namespace quillet
