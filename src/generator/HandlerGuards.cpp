#include "generator/HandlerGuards.h"

#include "generator/PerlLiteral.h"
#include "project/WebText.h"

#include <algorithm>

namespace quillet {

bool ChangesAnything(const ActionList& actions)
{
    return std::any_of(actions.begin(), actions.end(), [](const Action& action) {
        switch (action.type) {
        case ActionType::SelectRecords:
        case ActionType::RespondToBrowser:
        case ActionType::GenerateHtmlForm:
        case ActionType::PostHtmlForm:
            return false;
        case ActionType::ReadWriteFile:
            return action.File().mode != static_cast<int>(FileMode::Read);
        case ActionType::ConditionalStatement:
            return ChangesAnything(action.Condition().actions);
        default:
            return true;
        }
    });
}

std::string OriginOf(std::string_view url)
{
    size_t scheme = url.find("://");
    if (scheme == std::string_view::npos || scheme == 0)
        return {};
    size_t end = url.find_first_of("/?#", scheme + 3);
    return std::string(url.substr(0, end));
}

void WriteRequestGuard(ScriptPrinter& out, std::string_view handler, std::string_view pageUrl)
{
    out.Print("    GuardChange('`h`', '`o`');\n",
              {{"h", EscapePerlSingle(handler)}, {"o", EscapePerlSingle(OriginOf(pageUrl))}});
}

void WriteMailChecks(ScriptPrinter& out, const ActionList& actions)
{
    for (const Action& action : actions) {
        if (action.type == ActionType::ConditionalStatement) {
            WriteMailChecks(out, action.Condition().actions);
            continue;
        }
        if (!action.IsMail())
            continue;
        const MailAction& mail = action.Mail();
        // The same Perl text as the send itself, evaluated before any action.
        out.Print("    Sendmail::CheckMail(from=>\"`f`\", sender=>\"`s`\", ",
                  {{"f", EscapeAt(mail.from)}, {"s", EscapeAt(mail.sender)}});
        if (action.type == ActionType::SendEmail)
            out.Print("to=>\"`t`\", ", {{"t", EscapeAt(mail.to)}});
        out.Print("cc=>\"`c`\", subject=>\"`j`\");\n", {{"c", EscapeAt(mail.cc)}, {"j", EscapeAt(mail.subject)}});
    }
}

} // namespace quillet
