#include "generator/Build.h"

#include "generator/BuildChecks.h"
#include "generator/ScriptGenerator.h"
#include "html/FormDiscovery.h"
#include "html/Honeypot.h"
#include "html/TemplateVariables.h"
#include "project/Messages.h"
#include "project/Paths.h"
#include "project/Project.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"

namespace quillet {

bool PrepareFormPages(const Project& project, const std::string& projectFile, Prompter& prompter, PageFileCache* pages)
{
    for (const Form* form : ScriptFormList(project)) {
        Form copy{form->pageFile, form->formName, {}};
        LoadedPage page(projectFile);
        if (pages)
            page.file = pages->Read(PagePath(*form, page));
        FindFormResult found = FindForm(copy, page);
        if (found == FindFormResult::Unreadable) {
            prompter.Show(UnreadableFileMessage(PagePath(*form, page)));
            return false;
        }
        if (found != FindFormResult::Found || !page.formNode)
            continue;
        if (!InsideProjectFolder(projectFile, page.file->Path(), prompter))
            return false;
        PrepareFormTag(*page.Nodes(), *page.formNode, ScriptUrlForForm(project, *form));
        AddHoneypot(*page.Nodes(), *page.formNode);
        if (!WriteHtmlFile(*page.file)) {
            prompter.Show(FormatMessage(Msg::CantCreateFile, {page.file->Path()}));
            return false;
        }
    }
    return true;
}

bool BuildProject(const Project& project, const std::string& projectFile, Prompter& prompter, std::string* scriptPath)
{
    const Form* main = project.CurrentForm();
    if (!main || main->pageFile.empty()) {
        prompter.Show(FormatMessage(Msg::NoFormLoaded));
        return false;
    }
    // Everything is checked before the first page or script is written.
    PageFileCache pages;
    if (!CheckBuild(project, projectFile, prompter, &pages))
        return false;
    GenerateInput input{project, projectFile, project.settings.buildPortable != 0, &pages};
    ScriptPrinter script;
    if (!GenerateScriptText(input, prompter, script) || !CheckScriptCompiles(script, prompter))
        return false;
    return PrepareFormPages(project, projectFile, prompter, &pages) &&
           WriteScriptFile(input, script.Text(), prompter, scriptPath);
}

} // namespace quillet
