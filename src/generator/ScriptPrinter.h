#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace quillet {

// Writes the generated script. Templates are the program's own text: a name
// between backticks (`name`) is replaced by the value given for it, "``" is one
// backtick, and every line begins with the current indent. Perl never needs a
// backtick in what the generator writes, so "$", "%" and "@" stand as they are.
// Values are copied as they stand and are never read as templates.
class ScriptPrinter {
public:
    struct Var {
        std::string_view name;
        std::string_view value;
    };

    void Print(std::string_view tmpl, std::initializer_list<Var> vars = {});
    // Text copied as it stands; a new line still begins with the indent.
    void Raw(std::string_view text);

    const std::string& Text() const { return m_text; }
    std::string Take() { return std::move(m_text); }

    // Lengthens the indent for as long as the object lives.
    class Indent {
    public:
        Indent(ScriptPrinter& printer, std::string_view more) : m_printer(printer), m_size(printer.m_indent.size())
        {
            printer.m_indent += more;
        }
        ~Indent() { m_printer.m_indent.resize(m_size); }
        Indent(const Indent&) = delete;
        Indent& operator=(const Indent&) = delete;

    private:
        ScriptPrinter& m_printer;
        size_t m_size;
    };

private:
    void Append(std::string_view text);

    std::string m_text;
    std::string m_indent;
    bool m_atLineStart = true;
};

} // namespace quillet
