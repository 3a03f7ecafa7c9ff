#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PairsOf.h"
#include "corlane/Event.h"

using CRL::Event;

namespace {

struct ParseCase {
    const char* text;
    char sep;
    Pairs pairs;
};

std::ostream& operator<<(std::ostream& out, const ParseCase& c) { return out << '"' << c.text << '"'; }

class EventParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(EventParse, GivesThePairsInOrder)
{
    const ParseCase& c = GetParam();
    Event event;
    EXPECT_EQ(event.splitEvent(c.text, c.sep), 1);
    EXPECT_EQ(pairsOf(event), c.pairs);
}

INSTANTIATE_TEST_SUITE_P(Texts, EventParse, ::testing::Values(
    ParseCase{"event=login|result=success|invokeid=7|", '|',
              {{"event", "login"}, {"result", "success"}, {"invokeid", "7"}}},
    ParseCase{"a=1|b=2", '|', {{"a", "1"}, {"b", "2"}}},         // complete last pair counts
    ParseCase{"a=1|b=", '|', {{"a", "1"}}},                      // last pair without value dropped
    ParseCase{"a=1|b", '|', {{"a", "1"}}},                       // last pair without "=" dropped
    ParseCase{"a=1|=2", '|', {{"a", "1"}}},                      // last pair without key dropped
    ParseCase{"k=x=y|", '|', {{"k", "x=y"}}},                    // first "=" divides
    ParseCase{"|", '|', {{"", ""}}},                             // every separator ends a pair
    ParseCase{"||", '|', {{"", ""}, {"", ""}}},
    ParseCase{"", '|', {}},
    ParseCase{"b=|", '|', {{"b", ""}}},                          // empty value before a separator
    ParseCase{"=v|", '|', {{"", "v"}}},
    ParseCase{"flag|", '|', {{"flag", ""}}},
    ParseCase{"a=1|a=2|", '|', {{"a", "1"}, {"a", "2"}}},        // duplicates stay separate
    ParseCase{"a=1;b=x|y;", ';', {{"a", "1"}, {"b", "x|y"}}},    // other separator
    ParseCase{"名字=张三|", '|', {{"名字", "张三"}}}));

TEST(EventParse, NullTextIsRefused)
{
    Event event;
    EXPECT_EQ(event.splitEvent(nullptr), 0);
    EXPECT_EQ(event.getLength(), 0);
}

TEST(EventParse, AppendsAfterPresentPairsAndGettersSeeTheFirstDuplicate)
{
    Event event;
    event.appendKV("x", "0");
    ASSERT_EQ(event.splitEvent("event=login|result=success|invokeid=7|a=1|a=2|"), 1);
    EXPECT_EQ(event.getLength(), 6);
    EXPECT_STREQ(event.getKeyString(0), "x");
    EXPECT_EQ(event.getLong("INVOKEID"), 7);
    EXPECT_STREQ(event.getString("a"), "1");

    event.appendKV("a", "3");
    EXPECT_EQ(pairsOf(event), (Pairs{{"x", "0"}, {"event", "login"}, {"result", "success"},
                                    {"invokeid", "7"}, {"a", "3"}, {"a", "2"}}));
}

TEST(EventWrite, GivesExactBytes)
{
    struct Case {
        Pairs pairs;
        char sep;
        const char* text;
    };
    const std::vector<Case> cases = {
        {{}, '|', ""},
        {{{"x", ""}, {"y", "1"}}, '|', "x=|y=1|"},
        {{{"event", "heartbeat"}, {"eventclass", "system"}}, '|', "event=heartbeat|eventclass=system|"},
        {{{"url", "a=b&c=d"}}, '|', "url=a=b&c=d|"},
        {{{"", ""}}, '|', "=|"},
        {{{"a", "x|y"}, {"b", "2"}}, ';', "a=x|y;b=2;"},
    };
    for (const Case& c : cases) {
        auto event = eventOf(c.pairs);
        EXPECT_EQ(event->builderEvent(c.sep), std::optional<std::string>(c.text));
        char out[64];
        std::memset(out, 'Z', sizeof out);
        EXPECT_EQ(event->builderEvent(out, sizeof out, c.sep), 1);
        EXPECT_STREQ(out, c.text);
    }
}

TEST(EventWrite, RefusesPairsItCannotWriteFaithfully)
{
    struct Case {
        const char* key;
        const char* val;
        char sep;
    };
    const std::vector<Case> cases = {
        {"a=b", "1", '|'}, // key with "="
        {"a|b", "1", '|'}, // key with the separator
        {"a", "1|2", '|'}, // value with the separator
        {"a;b", "1", ';'},
        {"a", "1;2", ';'},
        {"a", "1", '='},  // "=" cannot separate pairs
        {"a", "1", '\0'}, // nor can the terminator
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " / " + c.val + " / " + std::string(1, c.sep));
        auto event = eventOf({{"ok", "1"}, {c.key, c.val}});
        EXPECT_FALSE(event->builderEvent(c.sep).has_value());
        char out[64] = "untouched";
        EXPECT_EQ(event->builderEvent(out, sizeof out, c.sep), 0);
        EXPECT_STREQ(out, "") << "no partial text is left behind";
    }
}

