#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quillet {

class Prompter;

// A file that has changes only in memory, and how to write them.
struct UnsavedFile {
    std::string name;
    std::function<bool()> save;
    // The project file itself: alone, it gets the project's own question.
    bool isProject = false;
};

enum class SaveAnswer { NothingToSave, Saved, Discarded, Cancelled };

// One question for everything that closing would lose. Yes saves every file in
// order and stops at the first that fails, which then counts as Cancelled, so
// nothing unsaved is closed; No drops the changes; Cancel keeps everything open.
SaveAnswer AskToSaveAll(const std::vector<UnsavedFile>& files, Prompter& prompter);

} // namespace quillet
