#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fendrel {

// A text that starts with a UTF-16 or UTF-32 byte-order mark (either byte
// order), as UTF-8 with a UTF-8 byte-order mark in its place; empty for any
// other text, which is read as it stands. Spreadsheets write their "Unicode
// text" this way. Unpaired surrogates, code points beyond U+10FFFF and a
// trailing part of a code unit become U+FFFD.
std::optional<std::string> DecodeUnicodeText(std::string_view text);

// A name for showing: valid UTF-8 as it is, any other text read as
// Windows-1252 (a superset of Latin-1 in its printable range), which is what
// a header in neither of the Unicode encodings nearly always is.
std::string AsUtf8(std::string_view text);

bool IsValidUtf8(std::string_view text);

}  // namespace fendrel
