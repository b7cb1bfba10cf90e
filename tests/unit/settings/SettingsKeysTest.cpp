#include "settings/SettingsKeys.h"

#include <gtest/gtest.h>

#include <set>

namespace tarnlet {
namespace {

TEST(SettingsKeys, EveryKeyIsKnownOnceWithAType) {
    std::set<std::string> seen;
    for (const auto* table : {&SettingsKeys::registered(), &SettingsKeys::unregistered()})
        for (const auto& entry : *table) {
            EXPECT_TRUE(seen.insert(entry.key).second) << entry.key;
            EXPECT_EQ(SettingsKeys::find(entry.key), &entry);
        }
    EXPECT_EQ(seen.size(), 67u);
    EXPECT_EQ(SettingsKeys::find("snap.nothing"), nullptr);
}

TEST(SettingsKeys, ParsesTextsByType) {
    using T = SettingType;
    EXPECT_EQ(SettingsKeys::parse(T::boolean, "on"), Value(true));
    EXPECT_EQ(SettingsKeys::parse(T::boolean, "false"), Value(false));
    EXPECT_EQ(SettingsKeys::parse(T::boolean, "maybe"), std::nullopt);
    EXPECT_EQ(SettingsKeys::parse(T::integer, "-3"), Value(-3));
    EXPECT_EQ(SettingsKeys::parse(T::integer, "3.5"), std::nullopt);
    EXPECT_EQ(SettingsKeys::parse(T::integer, ""), std::nullopt);
    EXPECT_EQ(SettingsKeys::parse(T::real, "0.25"), Value(0.25));
    EXPECT_EQ(SettingsKeys::parse(T::real, "nan"), std::nullopt);
    EXPECT_EQ(SettingsKeys::parse(T::string, "\"only listed\""), Value("only listed"));
    EXPECT_EQ(SettingsKeys::parse(T::stringList, "com.b, com.a,"), Value({"com.b", "com.a"}));
    EXPECT_EQ(SettingsKeys::parse(T::stringList, "[\"x\", 1]"), std::nullopt);
    EXPECT_EQ(SettingsKeys::parse(T::stringMap, "s=com.safari, x=com.xcode"),
              Value::parse(R"({"s":"com.safari","x":"com.xcode"})"));
    EXPECT_EQ(SettingsKeys::parse(T::stringMap, "s"), std::nullopt);
    EXPECT_EQ(SettingsKeys::parse(T::stringMap, "{\"s\": \"com.safari\"}"), Value::parse(R"({"s":"com.safari"})"));
}

}  // namespace
}  // namespace tarnlet
