#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace calc::cli {

/// The outcome of turning UTF-8 into the core's 8-bit text.
struct TLatin1Result {
    std::string Text; ///< the converted text; complete only when Ok
    bool Ok = true;
    std::size_t ErrorPos = 0; ///< characters converted before the failure
    std::string ErrorMessage; ///< why the conversion stopped
};

/// Converts UTF-8 to ISO-8859-1, one byte per character. A character above U+00FF or a byte
/// sequence that is not valid UTF-8 stops the conversion with a message naming it.
[[nodiscard]] TLatin1Result Utf8ToLatin1(std::string_view utf8);

/// Converts ISO-8859-1 to UTF-8; every byte is one character.
[[nodiscard]] std::string Latin1ToUtf8(std::string_view latin1);
/// Appends the UTF-8 form of an ISO-8859-1 text.
void AppendLatin1AsUtf8(std::string& out, std::string_view latin1);

/// One code point decoded from UTF-8; Length 0 marks an invalid sequence.
struct TCodePoint {
    char32_t Value = 0;
    std::size_t Length = 0;
};

/// Decodes the code point at the start of text; overlong forms, surrogates, values above
/// U+10FFFF and truncated sequences are invalid.
[[nodiscard]] TCodePoint DecodeUtf8(std::string_view text) noexcept;

} // namespace calc::cli
