// The listener of a dialog's replies: which events reach it and what they
// say, and that it is registered exactly while it lives.

#include "core/session/ReplyListener.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "core/tests/SessionFakes.h"
#include "corlane/Event.h"

namespace {

struct ReplyCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> pairs;
    std::optional<CommandReply> expected; // nothing: not for this listener
};

TEST(ReplyListenerTest, ReadsOnlyItsInvokeIdAndItsCommandsResult)
{
    const std::vector<ReplyCase> cases = {
        {"success", {{"event", "changepassword-z"}, {"result", "success"}, {"invokeid", "42"}}, CommandReply{true, true}},
        {"any letter case", {{"Event", "ChangePassword-Z"}, {"RESULT", "Success"}, {"invokeid", "42"}}, CommandReply{true, true}},
        {"failed", {{"event", "changepassword-z"}, {"result", "failed"}, {"invokeid", "42"}}, CommandReply{true, false}},
        {"no result", {{"event", "changepassword-z"}, {"invokeid", "42"}}, CommandReply{true, false}},
        {"another command", {{"event", "changepassword"}, {"result", "success"}, {"invokeid", "42"}}, CommandReply{false, false}},
        {"another invoke id", {{"event", "changepassword-z"}, {"result", "success"}, {"invokeid", "43"}}, std::nullopt},
        {"no invoke id", {{"event", "changepassword-z"}, {"result", "success"}}, std::nullopt},
    };
    for (const ReplyCase& c : cases) {
        CRL::Event event;
        for (const auto& [key, value] : c.pairs)
            event.appendKV(key, value);
        const auto reply = ReplyListener::Read(event, "changepassword-z", 42);
        ASSERT_EQ(reply.has_value(), c.expected.has_value()) << c.name;
        if (reply) {
            EXPECT_EQ(reply->forCommand, c.expected->forCommand) << c.name;
            EXPECT_EQ(reply->success, c.expected->success) << c.name;
        }
    }
}

TEST(ReplyListenerTest, IsRegisteredWhileItLivesAndHandsOverWhatConcernsIt)
{
    sessiontest::FakeAgent agent;
    std::vector<CommandReply> replies;
    int lost = 0;
    {
        ReplyListener listener(agent, "checkpassword-z", 7, [&](const CommandReply& r) { replies.push_back(r); },
                               [&] { ++lost; });
        ASSERT_EQ(agent.listeners(), std::vector<ClientEventListener*>{&listener});
        CRL::Event other;
        other.appendKV("event", "checkpassword-z");
        other.appendKV("invokeid", "8");
        CRL::Event mine;
        mine.appendKV("event", "checkpassword-z");
        mine.appendKV("result", "success");
        mine.appendKV("invokeid", "7");
        EXPECT_EQ(listener.onReceive(&other), 1);
        EXPECT_EQ(listener.onReceive(&mine), 1);
        EXPECT_EQ(listener.onProcess(&mine), -1);
        EXPECT_EQ(listener.onDisconnect(), 1);
    }
    EXPECT_TRUE(agent.listeners().empty());
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_TRUE(replies[0].success);
    EXPECT_EQ(lost, 1);
}

} // namespace
