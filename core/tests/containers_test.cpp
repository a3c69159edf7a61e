#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "core/listener_list.h"
#include "core/locked_list.h"
#include "core/sorted_item_list.h"
#include "core/sorted_string_array.h"

namespace {

void* V(uintptr_t n) {
    return reinterpret_cast<void*>(n);
}

TEST(CLockedList, HeadTailIndexAndWalks) {
    CLockedList list;
    EXPECT_EQ(list.GetHead(false), nullptr);
    EXPECT_EQ(list.GetTail(true), nullptr);
    list.AddTail(V(2));
    list.AddTail(V(3));
    list.AddHead(V(1));
    EXPECT_EQ(list.GetCount(), 3u);
    EXPECT_EQ(list.GetAt(0), V(1));
    EXPECT_EQ(list.GetAt(2), V(3));
    EXPECT_EQ(list.GetAt(3), nullptr);

    CLockedList::Position pos = nullptr;
    EXPECT_EQ(list.GetNext(V(3), pos, true), V(1));  // wraps to the head
    pos = nullptr;
    EXPECT_EQ(list.GetNext(V(3), pos, false), nullptr);
    pos = nullptr;
    EXPECT_EQ(list.GetNext(V(1), pos, false), V(2));
    EXPECT_EQ(list.GetNext(nullptr, pos, false), V(3));  // by the kept position
    pos = nullptr;
    EXPECT_EQ(list.GetPrev(V(1), pos), V(3));  // from the head to the tail

    EXPECT_TRUE(list.Remove(V(2)));
    EXPECT_FALSE(list.Remove(V(2)));
    EXPECT_EQ(list.GetTail(true), V(3));
    EXPECT_EQ(list.GetHead(true), V(1));
    EXPECT_EQ(list.GetCount(), 0u);
}

// Producers add at the head while consumers take from the tail.
TEST(CLockedList, IsAQueueBetweenThreads) {
    CLockedList list;
    constexpr uintptr_t kPerProducer = 2000;
    std::atomic<uintptr_t> taken{0};
    std::atomic<uintptr_t> sum{0};
    std::vector<std::thread> threads;
    for (int p = 0; p < 2; ++p) {
        threads.emplace_back([&] {
            for (uintptr_t i = 1; i <= kPerProducer; ++i) list.AddHead(V(i));
        });
        threads.emplace_back([&] {
            while (taken < 2 * kPerProducer) {
                if (void* v = list.GetTail(true)) {
                    sum += reinterpret_cast<uintptr_t>(v);
                    ++taken;
                }
                (void)list.GetCount();
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(sum.load(), 2 * kPerProducer * (kPerProducer + 1) / 2);
    EXPECT_EQ(list.GetCount(), 0u);
}

TEST(CSortedStringArray, StaysAscendingAcrossGrowth) {
    CSortedStringArray array(10);
    const char16_t* words[] = {u"kilo",  u"alpha", u"echo",  u"Zulu",    u"bravo",   u"delta",
                               u"india", u"golf",  u"hotel", u"charlie", u"foxtrot", u"juliet"};
    for (auto w : words) EXPECT_TRUE(array.Add(w));
    EXPECT_EQ(array.GetCount(), 12u);
    EXPECT_EQ(array.GetCapacity(), 20u);
    EXPECT_EQ(*array.GetAt(0), u"Zulu");  // 'Z' (90) sorts before 'a' (97)
    for (uint32_t i = 2; i < array.GetCount(); ++i) {
        EXPECT_LT(*array.GetAt(i - 1), *array.GetAt(i));
    }
    EXPECT_EQ(array.GetAt(12), nullptr);
    EXPECT_TRUE(array.RemoveAt(0));
    EXPECT_EQ(*array.GetAt(0), u"alpha");
    EXPECT_FALSE(array.RemoveAt(50));
    array.RemoveAll();
    EXPECT_EQ(array.GetCount(), 0u);
}

// A text handed out by GetAt stays where it is while texts are added before
// it and the array grows past its capacity.
TEST(CSortedStringArray, TextsKeepTheirAddressWhileInTheArray) {
    CSortedStringArray array(2);
    ASSERT_TRUE(array.Add(u"zz-kept"));
    const core::Text* kept = array.GetAt(0);
    for (char16_t c = u'a'; c <= u'y'; ++c) ASSERT_TRUE(array.Add(std::u16string(1, c)));
    ASSERT_EQ(array.GetCount(), 26u);
    EXPECT_EQ(array.GetAt(25), kept);
    EXPECT_EQ(*kept, u"zz-kept");
}

struct Item : CChainLink {
    explicit Item(int* deleted) : deleted(deleted) {}
    ~Item() override { ++*deleted; }
    int* deleted;
};

TEST(CListenerList, RemoveHeadAddAndDeleteAll) {
    int deleted = 0;
    CListenerList list;
    auto* a = new Item(&deleted);
    auto* b = new Item(&deleted);
    auto* c = new Item(&deleted);
    list.Add(a);
    list.Add(b);
    list.Add(c);
    EXPECT_EQ(list.GetCount(), 3u);
    EXPECT_TRUE(list.Remove(a));
    EXPECT_EQ(list.GetHead(), b);
    EXPECT_EQ(a->GetNext(), nullptr);
    EXPECT_FALSE(list.Remove(a));
    delete a;  // deleting a removed item touches nothing else
    EXPECT_EQ(deleted, 1);
    list.DeleteAll();
    EXPECT_EQ(deleted, 3);
    EXPECT_EQ(list.GetHead(), nullptr);
}

struct SetupItem : CSortedItem {
    SetupItem(uint32_t mode, const char16_t* name, const char16_t* op, const char16_t* loc,
              uint32_t date, bool a = false, bool marked = false)
        : mode(mode), name(name), op(op), loc(loc), date(date), a(a), marked(marked) {}
    uint32_t GetModeId() const override { return mode; }
    core::Text GetName() const override { return name; }
    core::Text GetOperatorText() const override { return op; }
    core::Text GetLocationText() const override { return loc; }
    uint32_t GetDate() const override { return date; }
    bool IsFlagA() const override { return a; }
    bool IsMarked() const override { return marked; }
    uint32_t mode;
    core::Text name, op, loc;
    uint32_t date;
    bool a, marked;
};

std::u16string Names(const CSortedItemList& list) {
    std::u16string out;
    for (CSortedItem* i = list.GetHead(); i; i = i->NextItem()) out += i->GetName() + u" ";
    return out;
}

// The fixture, always added in this order.
void AddFixture(CSortedItemList& list) {
    list.Add(new SetupItem(1, u"na1", u"bob", u"roof", 300, true));
    list.Add(new SetupItem(2, u"sa1", u"amy", u"", 100));
    list.Add(new SetupItem(3, u"pm1", u"", u"mast", 200, true, true));
    list.Add(new SetupItem(2, u"sa2", u"cid", u"base", 400));
    list.Add(new SetupItem(1, u"na2", u"amy", u"attic", 50));
}

TEST(CSortedItemList, SortsTheFixtureInEveryMode) {
    struct Case {
        uint32_t mode;
        const char16_t* order;
    } cases[] = {
        {1, u"sa1 sa2 na1 na2 pm1 "},  {2, u"na1 na2 sa1 sa2 pm1 "},  {3, u"pm1 sa1 sa2 na1 na2 "},
        {4, u"pm1 sa1 na2 na1 sa2 "},  {5, u"sa2 na1 na2 sa1 pm1 "},  {6, u"na1 na2 pm1 sa1 sa2 "},
        {7, u"sa2 sa1 pm1 na2 na1 "},  {8, u"sa1 na2 sa2 pm1 na1 "},  {9, u"na1 pm1 sa2 na2 sa1 "},
        {10, u"na2 sa1 pm1 na1 sa2 "}, {11, u"sa2 na1 pm1 sa1 na2 "},
    };
    for (const auto& c : cases) {
        std::vector<uint32_t> stored;
        CSortedItemList list(0, [&](uint32_t m) { stored.push_back(m); });
        AddFixture(list);
        EXPECT_FALSE(list.IsSorted());
        list.SetSortMode(c.mode);
        EXPECT_EQ(Names(list), c.order) << "mode " << c.mode;
        EXPECT_EQ(stored, std::vector<uint32_t>{c.mode});
        EXPECT_TRUE(list.IsSorted());
        // The same mode again, or mode 0, neither sorts nor stores.
        list.SetSortMode(c.mode);
        list.SetSortMode(0);
        EXPECT_EQ(stored.size(), 1u);
    }
}

TEST(CSortedItemList, FlagsMarksFindAndRemove) {
    CSortedItemList list;
    AddFixture(list);
    EXPECT_EQ(list.CountFlagA(), 2u);
    EXPECT_EQ(list.CountFlagB(), 0u);
    EXPECT_EQ(list.NthFlagA(1)->GetName(), u"pm1");
    EXPECT_EQ(list.NthFlagA(2), nullptr);
    EXPECT_EQ(list.FirstMarked()->GetName(), u"pm1");
    CSortedItem* found = list.FindByName(u"sa1");
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(list.Remove(found));
    EXPECT_EQ(found->GetNext(), nullptr);
    delete found;
    EXPECT_EQ(list.FindByName(u"sa1"), nullptr);
    EXPECT_EQ(Names(list), u"na1 pm1 sa2 na2 ");
}

TEST(CSortedItemList, ShortListsAndEmptyKeysKeepTheirOrder) {
    CSortedItemList list;
    list.Add(new SetupItem(2, u"only", u"", u"", 0));
    EXPECT_EQ(list.SetSortMode(7)->GetName(), u"only");
    CSortedItemList blanks;
    blanks.Add(new SetupItem(2, u"x", u"", u"", 0));
    blanks.Add(new SetupItem(2, u"y", u"", u"", 0));
    blanks.SetSortMode(4);  // every operator text is empty
    EXPECT_EQ(Names(blanks), u"x y ");
}

}  // namespace
