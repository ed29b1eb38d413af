#include "generator/ActionEmitters.h"

#include "generator/CookiePageModel.h"
#include "generator/CriteriaGrid.h"
#include "generator/PerlLiteral.h"
#include "generator/PerlValue.h"
#include "generator/SqlBuilder.h"
#include "project/Paths.h"
#include "project/ServerSettings.h"

#include <strings.h>

namespace quillet {

namespace {

using Var = ScriptPrinter::Var;

std::string Quoted(const ScriptFileArg& arg)
{
    return arg.quoted ? "\"" + arg.text + "\"" : arg.text;
}

// Writes stored code line by line: empty lines are dropped, and the CR that ends
// a line turns into a blank, as the script has always been written.
void WriteCodeLines(ScriptPrinter& out, std::string_view code)
{
    size_t start = 0;
    while (start <= code.size()) {
        size_t lf = code.find('\n', start);
        std::string_view line = code.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start);
        if (!line.empty() && line != "\r") {
            bool cr = line.back() == '\r';
            out.Print(cr ? "  `l` \n" : "  `l`\n", {{"l", cr ? line.substr(0, line.size() - 1) : line}});
        }
        if (lf == std::string_view::npos)
            break;
        start = lf + 1;
    }
}

bool IsHtmlFile(std::string_view file)
{
    std::string ext = SplitPath(file, PathPart::Ext);
    if (!ext.empty() && ext.front() == '.')
        ext.erase(0, 1);
    for (const char* html : {"html", "htm", "shtml", "dhtml", "xhtml"})
        if (strcasecmp(ext.c_str(), html) == 0)
            return true;
    return false;
}

// A data file's path in the script: the server data folder, with a form value
// in the name left for Perl to fill in; a text that is an expression on its own
// (an uploaded file's handle) stays bare.
ScriptFileArg DataArg(const EmitContext& context, std::string_view file)
{
    if (file.empty())
        return {"", true};
    if (file.front() == '$')
        return {std::string(file), false};
    return {RemotePath(context.settings, RemoteKind::ScriptData, file), true};
}

void WriteSource(ScriptPrinter& out, const ScriptFileArg& source)
{
    if (source.quoted)
        out.Print("      source=>\"`s`\",\n", {{"s", source.text}});
    else
        out.Print("      source=>`s`,\n", {{"s", source.text}});
}

void WriteDocs(ScriptPrinter& out, const MailAction& mail, const EmitContext& context)
{
    out.Print("  docs=>[ \n");
    out.Print("    [ \n");
    out.Print(IsHtmlFile(mail.templateFile) ? "      content=>\"text/html\",\n" : "      content=>\"text/plain\",\n");
    out.Print("      enc=>\"8bit\",\n      type=>\"FILE\",\n");
    WriteSource(out, TemplateArg(context, mail.templateFile));
    out.Print("      binmode=>0,\n      template=>1,\n    ], \n");
    for (const Attachment& a : mail.attachments) {
        if (a.path.empty())
            continue;
        out.Print("      [ \n      content=>\"`c`\",\n      enc=>\"`e`\",\n      type=>\"FILE\",\n",
                  {{"c", a.contentType}, {"e", a.encoding}});
        WriteSource(out, TemplateArg(context, a.path));
        out.Print("      binmode=>`b`,\n      template=>`t`,\n      ], \n",
                  {{"b", std::to_string(a.binaryMode)}, {"t", std::to_string(a.isTemplate)}});
    }
    out.Print("    ]\n");
}

// A server text with a folder separator names a mail program; anything else is
// an SMTP host, with the POP login only where the action asks for one.
void WriteMailAction(ScriptPrinter& out, const Action& action, const EmitContext& context)
{
    const MailAction& mail = action.Mail();
    bool program = mail.server.find_first_of("/\\") != std::string::npos;
    out.Print(" sendmail(\n");
    if (program) {
        out.Print("  mailcmd=>'`s`', \n", {{"s", EscapePerlSingle(mail.server)}});
    } else {
        out.Print("  mailhost=>'`s`', \n", {{"s", EscapePerlSingle(mail.server)}});
        if (mail.smtpAuth)
            out.Print("  pop=>\"`p`\", \n  user=>\"`u`\", \n  pass=>\"`w`\", \n",
                      {{"p", EscapePerlDouble(mail.popServer)},
                       {"u", EscapePerlDouble(mail.popUser)},
                       {"w", EscapePerlDouble(mail.popPassword)}});
    }
    bool bulk = action.type == ActionType::SendBulkEmail;
    // The fields are text in which form variables are filled in.
    out.Print("  from=>\"`f`\", \n  sender=>\"`s`\", \n",
              {{"f", PerlInterpolated(mail.from)}, {"s", PerlInterpolated(mail.sender)}});
    if (bulk)
        out.Print("  listsrc=>`l`, \n", {{"l", Quoted(DataArg(context, mail.to))}});
    else
        out.Print("  to=>\"`t`\", \n", {{"t", PerlInterpolated(mail.to)}});
    out.Print("  cc=>\"`c`\", \n  subject=>\"`s`\", \n",
              {{"c", PerlInterpolated(mail.cc)}, {"s", PerlInterpolated(mail.subject)}});
    WriteDocs(out, mail, context);
    out.Print("  );\n");
}

// The address parts a cookie is scoped by: the path of the CGI address, and its
// host when that is a domain name (an IP address or a single label such as
// "localhost" leaves the cookie host-only).
struct CookieScope {
    std::string path;
    std::string domain;
};

CookieScope ScopeOf(std::string_view cgiUrl)
{
    size_t scheme = cgiUrl.find("://");
    std::string_view rest = scheme == std::string_view::npos ? cgiUrl : cgiUrl.substr(scheme + 3);
    size_t slash = rest.find('/');
    std::string_view host = rest.substr(0, slash);
    CookieScope scope{slash == std::string_view::npos ? "/" : std::string(rest.substr(slash)), ""};
    host = host.substr(0, host.rfind(':') == std::string_view::npos || host.find(']') != std::string_view::npos
                              ? host.size()
                              : host.rfind(':'));
    bool named = host.find('.') != std::string_view::npos &&
                 host.find_first_not_of("0123456789.") != std::string_view::npos && host.front() != '[';
    if (named)
        scope.domain = std::string(host);
    return scope;
}

// One SetCookie call per cookie, so that a value taken from the form is encoded
// whole and can never end its cookie or start another.
void WriteCookieAction(ScriptPrinter& out, const CookieAction& cookie, const ServerSettings& settings)
{
    // The page keeps a date as whole days since 1970; the runtime wants seconds.
    long expiry = cookie.expiryKind == 1 ? cookie.expiry * 86400L : cookie.expiry;
    CookieScope scope = ScopeOf(settings.cgiUrl);
    for (const CookieRow& row : LoadCookies(cookie.code)) {
        std::string name = TrimCell(row.name);
        if (name.empty())
            continue;
        out.Print("  SetCookie(`k`, \"`n`\", \"`v`\", `e`, \"`p`\", \"`d`\", `s`);\n",
                  {{"k", std::to_string(cookie.expiryKind)},
                   {"n", name},
                   {"v", TrimCell(row.value)},
                   {"e", std::to_string(expiry)},
                   {"p", EscapePerlDouble(scope.path)},
                   {"d", EscapePerlDouble(scope.domain)},
                   {"s", row.secure ? "1" : "0"}});
    }
}

void WriteCondition(ScriptPrinter& out, const ConditionAction& condition, const EmitContext& context)
{
    std::string test;
    BuildCriteriaExpression(condition.criteria, test, true, "");
    // An empty grid holds always, as an empty list of conditions would.
    out.Print("   if (`c`) {\n", {{"c", test.empty() ? "1" : WithFirstValues(test)}});
    {
        ScriptPrinter::Indent nested(out, "  ");
        for (const Action& action : condition.actions)
            WriteAction(out, action, context);
    }
    out.Print("   }\n");
}

// The position of the quote that closes the literal opened at start, or the end.
size_t QuoteEnd(std::string_view code, size_t start)
{
    for (size_t i = start + 1; i < code.size(); ++i) {
        if (code[i] == '\\')
            ++i;
        else if (code[i] == code[start])
            return i;
    }
    return code.size();
}

// The position of the "}" that closes the hash key opened at start; a quoted key may hold one.
size_t KeyEnd(std::string_view code, size_t start)
{
    for (size_t i = start + 1; i < code.size(); ++i) {
        if (code[i] == '\'' || code[i] == '"')
            i = QuoteEnd(code, i);
        else if (code[i] == '}')
            return i;
    }
    return code.size();
}

} // namespace

