#include "generator/ScriptPrinter.h"

#include <cstdlib>

namespace quillet {

// Whole lines at a time: a script of ten thousand actions is megabytes long.
void ScriptPrinter::Append(std::string_view text)
{
    // Outside nested blocks no line needs anything added.
    if (m_indent.empty()) {
        if (!text.empty()) {
            m_text += text;
            m_atLineStart = text.back() == '\n';
        }
        return;
    }
    while (!text.empty()) {
        if (m_atLineStart && text.front() != '\n')
            m_text += m_indent;
        size_t lineEnd = text.find('\n');
        m_atLineStart = lineEnd != std::string_view::npos;
        size_t length = m_atLineStart ? lineEnd + 1 : text.size();
        m_text.append(text.data(), length);
        text.remove_prefix(length);
    }
}

void ScriptPrinter::Print(std::string_view tmpl, std::initializer_list<Var> vars)
{
    while (!tmpl.empty()) {
        size_t open = tmpl.find('`');
        Append(tmpl.substr(0, open));
        if (open == std::string_view::npos)
            return;
        size_t close = tmpl.find('`', open + 1);
        if (close == std::string_view::npos)
            std::abort(); // a template of the program's own is malformed
        std::string_view name = tmpl.substr(open + 1, close - open - 1);
        tmpl.remove_prefix(close + 1);
        if (name.empty()) {
            Append("`");
            continue;
        }
        const Var* found = nullptr;
        for (const Var& v : vars)
            if (v.name == name)
                found = &v;
        if (!found)
            std::abort();
        Append(found->value);
    }
}

void ScriptPrinter::Raw(std::string_view text)
{
    Append(text);
}

ScriptPrinter::Section::Section(ScriptPrinter& printer, std::string_view label) : m_printer(printer)
{
    printer.m_sections.push_back(printer.m_labels.size());
    printer.m_labels.emplace_back(label);
    printer.AddMark();
}

ScriptPrinter::Section::~Section()
{
    m_printer.m_sections.pop_back();
    m_printer.AddMark();
}

void ScriptPrinter::AddMark()
{
    m_marks.push_back({m_text.size(), m_sections.empty() ? 0 : m_sections.back()});
}

std::string ScriptPrinter::LabelOfLine(size_t line) const
{
    size_t offset = 0;
    for (size_t n = 1; n < line && offset != std::string::npos; ++n) {
        offset = m_text.find('\n', offset);
        if (offset != std::string::npos)
            ++offset;
    }
    if (offset == std::string::npos)
        return {};
    size_t label = 0;
    for (const Mark& mark : m_marks) {
        if (mark.offset > offset)
            break;
        label = mark.label;
    }
    return m_labels[label];
}

} // namespace quillet
