#pragma once

#include "html/HtmlNode.h"
#include "project/Action.h"

#include <optional>
#include <string>
#include <vector>

namespace quillet {

// The variables a template editor offers on its context menu, drawn from the
// form's fields and the actions of the list the template belongs to.
struct VariableSubmenu {
    std::string title;
    // Entries shown before the variables: "Insert All" and a separator, or a
    // separator alone. They count towards the first menu column.
    bool insertAll = false;
    bool leadingSeparator = false;
    // Command number of the first variable; 0 for the fixed default variables.
    int firstCommand = 0;
    // The variables in order; an empty entry stands for a separator.
    std::vector<std::string> entries;

    size_t FixedCount() const { return (insertAll ? 1 : 0) + (leadingSeparator ? 1 : 0); }
    // True when the entry (counted from 0 among the variables) starts a new menu
    // column: a column holds 25 entries, the fixed ones included.
    bool StartsColumn(size_t entry) const;
    // What "Insert All" inserts: every variable followed by one space.
    std::string InsertAllText() const;
};

enum class TemplateMenuKind { Full, UploadOnly };

inline constexpr size_t kMenuColumnLength = 25;
inline constexpr const char* kInsertQueryReport = "Insert Query Report";
// The editing commands that close every variable menu.
inline constexpr const char* kEditCommands[] = {"&Undo\tCtrl+Z",  "Cu&t\tCtrl+X", "&Copy\tCtrl+C",
                                                "&Paste\tCtrl+P", "&Delete\tDel", "&Select All\tCtrl+A"};

// The submenus in menu order. The full menu also has "Insert Query Report"
// after them, the upload-only one only "Insert File Upload Handle".
std::vector<VariableSubmenu> BuildTemplateMenu(TemplateMenuKind kind, HtmlPage* page, std::optional<HtmlIter> formNode,
                                               const ActionList* actions);

// What "Insert Query Report" inserts when no report was designed: the default
// report of every "Select Records" action.
std::string DefaultReportsText(const ActionList* actions);

// The report placeholder element of a template: a SPAN whose name attribute is
// "QUILLET_QUERY_REPORT"; end() when the page has none.
HtmlIter FindQueryReport(HtmlPage& page);

} // namespace quillet
