#include "definitions/ExtStringList.h"

#include <algorithm>
#include <bit>
#include <utility>

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

void TKeyIndex::Reserve(std::size_t count)
{
    const std::size_t size = std::bit_ceil(std::max<std::size_t>(count * 2, 16));
    if (size > FSlots.size())
        Resize(size);
}

void TKeyIndex::Resize(std::size_t size)
{
    std::vector<TSlot> old = std::exchange(FSlots, std::vector<TSlot>(size));
    FShift = 32 - static_cast<unsigned>(std::countr_zero(size));
    // The keys are distinct already: each goes to the first free slot from its home on.
    for (const TSlot& slot : old) {
        if (slot.Position < 0)
            continue;
        std::size_t i = slot.Hash >> FShift;
        while (FSlots[i].Position >= 0)
            i = (i + 1) & (size - 1);
        FSlots[i] = slot;
    }
}

} // namespace calc
