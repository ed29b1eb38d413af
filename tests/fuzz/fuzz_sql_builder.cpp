// A project file from anywhere turns into SQL, Perl conditions and server
// paths without crashing, whatever its names, operators and values hold.
#include "generator/SqlBuilder.h"
#include "project/Paths.h"
#include "project/Project.h"
#include "project/ProjectFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

using namespace quillet;

void Visit(const ActionList& actions, int depth);

void VisitForm(const Form& form, const ServerSettings& settings, int depth)
{
    for (int kind = 0; kind <= 33; ++kind)
        RemotePath(settings, static_cast<RemoteKind>(kind), form.pageFile);
    for (const Handler& handler : form.handlers)
        Visit(handler.actions, depth);
}

void Visit(const ActionList& actions, int depth)
{
    if (depth > kMaxNesting + 2)
        std::abort();
    for (const Action& action : actions) {
        std::optional<std::string> sql = BuildSqlStatement(action);
        if (sql.has_value() != action.IsRecord())
            std::abort();
        if (action.type == ActionType::ConditionalStatement) {
            std::string perl;
            BuildCriteriaExpression(action.Condition().criteria, perl, true, "");
            Visit(action.Condition().actions, depth + 1);
        } else if (action.type == ActionType::PostHtmlForm) {
            VisitForm(action.FormBody().form, ServerSettings(), depth + 1);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ProjectReader in(std::string_view(reinterpret_cast<const char*>(data), size));
    Project project;
    if (!ReadProject(in, project))
        return 0;
    PathContext context;
    context.projectFile = "/p/x.prj";
    for (const Form& form : project.forms) {
        context.pageFile = form.pageFile;
        for (int kind = 0; kind <= 10; ++kind)
            LocalPath(context, static_cast<LocalKind>(kind), form.pageFile);
        VisitForm(form, project.settings, 0);
    }
    return 0;
}
