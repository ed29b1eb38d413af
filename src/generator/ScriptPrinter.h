#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

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

    // Room for the whole script at once: growing a text of megabytes step by step
    // copies it each time into memory never touched before.
    void Reserve(size_t bytes) { m_text.reserve(bytes); }
    const std::string& Text() const { return m_text; }
    std::string Take() { return std::move(m_text); }

    // Marks the text printed while the object lives as coming from what label
    // names (an action), so that a problem found in the script can be traced back.
    class Section {
    public:
        Section(ScriptPrinter& printer, std::string_view label);
        ~Section();
        Section(const Section&) = delete;
        Section& operator=(const Section&) = delete;

    private:
        ScriptPrinter& m_printer;
    };
    // The label of the innermost section holding the 1-based line; empty outside any.
    std::string LabelOfLine(size_t line) const;

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
    // A label is kept once; marks refer to it by its index, 0 being none.
    struct Mark {
        size_t offset;
        size_t label;
    };

    void Append(std::string_view text);
    void AddMark();

    std::string m_text;
    std::vector<std::string> m_labels{std::string()};
    std::vector<size_t> m_sections;
    std::vector<Mark> m_marks;
    std::string m_indent;
    bool m_atLineStart = true;
};

} // namespace quillet