std::string WithFirstValues(std::string_view code)
{
    std::string out;
    for (size_t i = 0; i < code.size(); ++i) {
        if (code[i] == '\\' || code[i] == '\'') {
            // An escaped character, or a literal that does not interpolate.
            size_t end = code[i] == '\\' ? i + 1 : QuoteEnd(code, i);
            out += code.substr(i, end + 1 - i);
            i = end;
        } else if (code.substr(i).starts_with("$FORM{")) {
            size_t end = KeyEnd(code, i + 5);
            out += code.substr(i, end + 1 - i);
            std::string_view next = end < code.size() ? code.substr(end + 1) : std::string_view();
            if (end < code.size() && !next.starts_with("[") && !next.starts_with("{") && !next.starts_with("->"))
                out += "[0]";
            i = end;
        } else {
            out += code[i];
        }
    }
    return out;
}

ScriptFileArg TemplateArg(const EmitContext& context, std::string_view file)
{
    if (file.empty())
        return {"", true};
    // Only a Perl expression stays bare (an upload's handle, a variable): a plain
    // name that is not at hand yet still names the file a publish puts there.
    bool expression = file.front() == '$' || file.front() == '@' || file.front() == '\\';
    if (expression) {
        std::string local(file);
        if (!ResolveFile(context.paths, local))
            return {std::string(file), false};
    }
    return {RemotePath(context.settings, RemoteKind::ScriptTemplate, file), true};
}

