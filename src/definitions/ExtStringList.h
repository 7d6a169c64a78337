#pragma once

#include "engine/ExprParserTypes.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
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
            FIndex.insert_or_assign(FEntries.back().first, index);
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
        FIndex.clear();
        FDirty = false;
    }

    /// Position of the key (the highest one among equal keys), or -1.
    [[nodiscard]] int IndexOf(std::string_view key) const
    {
        if (FDirty)
            Rebuild();
        const auto it = FIndex.find(key);
        return it == FIndex.end() ? -1 : it->second;
    }

    /// Moves the items out, leaving an empty list.
    std::vector<std::pair<std::string, Item>> Release() noexcept
    {
        FIndex.clear();
        FDirty = false;
        return std::exchange(FEntries, {});
    }

private:
    static std::size_t Pos(int index) { return static_cast<std::size_t>(index); }

    void Rebuild() const
    {
        FIndex.clear();
        FIndex.reserve(FEntries.size());
        for (std::size_t i = 0; i < FEntries.size(); ++i)
            FIndex.insert_or_assign(FEntries[i].first, static_cast<int>(i));
        FDirty = false;
    }

    std::vector<std::pair<std::string, Item>> FEntries;
    mutable std::unordered_map<std::string, int, TCaseInsensitiveHash, TCaseInsensitiveEqual>
        FIndex;
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
