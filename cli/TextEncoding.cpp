#include "TextEncoding.h"

#include "engine/ExprParserTypes.h"

namespace calc::cli {

namespace {

bool IsContinuation(unsigned char c) noexcept
{
    return (c & 0xC0) == 0x80;
}

} // namespace

TCodePoint DecodeUtf8(std::string_view text) noexcept
{
    if (text.empty())
        return {};
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    }
    else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    }
    else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    }
    else
        return {};
    if (text.size() < length)
        return {};
    for (std::size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!IsContinuation(c))
            return {};
        value = (value << 6) | (c & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return {};
    return {value, length};
}

TLatin1Result Utf8ToLatin1(std::string_view utf8)
{
    TLatin1Result result;
    result.Text.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        // Plain ASCII runs are by far the most common input.
        if (c < 0x80) {
            result.Text.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        const TCodePoint cp = DecodeUtf8(utf8.substr(i));
        if (cp.Length == 0) {
            result.Ok = false;
            result.ErrorPos = result.Text.size();
            result.ErrorMessage = "Invalid UTF-8 byte sequence";
            return result;
        }
        if (cp.Value > 0xFF) {
            result.Ok = false;
            result.ErrorPos = result.Text.size();
            result.ErrorMessage =
                Format("Character not supported: U+%04X", static_cast<unsigned>(cp.Value));
            return result;
        }
        result.Text.push_back(static_cast<char>(cp.Value));
        i += cp.Length;
    }
    return result;
}

void AppendLatin1AsUtf8(std::string& out, std::string_view latin1)
{
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            out.push_back(ch);
        else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
}

std::string Latin1ToUtf8(std::string_view latin1)
{
    std::string out;
    out.reserve(latin1.size() + 8);
    AppendLatin1AsUtf8(out, latin1);
    return out;
}

} // namespace calc::cli
