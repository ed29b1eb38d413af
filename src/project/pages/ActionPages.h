#pragma once

#include "project/Form.h"
#include "ui/pages/PropertyPage.h"

#include <memory>
#include <string>

namespace quillet {

class Prompter;
struct Action;
struct LoadedPage;
struct Project;

// What an action's page may read besides the action itself.
struct ActionPageContext {
    Project& project;
    std::string projectFile;
    // The form whose handler holds the action, and its parsed page (may be null):
    // the source of the field variables the page offers.
    const Form& form;
    LoadedPage* page;
    // The list that holds the action, for the variables of earlier actions.
    const ActionList& siblings;
    Prompter& prompter;
};

// The page that edits an action of the action's kind in the "Define Actions"
// sheet. The page works on the record it is given; the sheet hands it a copy and
// takes it back on OK.
std::unique_ptr<PropertyPage> CreateActionPage(Action& action, const ActionPageContext& context,
                                               QWidget* parent = nullptr);

} // namespace quillet
