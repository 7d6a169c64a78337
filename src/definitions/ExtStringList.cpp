#include "definitions/ExtStringList.h"

namespace calc {

std::size_t TCaseInsensitiveHash::operator()(std::string_view s) const noexcept
{
    // FNV-1a over the upper-cased bytes.
    std::size_t h = 14695981039346656037ull;
    for (const char c : s) {
        h ^= static_cast<unsigned char>(AnsiUpper(c));
        h *= 1099511628211ull;
    }
    return h;
}

} // namespace calc
