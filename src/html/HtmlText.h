#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillet {

// Decimal references below 256 and the named Latin-1 entities (with quot, amp,
// lt, gt) become their byte; everything else stays as written. One pass only.
std::string DecodeEntities(std::string_view text);

// "#rrggbb" as red + green * 256 + blue * 65536; none when the text is not a colour.
std::optional<std::uint32_t> ParseColour(std::string_view text);

using StyleList = std::vector<std::pair<std::string, std::string>>;

// The properties of an inline STYLE value, in order ("font-family: 'Arial'; color:#000").
StyleList ParseStyle(std::string_view text);
// The value of a property, the name compared without regard to case.
std::optional<std::string> FindStyle(const StyleList& style, std::string_view name);

} // namespace quillet
