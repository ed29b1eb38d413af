#include "generator/ScriptPrinter.h"

#include <cstdlib>

namespace quillet {

void ScriptPrinter::Put(char c)
{
    if (m_atLineStart && c != '\n')
        m_text += m_indent;
    m_atLineStart = c == '\n';
    m_text += c;
}

void ScriptPrinter::Print(std::string_view tmpl, std::initializer_list<Var> vars)
{
    for (size_t i = 0; i < tmpl.size(); ++i) {
        if (tmpl[i] != '`') {
            Put(tmpl[i]);
            continue;
        }
        size_t close = tmpl.find('`', i + 1);
        if (close == std::string_view::npos)
            std::abort(); // a template of the program's own is malformed
        std::string_view name = tmpl.substr(i + 1, close - i - 1);
        i = close;
        if (name.empty()) {
            Put('`');
            continue;
        }
        const Var* found = nullptr;
        for (const Var& v : vars)
            if (v.name == name)
                found = &v;
        if (!found)
            std::abort();
        for (char c : found->value)
            Put(c);
    }
}

void ScriptPrinter::Raw(std::string_view text)
{
    for (char c : text)
        Put(c);
}

} // namespace quillet
