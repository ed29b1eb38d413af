#pragma once

#include <string>
#include <string_view>

namespace quillet {

// Code blocks are held with CR LF line ends, as the project file gives them
// back; the editor shows them with LF.
std::string CodeFromEditor(std::string_view text);
std::string EditorFromCode(std::string_view code);

} // namespace quillet
