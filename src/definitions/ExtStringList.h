#pragma once

#include "engine/ExprParserTypes.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace calc {

/// Hash and equality of keys without regard to letter case.
struct TCaseInsensitiveHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept;
};
struct TCaseInsensitiveEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept
    {
        return AnsiSameText(a, b);
    }
};

/// Positions of keys in an open-addressing table, a power of two in size and at most half full:
/// a lookup costs one hash and mostly a single probe. Each slot keeps 32 bits of its key's hash,
/// which place it in the table and settle most mismatches without reading the key.
class TKeyIndex {
public:
    /// The same for keys that differ only in letter case.
    [[nodiscard]] static std::uint32_t Hash(std::string_view key) noexcept
    {
        // AnsiUpper only ever clears bit 5, so keys that differ only in letter case agree once
        // bit 5 of every byte is cleared. Eight bytes at a time, each block mixed by a multiply.
        constexpr std::uint64_t kFold = ~0x2020202020202020ull;
        constexpr std::uint64_t kMix = 0x9E3779B97F4A7C15ull;
        std::uint64_t h = key.size();
        std::size_t i = 0;
        for (; i + 8 <= key.size(); i += 8) {
            std::uint64_t block;
            std::memcpy(&block, key.data() + i, sizeof block);
            h = (h ^ (block & kFold)) * kMix;
        }
        std::uint64_t tail = 0;
        for (; i < key.size(); ++i)
            tail = (tail << 8) | static_cast<unsigned char>(key[i]);
        h = (h ^ (tail & kFold)) * kMix;
        return static_cast<std::uint32_t>(h >> 32);
    }

    void Clear() noexcept
    {
        FSlots.clear();
        FUsed = 0;
        FShift = 32;
    }

    /// Room for count keys without growing.
    void Reserve(std::size_t count);

    /// Maps the key to position, in place of the position of an equal key; keyAt(p) is the key
    /// at position p.
    template <class KeyAt> void Assign(std::string_view key, int position, const KeyAt& keyAt)
    {
        if ((FUsed + 1) * 2 > FSlots.size())
            Grow();
        const std::uint32_t hash = Hash(key);
        std::size_t i = hash >> FShift;
        for (;; i = (i + 1) & (FSlots.size() - 1)) {
            TSlot& slot = FSlots[i];
            if (slot.Position < 0) {
                slot = {hash, position};
                ++FUsed;
                return;
            }
            if (slot.Hash == hash && AnsiSameText(keyAt(slot.Position), key)) {
                slot.Position = position;
                return;
            }
        }
    }

    /// The position of the key, or -1.
    template <class KeyAt>
    [[nodiscard]] int Find(std::string_view key, const KeyAt& keyAt) const noexcept
    {
        if (FSlots.empty())
            return -1;
        const std::uint32_t hash = Hash(key);
        for (std::size_t i = hash >> FShift;; i = (i + 1) & (FSlots.size() - 1)) {
            const TSlot& slot = FSlots[i];
            if (slot.Position < 0)
                return -1;
            if (slot.Hash == hash && AnsiSameText(keyAt(slot.Position), key))
                return slot.Position;
        }
    }

private:
    struct TSlot {
        std::uint32_t Hash = 0;
        int Position = -1; ///< -1: empty
    };

    void Resize(std::size_t size);
    void Grow() { Resize(FSlots.empty() ? 16 : FSlots.size() * 2); }

    std::vector<TSlot> FSlots;
    std::size_t FUsed = 0;
    unsigned FShift = 32; ///< a hash shifted right by it is its home slot
};

