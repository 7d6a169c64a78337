#include "definitions/ExtStringList.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace calc {
namespace {

TEST(FastStringList, LookupIgnoresLetterCaseAndFindsHighestDuplicate)
{
    TFastStringList<int> list;
    list.Add("Pi", 1);
    list.Add("e", 2);
    list.Add("PI", 3);
    EXPECT_EQ(list.IndexOf("pi"), 2);
    EXPECT_EQ(list.IndexOf("E"), 1);
    EXPECT_EQ(list.IndexOf("x"), -1);
    EXPECT_EQ(list.Items(list.IndexOf("pI")), 3);
    EXPECT_EQ(list.Keys(0), "Pi"); // keys keep the letters as given
}

TEST(FastStringList, LatinOneLettersFoldToo)
{
    TFastStringList<int> list;
    list.Add("\xE9t\xE9", 1); // été
    EXPECT_EQ(list.IndexOf("\xC9T\xC9"), 0);
}

TEST(FastStringList, EveryKindOfChangeKeepsLookupsRight)
{
    TFastStringList<int> list;
    for (int i = 0; i < 5; ++i)
        list.Add("k" + std::to_string(i), i);
    list.Add("k1", 10); // duplicate at 5
    EXPECT_EQ(list.IndexOf("k1"), 5);

    list.Delete(5);
    EXPECT_EQ(list.IndexOf("k1"), 1);
    list.Exchange(0, 4);
    EXPECT_EQ(list.IndexOf("k0"), 4);
    EXPECT_EQ(list.IndexOf("k4"), 0);
    list.Insert(0, "k3", 99);
    EXPECT_EQ(list.IndexOf("k3"), 4) << "the original k3 moved up and is the highest";
    list.SetKey(4, "other");
    EXPECT_EQ(list.IndexOf("k3"), 0);
    EXPECT_EQ(list.IndexOf("OTHER"), 4);
    list.Add("k3", 7); // appending after changes
    EXPECT_EQ(list.IndexOf("k3"), list.Count() - 1);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.IndexOf("k3"), -1);
}

TEST(FastStringList, ThousandsOfKeysStayFoundAsTheIndexGrows)
{
    TFastStringList<int> list;
    constexpr int kCount = 5000;
    for (int i = 0; i < kCount; ++i)
        list.Add("Name" + std::to_string(i), i);
    for (int i = 0; i < kCount; i += 7)
        list.Add("NAME" + std::to_string(i), -i); // duplicates, now the highest
    for (int i = 0; i < kCount; ++i) {
        const int index = list.IndexOf("name" + std::to_string(i));
        ASSERT_GE(index, 0) << i;
        EXPECT_EQ(list.Items(index), i % 7 == 0 ? -i : i);
    }
    EXPECT_EQ(list.IndexOf("name" + std::to_string(kCount)), -1);
    list.Delete(0); // rebuilds at the next lookup
    EXPECT_EQ(list.IndexOf("name1"), 0);
    EXPECT_EQ(list.IndexOf("name0"), kCount - 1);
}

TEST(FastStringList, KeysThatDifferInMoreThanLetterCaseStayApart)
{
    // Pairs of characters one bit apart where only letters fold together.
    const struct {
        const char* stored;
        const char* asked;
        bool found;
    } rows[] = {
        {"a@", "A@", true},
        {"a@", "a`", false},
        {"x(", "x\x08", false},
        {"\xC9t\xE9", "\xE9T\xC9", true},
        {"\xD7", "\xF7", false},
        {"f[1]", "f{1}", false},
        {"abcdefghij", "ABCDEFGHIJ", true},
        {"abcdefghij", "abcdefghiK", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.asked);
        TFastStringList<int> list;
        list.Add(row.stored, 1);
        EXPECT_EQ(list.IndexOf(row.asked), row.found ? 0 : -1);
    }
}

TEST(ObjectStringList, OwnsAndReleasesItsItems)
{
    struct Tracked {
        explicit Tracked(int& alive) : Alive(alive) { ++Alive; }
        ~Tracked() { --Alive; }
        int& Alive;
    };
    int alive = 0;
    {
        TObjectStringList<Tracked> list;
        list.Add("a", std::make_unique<Tracked>(alive));
        list.Add("b", std::make_unique<Tracked>(alive));
        list.Add("c", std::make_unique<Tracked>(alive));
        EXPECT_EQ(alive, 3);
        list.Delete(0);
        EXPECT_EQ(alive, 2);
        list.Clear();
        EXPECT_EQ(alive, 0);
        list.Add("d", std::make_unique<Tracked>(alive));
    }
    EXPECT_EQ(alive, 0);
}

TEST(DataStringList, KeepsOneBlockPerKey)
{
    TDataStringList list(10);
    const long double values[] = {1.5L, -2.25L, 3.0L};
    const char* keys[] = {"a", "b", "A"};
    for (int i = 0; i < 3; ++i)
        std::memcpy(list.Add(keys[i]), &values[i], 10);
    long double found = 0;
    std::memcpy(&found, list.Data(list.IndexOf("a")), 10);
    EXPECT_EQ(found, 3.0L);
    list.Insert(0, "z");
    list.Exchange(0, 1);
    std::memcpy(&found, list.Data(list.IndexOf("a")), 10);
    EXPECT_EQ(found, 3.0L);
    std::memcpy(&found, list.Data(0), 10);
    EXPECT_EQ(found, 1.5L);
    list.Delete(3);
    std::memcpy(&found, list.Data(list.IndexOf("a")), 10);
    EXPECT_EQ(found, 1.5L);
    EXPECT_EQ(list.DataSize(), 10u);
}

} // namespace
} // namespace calc
