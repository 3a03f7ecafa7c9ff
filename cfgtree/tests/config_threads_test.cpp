// Four threads working one Config at once.

#include "TestFiles.h"
#include "cfgtree/Config.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace cfgtree_test;

TEST(ConfigThreads, FourThreadsShareOneDocument)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 150;
    TempDir dir;
    std::string file = (dir / "shared.xml").string();
    writeFile(file, "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config>"
                     "<Worker Count=\"0\"/><Worker Count=\"0\"/><Worker Count=\"0\"/>"
                     "<Worker Count=\"0\"/></Config>\n");
    Config config;
    ASSERT_EQ(config.open(file.c_str()), 1);

    std::atomic<int> failures{0};
    std::atomic<int> saves{0};
    auto work = [&](int id) {
        std::string worker = "Worker[" + std::to_string(id) + "]";
        std::string items = worker + "/Item";
        for (int round = 0; round < kRounds; ++round) {
            // Each worker element has one writer, so its count must add up.
            int count = config.getNodeAttrInt(worker.c_str(), "count");
            if (config.setNodeAttr(worker.c_str(), "Count", std::to_string(count + 1).c_str()) != 1)
                ++failures;
            if (config.addNode(worker.c_str(), "Item", "工作", "", "") != 1)
                ++failures;
            if (round % 3 == 0 && config.removeNode((items + "[0]").c_str()) != 1)
                ++failures;

            // Shared cursor and anchors: the results race, the memory must not.
            config.setCurNode((items + "[0]").c_str());
            try {
                // Other threads move the cursor too: it may stand on the
                // document node, above which goParent rightly throws.
                config.goParent();
            } catch (const ConfigError& error) {
                if (error.code() != ConfigError::Code::NoParent)
                    ++failures;
            }
            config.goChild(round % 4);
            std::string name;
            config.getAttr("Count", name);
            config.getChildNum();
            config.addNodeAttr("Round", "x");
            config.getNodeCnt("Worker/Item");
            if (round % 25 == 0 && config.save() == 1)
                ++saves;
        }
    };
    std::vector<std::thread> threads;
    for (int id = 0; id < kThreads; ++id)
        threads.emplace_back(work, id);
    for (std::thread& thread : threads)
        thread.join();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(saves.load(), kThreads * ((kRounds + 24) / 25));
    ASSERT_EQ(config.save(), 1);
    Config reopened;
    ASSERT_EQ(reopened.open(file.c_str()), 1);
    for (int id = 0; id < kThreads; ++id) {
        std::string worker = "Worker[" + std::to_string(id) + "]";
        EXPECT_EQ(reopened.getNodeAttrInt(worker.c_str(), "Count"), kRounds) << worker;
        EXPECT_EQ(reopened.getNodeCnt((worker + "/Item").c_str()), kRounds - (kRounds + 2) / 3)
            << worker;
    }
}
