#include "core/PluginSet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/Harness.h"

namespace {

std::vector<std::string> Names(const PluginSet& set) {
    std::vector<std::string> names;
    PluginSetVisit(
        set, [](const PluginRecord& record, void* context) {
            static_cast<std::vector<std::string>*>(context)->push_back(record.name);
        },
        &names);
    return names;
}

}  // namespace

class PluginSetTest : public CatalogueTest {};

TEST_F(PluginSetTest, EqualNamesCountInstancesAndKeepTheFirstSpellingAndFolder) {
    PluginSet set;
    PluginSetInit(set);
    EXPECT_EQ(PluginSetAdd(set, "Delay.dll", "/vst/one"), 1);
    EXPECT_EQ(PluginSetAdd(set, "DELAY.DLL", "/vst/two"), 1);
    EXPECT_EQ(PluginSetAdd(set, "delay.dll", nullptr), 1);
    ASSERT_EQ(set.count, 1u);
    const PluginRecord* record = PluginSetFind(set, "dElAy.DlL");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->name, "Delay.dll");
    EXPECT_EQ(record->folder, "/vst/one");
    EXPECT_EQ(record->count, 3u);
}

TEST_F(PluginSetTest, VisitsInOneCaseInsensitiveSequence) {
    PluginSet set;
    for (const char* name : {"gamma.dll", "Beta.dll", "alpha.dll", "BETA.DLL"}) PluginSetAdd(set, name, nullptr);
    EXPECT_EQ(Names(set), (std::vector<std::string>{"alpha.dll", "Beta.dll", "gamma.dll"}));
    EXPECT_EQ(set.count, 3u);
}

TEST_F(PluginSetTest, EmptySetVisitsNothingAndClearLeavesItEmpty) {
    PluginSet set;
    int calls = 0;
    PluginSetVisit(set, [](const PluginRecord&, void* c) { ++*static_cast<int*>(c); }, &calls);
    EXPECT_EQ(calls, 0);
    PluginSetClear(set);
    EXPECT_EQ(set.count, 0u);
    PluginSetAdd(set, "a.dll", nullptr);
    PluginSetClear(set);
    EXPECT_EQ(set.count, 0u);
    EXPECT_FALSE(PluginSetContains(set, "a.dll"));
}

TEST_F(PluginSetTest, EmptyInventoryReportsEveryNameAsNotInstalled) {
    EXPECT_TRUE(IsNotInstalled("Anything.dll"));
    PluginSetAdd(InstalledPlugins, "Delay.dll", "/vst");
    EXPECT_FALSE(IsNotInstalled("DELAY.dll"));
    EXPECT_TRUE(IsNotInstalled("Reverb.dll"));
}

TEST_F(PluginSetTest, UnusedCountFollowsTheSetCounts) {
    EXPECT_EQ(CountUnusedPlugins(), 0u);
    for (int i = 0; i < 10; ++i) PluginSetAdd(InstalledPlugins, ("p" + std::to_string(i) + ".dll").c_str(), "/v");
    EXPECT_EQ(CountUnusedPlugins(), 0u);  // nothing used yet: nothing counts as unused
    for (const char* name : {"p1.dll", "p2.dll", "p3.dll", "gone.dll"}) PluginSetAdd(UsedPlugins, name, nullptr);
    PluginSetAdd(MissingPlugins, "gone.dll", nullptr);
    EXPECT_EQ(CountUnusedPlugins(), 7u);
}
