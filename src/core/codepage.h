// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace alerts::core {

// The server speaks Windows-1252: one byte is one character. The five bytes the
// code page leaves undefined map to the C1 controls of the same value, as Windows does.
char16_t windows1252ToUnicode(unsigned char byte);

std::u16string decodeWindows1252(std::string_view bytes);

// The byte for a character, or nothing where Windows-1252 has no such character.
std::optional<char> unicodeToWindows1252(char16_t ch);

} // namespace alerts::core