TEST(EventWrite, BufferFormRespectsItsCapacity)
{
    auto event = eventOf({{"event", "heartbeat"}}); // 16 characters with the separator
    char out[32];
    EXPECT_EQ(event->builderEvent(out, 17), 1);
    EXPECT_STREQ(out, "event=heartbeat|");

    std::memset(out, 'Z', sizeof out);
    EXPECT_EQ(event->builderEvent(out, 16), 0) << "no room for the terminator";
    EXPECT_STREQ(out, "");
    EXPECT_EQ(out[1], 'Z') << "nothing written past the first byte";

    EXPECT_EQ(event->builderEvent(out, 0), 0);
    EXPECT_EQ(event->builderEvent(nullptr, 100), 0);
}

TEST(EventWrite, RoundTripKeepsEveryPair)
{
    const Pairs pairs = {{"command", "login"}, {"user", "张三"}, {"", "only value"}, {"only key", ""},
                         {"", ""}, {"expr", "a=b=c"}, {"dup", "1"}, {"DUP", "2"}, {" spaced ", " v "}};
    auto original = eventOf(pairs);
    auto text = original->builderEvent();
    ASSERT_TRUE(text.has_value());
    Event parsed;
    ASSERT_EQ(parsed.splitEvent(text->c_str()), 1);
    EXPECT_EQ(pairsOf(parsed), pairs);
}

TEST(EventLongText, FiveThousandCharacterKeyAndValue)
{
    const std::string key(5000, 'k');
    const std::string val(5000, 'v');
    auto event = eventOf({{"a", "1"}, {key, val}, {"b", "2"}});

    auto text = event->builderEvent();
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->size(), 5000u + 5000u + 2 + 8);
    Event parsed;
    ASSERT_EQ(parsed.splitEvent(text->c_str()), 1);
    EXPECT_EQ(pairsOf(parsed), (Pairs{{"a", "1"}, {key, val}, {"b", "2"}}));

    std::vector<char> small(100);
    EXPECT_EQ(event->builderEvent(small.data(), small.size()), 0);
}

TEST(EventLongText, OneMegabyteText)
{
    // One value of a megabyte, then many small pairs totalling another.
    std::string text = "big=" + std::string(1 << 20, 'x') + "|";
    Pairs expected = {{"big", std::string(1 << 20, 'x')}};
    for (int i = 0; text.size() < (2u << 20); ++i) {
        std::string key = "key" + std::to_string(i);
        std::string val = "value-" + std::to_string(i) + "-" + std::string(40, 'y');
        text += key + "=" + val + "|";
        expected.emplace_back(key, val);
    }

    Event parsed;
    ASSERT_EQ(parsed.splitEvent(text.c_str()), 1);
    ASSERT_EQ(parsed.getLength(), static_cast<int>(expected.size()));
    EXPECT_EQ(pairsOf(parsed), expected);
    EXPECT_EQ(parsed.builderEvent(), std::optional<std::string>(text));
}

TEST(EventSplitKV, DividesAtTheFirstAssign)
{
    struct Case {
        const char* text;
        const char* key;
        const char* val;
    };
    const std::vector<Case> cases = {
        {"a=1", "a", "1"}, {"k=x=y", "k", "x=y"}, {"alone", "alone", ""},
        {"end=", "end", ""}, {"=v", "", "v"},     {"", "", ""},
    };
    for (const Case& c : cases) {
        std::string key = "old", val = "old";
        Event::splitKV(c.text, key, val);
        EXPECT_EQ(key, c.key) << c.text;
        EXPECT_EQ(val, c.val) << c.text;
    }
    std::string key = "old", val = "old";
    Event::splitKV(nullptr, key, val);
    EXPECT_EQ(key + val, "");
}

} // namespace
