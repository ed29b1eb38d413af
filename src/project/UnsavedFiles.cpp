#include "project/UnsavedFiles.h"

#include "project/Messages.h"
#include "project/Prompter.h"

namespace quillet {

SaveAnswer AskToSaveAll(const std::vector<UnsavedFile>& files, Prompter& prompter)
{
    if (files.empty())
        return SaveAnswer::NothingToSave;
    std::string question;
    if (files.size() == 1 && files.front().isProject) {
        question = FormatMessage(Msg::SaveProjectFile, {files.front().name});
    } else {
        std::string names;
        for (const UnsavedFile& file : files)
            names += (names.empty() ? "" : "\r\n") + file.name;
        question = FormatMessage(Msg::SaveChangesTo, {names});
    }
    switch (prompter.AskYesNoCancel(question)) {
    case Prompter::Answer::Cancel:
        return SaveAnswer::Cancelled;
    case Prompter::Answer::No:
        return SaveAnswer::Discarded;
    case Prompter::Answer::Yes:
        break;
    }
    for (const UnsavedFile& file : files)
        if (!file.save())
            return SaveAnswer::Cancelled;
    return SaveAnswer::Saved;
}

} // namespace quillet
