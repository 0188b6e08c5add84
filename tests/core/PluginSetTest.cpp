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
