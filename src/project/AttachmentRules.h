#pragma once

#include "project/Action.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The rules of the "Attachment" dialog, kept apart from its widgets.

// Choosing "Text File" (true) or "Binary File" (false).
void ApplyAttachmentType(Attachment& attachment, bool textFile);

// A file chosen with "open file": its type follows from its extension.
void ApplyOpenedAttachment(Attachment& attachment, std::string_view path);

// OK: the record takes the path and the chosen type.
void FinishAttachment(Attachment& attachment, std::string_view path, bool textFile);

// The file types of the attachment file dialogs, in the form "name|patterns|...||".
std::string AttachmentFileFilter();
// The names alone, in order.
std::vector<std::string_view> AttachmentFileTypeNames();

} // namespace quillet
