// The fax-list walk that the main window's session and the receive dialog
// share: which entries of a list reply are asked for, in which order, and
// what each "queryfax" reply asks of them. The two used to walk a list each
// in its own way; the cases marked "decided" fix the one behaviour both now
// have where they differed.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/session/FaxListWalk.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// An event with the pairs in order; a key given twice is kept twice (the
// event's reader takes the first), as a text from the wire would be.
std::unique_ptr<CRL::Event> EventOf(const Pairs& pairs)
{
    auto event = std::make_unique<CRL::Event>();
    for (const auto& [key, value] : pairs)
        event->addKV(std::make_unique<CRL::KV>(key.c_str(), value.c_str()));
    return event;
}

std::string Text(const FaxListWalk::Entry& entry)
{
    return entry.faxId + ":" + entry.type;
}

// Every entry the walk hands out, in turn.
std::vector<std::string> Walk(FaxListWalk& walk)
{
    std::vector<std::string> asked;
    while (const auto entry = walk.Next())
        asked.push_back(Text(*entry));
    return asked;
}

} // namespace

TEST(FaxListWalk, AsksForTheEntriesTheListReallyHoldsAtMostItsCount)
{
    struct Case {
        const char* name;
        Pairs list;
        std::vector<std::string> asked;
    };
    const std::vector<Case> cases = {
        {"as many entries as claimed",
         {{"count", "3"}, {"faxlist[0].faxid", "A"}, {"faxlist[0].type", "30"}, {"faxlist[1].faxid", "B"},
          {"faxlist[1].type", "20"}, {"faxlist[2].faxid", "C"}, {"faxlist[2].type", "60"}},
         {"A:30", "B:20", "C:60"}},
        // decided: the session asked for every entry claimed (an empty fax
        // id past the list's end); only a listed fax is asked for now.
        {"a count beyond the list", {{"count", "5"}, {"faxlist[0].faxid", "A"}, {"faxlist[1].faxid", "B"}},
         {"A:", "B:"}},
        {"a list beyond its count", {{"count", "1"}, {"faxlist[0].faxid", "A"}, {"faxlist[1].faxid", "B"}}, {"A:"}},
        {"count 0", {{"count", "0"}, {"faxlist[0].faxid", "A"}}, {}},
        {"a negative count", {{"count", "-4"}, {"faxlist[0].faxid", "A"}}, {}},
        {"no count", {{"faxlist[0].faxid", "A"}}, {}},
        {"a count that is no number", {{"count", "many"}, {"faxlist[0].faxid", "A"}}, {}},
        {"a gap ends the list", {{"count", "3"}, {"faxlist[0].faxid", "A"}, {"faxlist[2].faxid", "C"}}, {"A:"}},
        {"an empty fax id ends the list",
         {{"count", "3"}, {"faxlist[0].faxid", "A"}, {"faxlist[1].faxid", ""}, {"faxlist[2].faxid", "C"}}, {"A:"}},
        {"keys in any case, the first of a key",
         {{"COUNT", "2"}, {"FaxList[0].FaxId", "A"}, {"faxlist[0].faxid", "Z"}, {"FAXLIST[0].TYPE", "40"},
          {"faxlist[1].faxid", "B"}, {"faxlist[1].type", "50"}, {"faxlist[1].type", "20"}},
         {"A:40", "B:50"}},
        {"entries out of order", {{"count", "2"}, {"faxlist[1].faxid", "B"}, {"faxlist[0].faxid", "A"}},
         {"A:", "B:"}},
        {"an index with a leading zero is another key", {{"count", "2"}, {"faxlist[0].faxid", "A"},
                                                          {"faxlist[01].faxid", "B"}}, {"A:"}},
    };
    for (const Case& c : cases) {
        FaxListWalk walk;
        walk.Start(*EventOf(c.list));
        EXPECT_EQ(walk.Count(), static_cast<int>(c.asked.size())) << c.name;
        EXPECT_EQ(walk.AtEnd(), c.asked.empty()) << c.name;
        EXPECT_EQ(Walk(walk), c.asked) << c.name;
        EXPECT_TRUE(walk.AtEnd()) << c.name;
        EXPECT_EQ(walk.Index(), walk.Count()) << c.name;
    }
}

TEST(FaxListWalk, AListLongerThanTheBoundIsWorkedThroughOnlyUpToIt)
{
    Pairs list{{"count", "1000000000"}};
    for (int i = 0; i <= FaxListWalk::kMaxEntries; ++i)
        list.emplace_back("faxlist[" + std::to_string(i) + "].faxid", "F" + std::to_string(i));
    FaxListWalk walk;
    walk.Start(*EventOf(list));
    EXPECT_EQ(walk.Count(), FaxListWalk::kMaxEntries);
    const std::vector<std::string> asked = Walk(walk);
    ASSERT_EQ(asked.size(), static_cast<std::size_t>(FaxListWalk::kMaxEntries));
    EXPECT_EQ(asked.front(), "F0:");
    EXPECT_EQ(asked.back(), "F9999:");
}

