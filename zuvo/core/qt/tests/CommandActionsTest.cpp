// A window's command actions: each triggered action hands its own id to the
// window's handler, an id is found again (a later action taking its place),
// and an action that outlives its window calls nothing.

#include <gtest/gtest.h>

#include <QAction>

#include <memory>
#include <vector>

#include "QtTestSupport.h"
#include "core/qt/CommandActions.h"

TEST(CommandActions, TriggeredActionsHandTheirIdsToTheHandler)
{
    QtTest::EnsureApplication();
    QObject window;
    std::vector<int> handled;
    CommandActions actions(&window, [&](int id) { handled.push_back(id); });
    QAction* open = actions.Add(32771, new QAction(QStringLiteral("打开"), &window));
    QAction* print = actions.Add(57607, new QAction(QStringLiteral("打印"), &window));

    print->trigger();
    open->trigger();
    print->trigger();
    EXPECT_EQ(handled, (std::vector<int>{57607, 32771, 57607}));

    EXPECT_EQ(actions.Find(32771), open);
    EXPECT_EQ(actions.Find(57607), print);
    EXPECT_EQ(actions.Find(1), nullptr);
    EXPECT_EQ(actions.All().size(), 2u);

    QAction* again = actions.Add(32771, new QAction(QStringLiteral("打开"), &window));
    EXPECT_EQ(actions.Find(32771), again);
    EXPECT_EQ(actions.All().size(), 2u);
}

TEST(CommandActions, KeptOnlyWithoutAHandlerAndSilentOnceTheWindowIsGone)
{
    QtTest::EnsureApplication();
    QObject owner;
    CommandActions kept;
    QAction* disabled = kept.Add(7, new QAction(QStringLiteral("发送"), &owner));
    EXPECT_EQ(kept.Find(7), disabled);
    disabled->trigger(); // nothing to call, nothing breaks

    int calls = 0;
    auto window = std::make_unique<QObject>();
    CommandActions actions(window.get(), [&](int) { ++calls; });
    QAction* action = actions.Add(9, new QAction(QStringLiteral("关闭"), &owner));
    action->trigger();
    EXPECT_EQ(calls, 1);
    window.reset();
    action->trigger();
    EXPECT_EQ(calls, 1);
}