void WriteRecordAction(ScriptPrinter& out, const Action& action)
{
    std::optional<std::string> sql = BuildSqlStatement(action);
    if (!sql)
        return;
    const RecordAction& record = action.Record();
    Var name{"n", action.name};
    Var dsn{"d", record.dataSource};
    Var text{"q", *sql};
    out.Print("  %`n` = {};\n", {name});
    if (action.type != ActionType::SelectRecords) {
        out.Print("  $`n`->{nrows} = $`d`->do(\"`q`\");\n", {name, dsn, text});
        return;
    }
    out.Print("  $`n`->{sth} = $`d`->prepare(\"`q`\");\n", {name, dsn, text});
    out.Print("  $`n`->{nrows} = $`n`->{sth}->execute;\n", {name});
    out.Print("  PrintRows($`n`, `r`);\n", {name, {"r", std::to_string(record.rowsPerPage)}});
}

bool WriteAction(ScriptPrinter& out, const Action& action, const EmitContext& context)
{
    ScriptPrinter::Section section(out, action.name);
    Var name{"n", action.name};
    switch (action.type) {
    case ActionType::InsertRecord:
    case ActionType::DeleteRecords:
    case ActionType::UpdateRecords:
    case ActionType::SelectRecords:
        WriteRecordAction(out, action);
        return false;
    case ActionType::SendEmail:
    case ActionType::SendBulkEmail:
        WriteMailAction(out, action, context);
        return false;
    case ActionType::ReadWriteFile: {
        const FileAction& file = action.File();
        // The paths are the server's own already, so the runtime must not prefix them again.
        out.Print("  $`n`=ReadWrite(\"`n`\", `m`, `t`, `d`, \"1\");\n",
                  {name,
                   {"m", std::to_string(file.mode)},
                   {"t", Quoted(TemplateArg(context, file.file))},
                   {"d", Quoted(DataArg(context, file.dataFile))}});
        return false;
    }
    case ActionType::RespondToBrowser: {
        const ResponseAction& response = action.Response();
        out.Print("  PostUrl(\"`n`\", `m`, `t`, \"`u`\");\n", {name,
                                                               {"m", std::to_string(response.postMode)},
                                                               {"t", Quoted(TemplateArg(context, response.file))},
                                                               {"u", PerlInterpolated(response.url)}});
        return true;
    }
    case ActionType::PerlCodeBlock:
        WriteCodeLines(out, action.Code().code);
        return false;
    case ActionType::SetHttpCookies:
        WriteCookieAction(out, action.Cookie(), context.settings);
        return false;
    case ActionType::ConditionalStatement:
        WriteCondition(out, action.Condition(), context);
        return false;
    case ActionType::GenerateHtmlForm:
        out.Print("  $`n`=MakeMsg(\"`n`\", `t`);\n",
                  {name, {"t", Quoted(TemplateArg(context, action.FormBody().form.pageFile))}});
        return false;
    case ActionType::PostHtmlForm:
        out.Print("  PostUrl(\"`n`\", 1, `t`, \"\");\n",
                  {name, {"t", Quoted(TemplateArg(context, action.FormBody().form.pageFile))}});
        return true;
    }
    return false;
}

bool WriteActionList(ScriptPrinter& out, const ActionList& list, const EmitContext& context)
{
    bool responded = false;
    for (const Action& action : list)
        responded = WriteAction(out, action, context) || responded;
    if (!responded)
        out.Print("  PostUrl(\"DefaultAction\", 1, \"\", \"\");\n");
    return true;
}

} // namespace quillet
