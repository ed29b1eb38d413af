#pragma once

#include "project/Criterion.h"
#include "project/Form.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quillet {

// The numbers are those of the project file, not the order of any menu.
enum class ActionType : int {
    InsertRecord = 0,
    DeleteRecords = 1,
    UpdateRecords = 2,
    SelectRecords = 3,
    SendEmail = 4,
    ReadWriteFile = 5,
    RespondToBrowser = 6,
    PerlCodeBlock = 7,
    GenerateHtmlForm = 8,
    SetHttpCookies = 9,
    ConditionalStatement = 10,
    PostHtmlForm = 11,
    SendBulkEmail = 12,
};

constexpr int kActionTypeCount = 13;

std::string_view ActionTypeName(ActionType type);
std::optional<ActionType> ActionTypeFromNumber(long number);

struct ActionColumn {
    std::string tableName;
    std::string columnName;
    int attributes = 0;
    std::string function;
    std::string value;
    std::string header;

    bool operator==(const ActionColumn&) const = default;
};

struct Attachment {
    std::string contentType;
    std::string encoding;
    std::string kind;
    std::string path;
    int isTemplate = 0;
    int binaryMode = 0;

    bool operator==(const Attachment&) const = default;
};

// Insert, Delete, Update and Select Records.
struct RecordAction {
    std::string dataSource;
    std::string table;
    long rowsPerPage = 0;
    std::vector<ActionColumn> columns;
    CriteriaList criteria;

    bool operator==(const RecordAction&) const = default;
};

// Send Email and Send Bulk Email.
struct MailAction {
    std::string templateFile;
    int mailMode = 0;
    std::string sender;
    std::string from;
    std::string to;
    std::string cc;
    std::string subject;
    std::string server;
    std::string popServer;
    std::string popUser;
    std::string popPassword;
    int smtpAuth = 0;
    std::vector<Attachment> attachments;

    bool operator==(const MailAction&) const = default;
};

enum class FileMode : int { Overwrite = 0, Append = 1, Read = 2 };

struct FileAction {
    int mode = 0;
    std::string file;
    std::string dataFile;

    bool operator==(const FileAction&) const = default;
};

struct ResponseAction {
    std::string file;
    int postMode = 0;
    std::string url;

    bool operator==(const ResponseAction&) const = default;
};

// The code is held with CR LF line ends, as the block reader gives it back; the
// last line has one only when the stored text ended with a line break.
struct CodeAction {
    std::string code;

    bool operator==(const CodeAction&) const = default;
};

struct CookieAction {
    std::string code;
    long expiry = 0;
    int expiryKind = 0;

    bool operator==(const CookieAction&) const = default;
};

struct ConditionAction {
    CriteriaList criteria;
    ActionList actions;

    bool operator==(const ConditionAction& other) const;
};

// Generate HTML Form uses only the page file; Post HTML Form all of it.
struct FormAction {
    Form form;

    bool operator==(const FormAction&) const = default;
};

// A value kept on the heap and copied deeply, so that a rarely used large record
// does not make every action as large as itself. A moved-from one holds nothing
// and may only be assigned or destroyed.
template <typename T>
class Indirect {
public:
    Indirect() : m_value(std::make_unique<T>()) {}
    Indirect(const Indirect& other) : m_value(std::make_unique<T>(*other)) {}
    Indirect(Indirect&&) noexcept = default;
    Indirect& operator=(const Indirect& other)
    {
        if (!m_value)
            m_value = std::make_unique<T>(*other);
        else if (this != &other)
            *m_value = *other;
        return *this;
    }
    Indirect& operator=(Indirect&&) noexcept = default;

    T& operator*() { return *m_value; }
    const T& operator*() const { return *m_value; }

    bool operator==(const Indirect& other) const { return *m_value == *other.m_value; }

private:
    std::unique_ptr<T> m_value;
};

struct Action {
    // Mail records are by far the largest and among the rarest.
    using Body = std::variant<RecordAction, Indirect<MailAction>, FileAction, ResponseAction, CodeAction, CookieAction,
                              ConditionAction, FormAction>;

    ActionType type = ActionType::InsertRecord;
    std::string name;
    Body body;

    bool operator==(const Action&) const = default;

    RecordAction& Record() { return std::get<RecordAction>(body); }
    const RecordAction& Record() const { return std::get<RecordAction>(body); }
    MailAction& Mail() { return *std::get<Indirect<MailAction>>(body); }
    const MailAction& Mail() const { return *std::get<Indirect<MailAction>>(body); }
    FileAction& File() { return std::get<FileAction>(body); }
    const FileAction& File() const { return std::get<FileAction>(body); }
    ResponseAction& Response() { return std::get<ResponseAction>(body); }
    const ResponseAction& Response() const { return std::get<ResponseAction>(body); }
    CodeAction& Code() { return std::get<CodeAction>(body); }
    const CodeAction& Code() const { return std::get<CodeAction>(body); }
    CookieAction& Cookie() { return std::get<CookieAction>(body); }
    const CookieAction& Cookie() const { return std::get<CookieAction>(body); }
    ConditionAction& Condition() { return std::get<ConditionAction>(body); }
    const ConditionAction& Condition() const { return std::get<ConditionAction>(body); }
    FormAction& FormBody() { return std::get<FormAction>(body); }
    const FormAction& FormBody() const { return std::get<FormAction>(body); }

    bool IsRecord() const { return std::holds_alternative<RecordAction>(body); }
    bool IsMail() const { return std::holds_alternative<Indirect<MailAction>>(body); }
};

// A new record of that type with every field empty or zero; none for a number
// that names no action.
std::optional<Action> CreateAction(long type);
// Deep copy when both records have the same type; nothing happens otherwise.
void CopyAction(Action& target, const Action& source);
// Empties every list the record owns, recursively.
void ReleaseAction(Action& action);

// Lists and forms nest through Conditional Statement and Post HTML Form; a
// file nested deeper than this is refused, so a hostile file cannot exhaust
// the stack.
constexpr int kMaxNesting = 64;

void WriteAction(ProjectWriter& out, const Action& action);
std::optional<Action> ReadAction(ProjectReader& in, int depth = 0);
void WriteActionList(ProjectWriter& out, const ActionList& list);
void ReadActionList(ProjectReader& in, ActionList& list, int depth = 0);

} // namespace quillet
