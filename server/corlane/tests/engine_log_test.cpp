// The engine's walk through features, states and operators as its Jotter log
// shows it: one run per case over the Gate machine of EngineFixture.h, the
// whole log compared line by line, and the operators' trail showing which
// ran and in which state the conversation was at that moment.
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "jotter/Jotter.h"
#include "testsupport/TestSupport.h"

using namespace enginetest;
using Lines = std::vector<std::string>;

namespace {

// The lines of a Jotter log without their time stamp; a line of another
// level than the engine's 7 is kept whole, so that it stands out.
Lines engineLines(const std::string& path)
{
    std::ifstream in(path);
    Lines lines;
    for (std::string line; std::getline(in, line);) {
        const std::size_t tag = line.find(" [7] ");
        lines.push_back(tag == std::string::npos ? line : line.substr(tag + 5));
    }
    return lines;
}

const Lines kSetUp = {
    "Insert toT operator",       "Insert done operator",       "Insert toU operator",
    "Insert enterS entry operator", "Insert leaveS exit operator", "Insert back operator",
    "Insert enterT entry operator", "Insert leaveT exit operator", "Insert S state",
    "Insert T state",            "Insert U state",             "Insert Gate feature",
};

const char* const kContinue = "******************************STATE CONTINUE";

struct WalkCase {
    const char* title;
    const char* startState; // of conversation 7; null: the event's id has no context
    const char* event;
    Lines log;              // after the set-up lines
    Trail trail;
    const char* endState;
};

void PrintTo(const WalkCase& c, std::ostream* out) { *out << c.title; }

const WalkCase kWalks[] = {
    {"OnlyTheContextsStateRuns", "S", "noop",
     {"Processing operator (toT)", "Processing operator (done)", "Processing operator (toU)", "Done with state (S)",
      kContinue, kContinue, "Done with feature (Gate)", "Done with Builder "},
     {"toT in S", "done in S", "toU in S"},
     "S"},
    {"AnotherStatesContextSkipsTheEarlierStates", "T", "go",
     {kContinue, "Processing operator (back)", "Done with state (T)", kContinue, "Done with feature (Gate)",
      "Done with Builder "},
     {"back in T"},
     "T"},
    {"DoneStopsTheLaterOperatorsWithoutTransition", "S", "finish",
     {"Processing operator (toT)", "Processing operator (done)", "***** Done with Event ***", "Done with state (S)",
      kContinue, kContinue, "Done with feature (Gate)", "Done with Builder "},
     {"toT in S", "done in S"},
     "S"},
    {"TransitionRunsExitThenSetsThenRunsEntry", "S", "go",
     {"Processing operator (toT)", "Processing operator (done)", "Processing operator (toU)", "Done with state (S)",
      "Feature::process done", "Done with Builder "},
     {"toT in S", "done in S", "toU in S", "leaveS in S", "enterT in T"},
     "T"},
    {"SecondChoiceOfANextStateIsLoggedAndTheFirstStands", "S", "fork",
     {"Processing operator (toT)", "Processing operator (done)", "Processing operator (toU)",
      "Operator (toU) names state (U) too; the first choice (T) stands", "Done with state (S)",
      "Feature::process done", "Done with Builder "},
     {"toT in S", "done in S", "toU in S", "leaveS in S", "enterT in T"},
     "T"},
    {"WithoutContextStatesRunUntilOneNamesANextState", nullptr, "back",
     {"event CtxInfo is Null! in State:[S]", "Processing operator (toT)", "Processing operator (done)",
      "Processing operator (toU)", "Done with state (S)", "event CtxInfo is Null! in State:[T]",
      "Processing operator (back)", "No CtxInfo to record state (S) in State:[T]", "Done with state (T)",
      "Feature::process done", "Done with Builder "},
     {"toT in none", "done in none", "toU in none", "back in none", "leaveT in none", "enterS in none"},
     nullptr},
};

class EngineWalk : public ::testing::TestWithParam<WalkCase> {
protected:
    void SetUp() override
    {
        cpLogSetPriority(10);
        ASSERT_EQ(cpLogOpen(log_.c_str()), 1);
    }
    void TearDown() override { cpLogClose(); }

    testsupport::TempDir dir_;
    std::string log_ = dir_.file("engine.log");
};

TEST_P(EngineWalk, LogsItsStepsInOrder)
{
    const WalkCase& c = GetParam();
    GateMachine machine;
    Conversation seven(7);
    CRL::CtxContainer container;
    container.addCtxInfo(&seven);
    machine.builder.setCtxContainer(&container);
    if (c.startState)
        seven.setCurState(machine.gate.findState(c.startState));
    ConversationEvent event(c.startState ? 7 : 99, c.event);

    machine.builder.process(&event);
    cpLogClose();

    Lines expected = kSetUp;
    expected.insert(expected.end(), c.log.begin(), c.log.end());
    EXPECT_EQ(engineLines(log_), expected);
    EXPECT_EQ(machine.trail, c.trail);
    EXPECT_EQ(event.getCtxInfo(), c.startState ? &seven : nullptr);
    if (c.startState) {
        EXPECT_STREQ(seven.getCurState()->name(), c.endState);
    }
}

INSTANTIATE_TEST_SUITE_P(Gate, EngineWalk, ::testing::ValuesIn(kWalks),
                         [](const auto& info) { return std::string(info.param.title); });

} // namespace
