#pragma once

#include "net/RemoteTransport.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The steps that keep a live site whole while a publish changes it, the same
// for every transport.

// The name a file travels under before it replaces the live one: beside it,
// hidden, and ending in the live file's extension, so that a web server treats
// a half-sent script as a script and never shows its text.
std::string TemporaryUploadPath(std::string_view remotePath);
bool IsTemporaryUploadName(std::string_view name);

enum class StepResult { Done, TransferFailed, PermissionFailed };

struct StepOutcome {
    StepResult result = StepResult::Done;
    // The transport's error number of the failed call.
    unsigned long error = 0;
};

// Sends bytes under the temporary name, gives that file its mode, and only
// then renames it over path, so the live name always holds a whole file with
// its final mode. On failure the temporary file goes and the live one stays.
// An empty mode, or a server without modes, changes no mode.
StepOutcome PutWholeFile(RemoteTransport& transport, const std::string& path, std::string_view bytes, TransferType type,
                         const std::string& mode);

// A data file's placeholder: made empty where no file is, whatever a listing
// says, so that collected data are never cut; then given its mode.
StepOutcome PutPlaceholder(RemoteTransport& transport, const std::string& path, const std::string& mode);

// Removes the temporary files an interrupted publish left in the folders of
// these paths, as far as the server lists them.
void RemoveLeftovers(RemoteTransport& transport, const std::vector<std::string>& paths);

} // namespace quillet