/// (key, item) pairs in insertion order with a hashed index of the keys. Keys compare without
/// regard to letter case; duplicates are allowed and a lookup finds the one at the highest
/// position. Appending keeps the index current; any other change makes the index be rebuilt at
/// the next lookup.
template <class Item> class TFastStringList {
public:
    TFastStringList() = default;
    TFastStringList(const TFastStringList&) = delete;
    TFastStringList& operator=(const TFastStringList&) = delete;
    TFastStringList(TFastStringList&&) noexcept = default;
    TFastStringList& operator=(TFastStringList&&) noexcept = default;

    [[nodiscard]] int Count() const noexcept { return static_cast<int>(FEntries.size()); }
    [[nodiscard]] bool Empty() const noexcept { return FEntries.empty(); }

    [[nodiscard]] const std::string& Keys(int index) const { return FEntries.at(Pos(index)).first; }
    [[nodiscard]] Item& Items(int index) { return FEntries.at(Pos(index)).second; }
    [[nodiscard]] const Item& Items(int index) const { return FEntries.at(Pos(index)).second; }

    int Add(std::string key, Item item)
    {
        FEntries.emplace_back(std::move(key), std::move(item));
        const int index = Count() - 1;
        if (!FDirty)
            FIndex.Assign(FEntries.back().first, index, KeyAt());
        return index;
    }

    void Insert(int index, std::string key, Item item)
    {
        FEntries.emplace(FEntries.begin() + index, std::move(key), std::move(item));
        FDirty = true;
    }

    void SetKey(int index, std::string key)
    {
        FEntries.at(Pos(index)).first = std::move(key);
        FDirty = true;
    }

    void Delete(int index)
    {
        FEntries.erase(FEntries.begin() + Pos(index));
        FDirty = true;
    }

    void Exchange(int index1, int index2)
    {
        std::swap(FEntries.at(Pos(index1)), FEntries.at(Pos(index2)));
        FDirty = true;
    }

    void Clear() noexcept
    {
        FEntries.clear();
        FIndex.Clear();
        FDirty = false;
    }

    /// Position of the key (the highest one among equal keys), or -1.
    [[nodiscard]] int IndexOf(std::string_view key) const
    {
        if (FDirty)
            Rebuild();
        return FIndex.Find(key, KeyAt());
    }

    /// Moves the items out, leaving an empty list.
    std::vector<std::pair<std::string, Item>> Release() noexcept
    {
        FIndex.Clear();
        FDirty = false;
        return std::exchange(FEntries, {});
    }

private:
    static std::size_t Pos(int index) { return static_cast<std::size_t>(index); }
    [[nodiscard]] auto KeyAt() const noexcept
    {
        return [this](int index) -> std::string_view { return FEntries[Pos(index)].first; };
    }

    void Rebuild() const
    {
        FIndex.Clear();
        FIndex.Reserve(FEntries.size());
        for (std::size_t i = 0; i < FEntries.size(); ++i)
            FIndex.Assign(FEntries[i].first, static_cast<int>(i), KeyAt());
        FDirty = false;
    }

    std::vector<std::pair<std::string, Item>> FEntries;
    mutable TKeyIndex FIndex;
    mutable bool FDirty = false;
};

/// A list that owns its items and releases them on delete, clear and destruction.
template <class T, class Release = std::default_delete<T>>
using TExtStringList = TFastStringList<std::unique_ptr<T, Release>>;

/// A list that owns objects.
template <class T> using TObjectStringList = TFastStringList<std::unique_ptr<T>>;

/// A list keeping a block of DataSize bytes per key.
class TDataStringList {
public:
    explicit TDataStringList(std::size_t dataSize) : FDataSize(dataSize) {}

    [[nodiscard]] std::size_t DataSize() const noexcept { return FDataSize; }
    [[nodiscard]] int Count() const noexcept { return FList.Count(); }
    [[nodiscard]] const std::string& Keys(int index) const { return FList.Keys(index); }
    [[nodiscard]] int IndexOf(std::string_view key) const { return FList.IndexOf(key); }

    /// Appends a key with a zeroed block and returns the block.
    unsigned char* Add(std::string key)
    {
        return FList.Items(FList.Add(std::move(key), NewBlock())).get();
    }
    /// Inserts a key with a zeroed block at a position and returns the block.
    unsigned char* Insert(int index, std::string key)
    {
        FList.Insert(index, std::move(key), NewBlock());
        return FList.Items(index).get();
    }
    void Delete(int index) { FList.Delete(index); }
    void Exchange(int index1, int index2) { FList.Exchange(index1, index2); }
    void Clear() noexcept { FList.Clear(); }

    [[nodiscard]] unsigned char* Data(int index) { return FList.Items(index).get(); }
    [[nodiscard]] const unsigned char* Data(int index) const { return FList.Items(index).get(); }

private:
    [[nodiscard]] std::unique_ptr<unsigned char[]> NewBlock() const
    {
        return std::make_unique<unsigned char[]>(FDataSize);
    }

    std::size_t FDataSize;
    TFastStringList<std::unique_ptr<unsigned char[]>> FList;
};

} // namespace calc
