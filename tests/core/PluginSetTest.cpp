#include "core/PluginSet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/Harness.h"

class PluginSetTest : public CatalogueTest {};

TEST_F(PluginSetTest, EqualNamesCountInstancesKeepTheFirstSpellingAndVisitInOneOrder) {
    PluginSet set;
    PluginSetInit(set);
    for (const auto& [name, folder] : std::vector<std::pair<const char*, const char*>>{
             {"gamma.dll", nullptr}, {"Delay.dll", "/vst/one"}, {"DELAY.DLL", "/vst/two"}, {"alpha.dll", nullptr},
             {"delay.dll", nullptr}})
        EXPECT_EQ(PluginSetAdd(set, name, folder), 1);
    EXPECT_EQ(set.count, 3u);
    const PluginRecord* record = PluginSetFind(set, "dElAy.DlL");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->name + " " + record->folder + " " + std::to_string(record->count), "Delay.dll /vst/one 3");
    std::vector<std::string> visited;
    PluginSetVisit(
        set, [](const PluginRecord& r, void* names) { static_cast<std::vector<std::string>*>(names)->push_back(r.name); },
        &visited);
    EXPECT_EQ(visited, (std::vector<std::string>{"alpha.dll", "Delay.dll", "gamma.dll"}));
    PluginSetClear(set);
    EXPECT_EQ(set.count, 0u);
    EXPECT_FALSE(PluginSetContains(set, "alpha.dll"));
}

TEST_F(PluginSetTest, TheInventoryDecidesWhatIsMissingAndUnused) {
    EXPECT_TRUE(IsNotInstalled("Anything.dll"));  // no inventory: nothing is installed
    EXPECT_EQ(CountUnusedPlugins(), 0u);
    for (char digit = '0'; digit <= '9'; ++digit) {
        const std::string name = std::string("p").append(1, digit).append(".dll");
        PluginSetAdd(InstalledPlugins, name.c_str(), "/v");
    }
    EXPECT_EQ(CountUnusedPlugins(), 0u);  // nothing used yet: nothing counts as unused
    EXPECT_FALSE(IsNotInstalled("P1.DLL"));
    for (const char* name : {"p1.dll", "p2.dll", "p3.dll", "gone.dll"}) PluginSetAdd(UsedPlugins, name, nullptr);
    PluginSetAdd(MissingPlugins, "gone.dll", nullptr);
    EXPECT_EQ(CountUnusedPlugins(), 7u);
}
