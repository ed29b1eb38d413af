#pragma once

#include "project/UploadEntry.h"

namespace quillet {

class Prompter;
struct Form;
struct PathContext;
struct ServerSettings;

// Appends to list every file that a publish of form sends, for the kinds in
// flags (UploadKind bits; Template stands for the files the actions name).
// resolve looks for the page with ResolveFile; the action files are always
// looked for, and those not found are left out. The library files and images
// are written out of the program first; a failure there is shown and the
// entry is still listed.
void BuildUploadList(UploadList& list, const PathContext& context, const ServerSettings& settings, const Form& form,
                     unsigned flags, bool resolve, Prompter& prompter);

} // namespace quillet
