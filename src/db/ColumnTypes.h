#pragma once

#include <array>
#include <string_view>

namespace quillet {

enum class ColumnClass { Integer, Real, SizedText, Fixed, ValueList };

// One entry of the "Data Type" drop-down: the MySQL syntax template and the
// class that decides how the designer edits the column.
struct ColumnTypeInfo {
    std::string_view syntax;
    ColumnClass columnClass;

    // The text before the first "[" or "(": what the drop-down offers and the column stores.
    std::string_view Name() const;
    bool TakesSize() const { return syntax.find("length") != std::string_view::npos; }
    bool IsNumeric() const { return syntax.find("NUMBER") != std::string_view::npos; }
    bool AllowsPrecision() const { return IsNumeric() && syntax.find("INTNUMBER") == std::string_view::npos; }
};

inline constexpr std::array<ColumnTypeInfo, 27> kColumnTypeCatalogue = {{
    {"TINYINT[(length)] [UNSIGNED] [ZEROFILL] [INTNUMBER]", ColumnClass::Integer},
    {"SMALLINT[(length)] [UNSIGNED] [ZEROFILL] [INTNUMBER]", ColumnClass::Integer},
    {"MEDIUMINT[(length)] [UNSIGNED] [ZEROFILL] [INTNUMBER]", ColumnClass::Integer},
    {"INT[(length)] [UNSIGNED] [ZEROFILL] [INTNUMBER]", ColumnClass::Integer},
    {"INTEGER[(length)] [UNSIGNED] [ZEROFILL] [INTNUMBER]", ColumnClass::Integer},
    {"BIGINT[(length)] [UNSIGNED] [ZEROFILL] [INTNUMBER]", ColumnClass::Integer},
    {"REAL[(length,decimals)] [UNSIGNED] [ZEROFILL] [REALNUMBER]", ColumnClass::Real},
    {"DOUBLE[(length,decimals)] [UNSIGNED] [ZEROFILL] [REALNUMBER]", ColumnClass::Real},
    {"FLOAT[(length,decimals)] [UNSIGNED] [ZEROFILL] [REALNUMBER]", ColumnClass::Real},
    {"DECIMAL(length,decimals) [UNSIGNED] [ZEROFILL] [REALNUMBER]", ColumnClass::Real},
    {"NUMERIC(length,decimals) [UNSIGNED] [ZEROFILL] [REALNUMBER]", ColumnClass::Real},
    {"CHAR(length) [BINARY]", ColumnClass::SizedText},
    {"VARCHAR(length) [BINARY]", ColumnClass::SizedText},
    {"DATE", ColumnClass::Fixed},
    {"TIME", ColumnClass::Fixed},
    {"TIMESTAMP", ColumnClass::Fixed},
    {"DATETIME", ColumnClass::Fixed},
    {"TINYBLOB", ColumnClass::Fixed},
    {"BLOB", ColumnClass::Fixed},
    {"MEDIUMBLOB", ColumnClass::Fixed},
    {"LONGBLOB", ColumnClass::Fixed},
    {"TINYTEXT", ColumnClass::Fixed},
    {"TEXT", ColumnClass::Fixed},
    {"MEDIUMTEXT", ColumnClass::Fixed},
    {"LONGTEXT", ColumnClass::Fixed},
    {"ENUM(value1,value2,value3,...)", ColumnClass::ValueList},
    {"SET(value1,value2,value3,...)", ColumnClass::ValueList},
}};

inline constexpr std::array<std::string_view, 6> kIndexKindList = {"PRIMARY KEY", "KEY",      "INDEX",
                                                                   "UNIQUE",      "FULLTEXT", "FOREIGN KEY"};
inline constexpr std::array<std::string_view, 3> kNullOptionList = {" ", "NOT NULL", "NULL"};
// The DBI drivers the designer offers; each gets CREATE TABLE in its own dialect.
inline constexpr std::array<std::string_view, 3> kDriverList = {"mysql", "SQLite", "Pg"};

// Column flags kept in ColumnDef::numberFlags.
constexpr int kZeroFillFlag = 1;
constexpr int kUnsignedFlag = 2;
constexpr int kPrecisionFlag = 4;

// The first entry whose syntax begins, ignoring case, with text; none for an empty text.
const ColumnTypeInfo* FindColumnType(std::string_view text);
// The entry whose name equals type ignoring case.
const ColumnTypeInfo* ColumnTypeByName(std::string_view type);

// True for the types whose DEFAULT is written in single quotes.
bool IsQuotedType(std::string_view type);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool IsValueListType(std::string_view type);

} // namespace quillet