TEST(FaxListWalk, HandsOutOneEntryAtATimeAndANewListStartsOver)
{
    FaxListWalk walk;
    // Before a list: nothing to ask for, and the cursor says so.
    EXPECT_FALSE(walk.Started());
    EXPECT_TRUE(walk.AtEnd());
    EXPECT_EQ(walk.Index(), -1);
    EXPECT_EQ(walk.Count(), -1);
    EXPECT_FALSE(walk.Next());

    walk.Start(*EventOf({{"count", "2"}, {"faxlist[0].faxid", "A"}, {"faxlist[0].type", "30"},
                         {"faxlist[1].faxid", "B"}, {"faxlist[1].type", "20"}}));
    EXPECT_TRUE(walk.Started());
    EXPECT_EQ(walk.Index(), 0);
    EXPECT_EQ(Text(walk.Next().value()), "A:30");
    EXPECT_EQ(walk.Index(), 1);
    EXPECT_FALSE(walk.AtEnd());

    // The next list replaces the rest of this one.
    walk.Start(*EventOf({{"count", "1"}, {"faxlist[0].faxid", "C"}, {"faxlist[0].type", "40"}}));
    EXPECT_EQ(Walk(walk), std::vector<std::string>{"C:40"});
    EXPECT_FALSE(walk.Next());
    EXPECT_EQ(walk.Index(), 1);

    // An empty list: started, and at its end at once.
    walk.Start(*EventOf({{"count", "0"}}));
    EXPECT_TRUE(walk.Started());
    EXPECT_TRUE(walk.AtEnd());
    EXPECT_EQ(walk.Count(), 0);
}

TEST(FaxListWalk, WhatAQueryFaxReplyAsksFor)
{
    using Reply = FaxListWalk::Reply;
    struct Case {
        const char* name;
        Pairs reply;
        Reply expected;
        bool listEnds;
    };
    const std::vector<Case> cases = {
        {"a receipt or report", {{"result", "success"}, {"faxid", "A"}, {"faxtype", "20"}}, Reply::StoreNow, false},
        {"a fax", {{"result", "success"}, {"faxid", "A"}, {"faxtype", "30"}}, Reply::Fetch, false},
        {"a voice message", {{"result", "success"}, {"faxid", "A"}, {"faxtype", "40"}}, Reply::Fetch, false},
        {"a file", {{"result", "success"}, {"faxid", "A"}, {"faxtype", "50"}}, Reply::Fetch, false},
        {"the result in any case", {{"result", "SUCCESS"}, {"faxid", "A"}, {"faxtype", "30"}}, Reply::Fetch, false},
        {"a type without its fax id", {{"result", "success"}, {"faxtype", "20"}}, Reply::StoreNow, false},
        {"a type this program does not receive", {{"result", "success"}, {"faxid", "A"}, {"faxtype", "60"}},
         Reply::LeaveOnServer, false},
        {"a type written otherwise", {{"result", "success"}, {"faxid", "A"}, {"faxtype", "030"}},
         Reply::LeaveOnServer, false},
        {"a fax id without a type", {{"result", "success"}, {"faxid", "A"}}, Reply::LeaveOnServer, false},
        // decided: the receive dialog ended its whole run at a failed reply;
        // a fax the server cannot give now stays there and the list goes on.
        {"a failed reply", {{"result", "failed"}, {"faxid", "A"}, {"faxtype", "30"}}, Reply::LeaveOnServer, false},
        {"a failed reply without a fax", {{"result", "failed"}}, Reply::LeaveOnServer, false},
        {"no result", {{"faxid", "A"}, {"faxtype", "30"}}, Reply::LeaveOnServer, false},
        // decided: the receive dialog took a success without a fax for a
        // fax of another type and asked for the next; the server has no more.
        {"a success that carries no fax", {{"result", "success"}}, Reply::EndOfList, true},
        {"a success with an empty fax", {{"result", "success"}, {"faxid", ""}, {"faxtype", ""}}, Reply::EndOfList,
         true},
    };
    for (const Case& c : cases) {
        FaxListWalk walk;
        walk.Start(*EventOf({{"count", "3"}, {"faxlist[0].faxid", "A"}, {"faxlist[0].type", "30"},
                             {"faxlist[1].faxid", "B"}, {"faxlist[2].faxid", "C"}}));
        ASSERT_TRUE(walk.Next()) << c.name;
        EXPECT_EQ(walk.Answered(*EventOf(c.reply)), c.expected) << c.name;
        EXPECT_EQ(walk.AtEnd(), c.listEnds) << c.name;
        if (c.listEnds) {
            EXPECT_FALSE(walk.Next()) << c.name;
            EXPECT_EQ(walk.Index(), walk.Count()) << c.name;
        } else {
            EXPECT_EQ(Text(walk.Next().value()), "B:") << c.name;
        }
    }
}
