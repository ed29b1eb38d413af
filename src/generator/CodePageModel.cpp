#include "generator/CodePageModel.h"

namespace quillet {

std::string CodeFromEditor(std::string_view text)
{
    std::string code;
    code.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            code += '\r';
        code += text[i];
    }
    return code;
}

std::string EditorFromCode(std::string_view code)
{
    std::string text;
    text.reserve(code.size());
    for (size_t i = 0; i < code.size(); ++i)
        if (!(code[i] == '\r' && i + 1 < code.size() && code[i + 1] == '\n'))
            text += code[i];
    return text;
}

} // namespace quillet
