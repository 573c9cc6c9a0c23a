#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

// Reads an integer as the sign's settings files write them: decimal with an
// optional sign, or hexadecimal with a "$", "0x" or "0X" prefix. Leading and
// trailing blanks are allowed; anything else, an empty text or a value
// outside 32 bits gives no result.
std::optional<int32_t> ParseInteger(std::string_view text);
