#include <climits>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "PairsOf.h"
#include "corlane/Event.h"

using CRL::Event;
using CRL::KV;

namespace {

TEST(EventUpsert, KeysIgnoreCaseAndTheFirstMatchIsReplaced)
{
    Event event;
    EXPECT_EQ(event.appendKV("n", 5), 1);
    EXPECT_STREQ(event.getString("n"), "5");
    EXPECT_EQ(event.setKV("N", "6"), 1);
    EXPECT_EQ(event.getInt("n"), 6);
    EXPECT_EQ(event.getLength(), 1);

    event.addKV(std::make_unique<KV>("Dup", "first"));
    event.addKV(std::make_unique<KV>("dup", "second"));
    event.setKV("DUP", "changed");
    EXPECT_EQ(pairsOf(event), (Pairs{{"n", "6"}, {"Dup", "changed"}, {"dup", "second"}}));

    EXPECT_EQ(event.setKV("new", "x"), 1) << "setKV of an absent key appends";
    EXPECT_STREQ(event.getKeyString(3), "new");
}

TEST(EventUpsert, NumbersArePrintedInDecimal)
{
    Event event;
    event.appendKV("i", -42);
    event.appendKV("u", 4000000000UL);
    event.setKV("l", -9000000000L);
    event.setKV("s", 7);
    event.setKV("ul", 12UL);
    EXPECT_EQ(pairsOf(event),
              (Pairs{{"i", "-42"}, {"u", "4000000000"}, {"l", "-9000000000"}, {"s", "7"}, {"ul", "12"}}));
}

TEST(EventUpsert, NullKeyIsRefusedAndNullValueIsEmpty)
{
    Event event;
    EXPECT_EQ(event.appendKV(nullptr, "v"), 0);
    EXPECT_EQ(event.setKV(nullptr, 1), 0);
    EXPECT_EQ(event.appendKV("k", static_cast<const char*>(nullptr)), 1);
    EXPECT_EQ(pairsOf(event), (Pairs{{"k", ""}}));
}

TEST(EventUpsert, TwoThreadsUpsertingOneKeyLeaveOnePair)
{
    for (int round = 0; round < 500; ++round) {
        Event event;
        std::latch start(2);
        auto upsert = [&](const char* val, bool viaSet) {
            start.arrive_and_wait();
            for (int i = 0; i < 20; ++i)
                viaSet ? event.setKV("shared", val) : event.appendKV("SHARED", val);
        };
        std::thread a(upsert, "a", false);
        std::thread b(upsert, "b", true);
        a.join();
        b.join();
        ASSERT_EQ(event.getLength(), 1) << "round " << round;
    }
}

TEST(EventGetters, NumbersFromTheWireNeverOverflow)
{
    struct Case {
        const char* text;
        int asInt;
        long asLong;
    };
    const std::vector<Case> cases = {
        {"7", 7, 7},
        {"  -12abc", -12, -12},
        {"+3", 3, 3},
        {"abc", 0, 0},
        {"", 0, 0},
        {"3000000000", INT_MAX, 3000000000L},
        {"-3000000000", INT_MIN, -3000000000L},
        {"99999999999999999999999", INT_MAX, LONG_MAX},
        {"-99999999999999999999999", INT_MIN, LONG_MIN},
    };
    for (const Case& c : cases) {
        Event event;
        event.appendKV("n", c.text);
        EXPECT_EQ(event.getInt("n"), c.asInt) << c.text;
        EXPECT_EQ(event.getLong("n"), c.asLong) << c.text;
    }
    Event empty;
    EXPECT_EQ(empty.getInt("n"), 0);
    EXPECT_EQ(empty.getLong("n"), 0);
}

TEST(EventGetters, MissingKeyGivesTheEventsOwnEmptyText)
{
    Event event;
    char* missing = event.getString("nothing");
    ASSERT_NE(missing, nullptr);
    EXPECT_STREQ(missing, "");
    event.appendKV("a", "1");
    EXPECT_EQ(event.getString("other"), missing);
    EXPECT_EQ(event.findKV("A"), 1);
    EXPECT_EQ(event.findKV("other"), 0);
    EXPECT_EQ(event.findKV(nullptr), 0);
}

TEST(EventGetters, IndexRules)
{
    Event empty;
    EXPECT_EQ(empty.getKeyString(0), nullptr);
    EXPECT_EQ(empty.getValString(-1), nullptr);

    auto event = eventOf({{"a", "1"}, {"b", "2"}});
    EXPECT_STREQ(event->getKeyString(1), "b");
    EXPECT_STREQ(event->getValString(1), "2");
    EXPECT_STREQ(event->getKeyString(5), "");
    EXPECT_STREQ(event->getValString(2), "");
    EXPECT_STREQ(event->getKeyString(-3), "a");
    EXPECT_STREQ(event->getValString(-1), "1");
}

TEST(EventGetters, PointersStayValidWhileTheListGrowsAndOthersChange)
{
    Event event;
    event.appendKV("short", "v");
    event.appendKV("long", std::string(100, 'L').c_str());
    const char* shortVal = event.getString("short");
    const char* longVal = event.getString("long");
    const char* key = event.getKeyString(0);
    for (int i = 0; i < 2000; ++i)
        event.appendKV(("k" + std::to_string(i)).c_str(), "x");
    event.setKV("k5", "changed");
    event.removeKV("k6");
    EXPECT_STREQ(shortVal, "v");
    EXPECT_EQ(std::string(longVal), std::string(100, 'L'));
    EXPECT_STREQ(key, "short");
}

TEST(EventList, RemoveClearAndCursor)
{
    auto event = eventOf({{"a", "1"}, {"b", "2"}, {"A", "3"}});
    EXPECT_EQ(event->removeKV("a"), 1);
    EXPECT_EQ(pairsOf(*event), (Pairs{{"b", "2"}, {"A", "3"}}));
    EXPECT_EQ(event->removeKV("zz"), 0);

    ASSERT_NE(event->first(), nullptr);
    EXPECT_STREQ(event->next()->getKey(), "A");
    EXPECT_EQ(event->next(), nullptr);
    EXPECT_EQ(event->next(), nullptr) << "stays at the end";

    event->clearAllItems();
    EXPECT_EQ(event->getLength(), 0);
    EXPECT_EQ(event->first(), nullptr);
    EXPECT_EQ(event->next(), nullptr);
}

TEST(EventList, RemovingThePairUnderTheCursorEndsTheWalk)
{
    auto event = eventOf({{"a", "1"}, {"b", "2"}, {"c", "3"}});
    event->first();
    event->next(); // on b
    event->removeKV("a");
    EXPECT_STREQ(event->next()->getKey(), "c") << "cursor stayed on b";
    event->first();
    event->removeKV("b");
    EXPECT_EQ(event->next(), nullptr);
}

TEST(EventCopy, AppendsCopiesAndLeavesTheSourceAlone)
{
    auto src = eventOf({{"a", "1"}, {"b", "2"}});
    auto dst = eventOf({{"x", "0"}});
    EXPECT_EQ(dst->copy(src.get()), 1);
    EXPECT_EQ(pairsOf(*src), (Pairs{{"a", "1"}, {"b", "2"}}));
    src.reset();
    EXPECT_EQ(pairsOf(*dst), (Pairs{{"x", "0"}, {"a", "1"}, {"b", "2"}}));
    EXPECT_EQ(dst->copy(nullptr), 0);
}

TEST(EventCopy, IntoItselfDoublesTheListOnce)
{
    auto event = eventOf({{"a", "1"}, {"b", "2"}});
    EXPECT_EQ(event->copy(event.get()), 1);
    EXPECT_EQ(pairsOf(*event), (Pairs{{"a", "1"}, {"b", "2"}, {"a", "1"}, {"b", "2"}}));
}

TEST(EventCopy, TwoEventsCopyingIntoEachOtherDoNotDeadlock)
{
    auto first = eventOf({{"a", "1"}});
    auto second = eventOf({{"b", "2"}});
    auto copyMany = [](Event* into, Event* from) {
        for (int i = 0; i < 2000; ++i) {
            into->copy(from);
            into->clearAllItems();
            into->appendKV("k", "v");
        }
    };
    std::thread one(copyMany, first.get(), second.get());
    std::thread two(copyMany, second.get(), first.get());
    one.join();
    two.join();
    EXPECT_EQ(pairsOf(*first), (Pairs{{"k", "v"}}));
    EXPECT_EQ(pairsOf(*second), (Pairs{{"k", "v"}}));
}

TEST(EventRecord, NameAndLifetime)
{
    Event event;
    EXPECT_EQ(event.is("EVENT"), 1);
    EXPECT_EQ(event.is("events"), 0);
    EXPECT_EQ(event.is(nullptr), 0);
    EXPECT_STREQ(event.name(), "event");
    EXPECT_EQ(event.getInvokeId(), 0);
    EXPECT_EQ(event.getCtxInfo(), nullptr);
    EXPECT_EQ(event.getAddrContainer(), nullptr);

    Event::release(nullptr);
    auto owned = CRL::makeEvent();
    owned->addKV(std::make_unique<KV>("a", "1").release()); // raw pair: the event owns it
    owned.release()->release();                             // leak checker confirms both are freed
}

} // namespace
