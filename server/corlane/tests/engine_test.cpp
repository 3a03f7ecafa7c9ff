// The engine's set-up and its unusual inputs: a builder without container,
// null events and null list entries, state lookup by name, and lists that
// own nothing they hold (the sanitizer build sees any delete of them).
#include <fstream>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "jotter/Jotter.h"
#include "testsupport/TestSupport.h"

using namespace enginetest;

namespace {

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        cpLogSetPriority(10);
        ASSERT_EQ(cpLogOpen(log_.c_str()), 1);
    }
    void TearDown() override { cpLogClose(); }

    bool logged(const std::string& text) const
    {
        return testsupport::readFile(log_).find("[7] " + text + "\n") != std::string::npos;
    }

    testsupport::TempDir dir_;
    std::string log_ = dir_.file("engine.log");
};

TEST_F(EngineTest, BuilderWithoutContainerGivesTheEventNoContext)
{
    GateMachine machine;
    Conversation stale(7);
    stale.setCurState(&machine.t);
    ConversationEvent event(7, "go");
    event.setCtxInfo(&stale); // left over from elsewhere: the builder replaces it

    machine.builder.process(&event);

    EXPECT_EQ(event.getCtxInfo(), nullptr);
    EXPECT_TRUE(logged("Builder::process: no CtxContainer, the event has no CtxInfo"));
    EXPECT_EQ(machine.trail, (Trail{"toT in none", "done in none", "toU in none", "leaveS in none", "enterT in none"}))
        << "the features still run, as for any event without a context";
    EXPECT_EQ(stale.getCurState(), &machine.t);
}

TEST_F(EngineTest, NullEventsAndNullEntriesAreRefused)
{
    GateMachine machine;
    machine.s.addOperator(nullptr);
    machine.s.addEntryOperator(nullptr);
    machine.s.addExitOperator(nullptr);
    machine.gate.addState(nullptr);
    machine.builder.addFeature(nullptr);

    machine.builder.process(nullptr);
    machine.gate.process(nullptr);
    EXPECT_EQ(machine.s.process(nullptr), CRL::State::STATE_CONTINUE);

    EXPECT_TRUE(logged("Insert NULL operator refused"));
    EXPECT_TRUE(logged("Insert NULL state refused"));
    EXPECT_TRUE(logged("Insert NULL feature refused"));
    EXPECT_TRUE(logged("Builder::process:Event==NULL"));
    EXPECT_TRUE(logged("Feature::process:Event==NULL"));
    EXPECT_TRUE(logged("State::process:Event == NULL"));
    EXPECT_TRUE(machine.trail.empty());

    // The machine still works with none of the null entries in its lists.
    CRL::CtxContainer container;
    Conversation seven(7);
    seven.setCurState(&machine.s);
    container.addCtxInfo(&seven);
    machine.builder.setCtxContainer(&container);
    ConversationEvent event(7, "go");
    machine.builder.process(&event);
    EXPECT_EQ(seven.getCurState(), &machine.t);
}

TEST_F(EngineTest, FindStateMatchesTheFirstNameIgnoringCase)
{
    GateMachine machine;
    NamedState secondS("s");
    machine.gate.addState(&secondS);
    EXPECT_EQ(machine.gate.findState("s"), &machine.s);
    EXPECT_EQ(machine.gate.findState("t"), &machine.t);
    EXPECT_EQ(machine.gate.findState("V"), nullptr);
    EXPECT_EQ(machine.gate.findState(""), nullptr);
    EXPECT_EQ(machine.gate.findState(nullptr), nullptr);
}

TEST_F(EngineTest, ListsOwnNothingTheyHold)
{
    Trail trail;
    auto op = std::make_unique<ScriptedOperator>("op", std::set<std::string>{}, nullptr, trail);
    auto state = std::make_unique<NamedState>("S");
    auto feature = std::make_unique<NamedFeature>("F");
    auto builder = std::make_unique<OpenBuilder>();
    auto context = std::make_unique<Conversation>(7);
    auto container = std::make_unique<CRL::CtxContainer>();
    state->addOperator(op.get());
    state->addEntryOperator(op.get());
    state->addExitOperator(op.get());
    feature->addState(state.get());
    builder->addFeature(feature.get());
    container->addCtxInfo(context.get());

    // Copies list the same objects and own them no more than the originals.
    {
        NamedState stateCopy = *state;
        OpenBuilder builderCopy = *builder;
        CRL::CtxContainer containerCopy = *container;
        EXPECT_EQ(containerCopy.getCtxInfo(7), context.get());
    }

    // Each list dies before what it lists; each listed object is used after.
    container.reset();
    EXPECT_EQ(context->id(), 7);
    builder.reset();
    feature->doCpLog();
    feature.reset();
    ConversationEvent event(0, "x");
    EXPECT_EQ(state->process(&event), CRL::State::STATE_CONTINUE);
    EXPECT_EQ(trail, (Trail{"op in none"}));
    state->clearAll();
    EXPECT_EQ(state->process(&event), CRL::State::STATE_CONTINUE);
    EXPECT_EQ(trail.size(), 1u) << "a cleared state runs no operator";
    state.reset();
    op->doCpLog();
    EXPECT_TRUE(logged("Feature: F"));
    EXPECT_TRUE(logged("Operator: op"));
}

} // namespace
