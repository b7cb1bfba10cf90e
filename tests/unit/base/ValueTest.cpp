#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <limits>

#include "base/Value.h"

namespace tarnlet {
namespace {

TEST(ValueEqualityTest, BooleansAndNumbersCompareByNumericValue) {
    EXPECT_TRUE(valuesEqual(true, 1));
    EXPECT_TRUE(valuesEqual(false, 0));
    EXPECT_TRUE(valuesEqual(true, 1.0));
    EXPECT_TRUE(valuesEqual(1, 1.0));
    EXPECT_TRUE(valuesEqual(Value(3u), Value(3)));
    EXPECT_FALSE(valuesEqual(true, 2));
    EXPECT_FALSE(valuesEqual(1, 1.5));
    EXPECT_FALSE(valuesEqual(1, "1"));
    EXPECT_FALSE(valuesEqual(Value(), false));
}

TEST(ValueEqualityTest, LargeIntegersCompareExactlyNotThroughDoubles) {
    const long long big = (1LL << 53) + 1;
    EXPECT_FALSE(valuesEqual(big, big - 1));
    EXPECT_TRUE(valuesEqual(Value(std::numeric_limits<unsigned long long>::max()),
                            Value(std::numeric_limits<unsigned long long>::max())));
    EXPECT_FALSE(valuesEqual(Value(-1), Value(std::numeric_limits<unsigned long long>::max())));
}

TEST(ValueEqualityTest, ContainersCompareElementWise) {
    EXPECT_TRUE(valuesEqual(Value::parse(R"([1, true, "a", {"k": [0]}])"), Value::parse(R"([1.0, 1, "a", {"k": [false]}])")));
    EXPECT_FALSE(valuesEqual(Value::parse("[1, 2]"), Value::parse("[2, 1]")));
    EXPECT_FALSE(valuesEqual(Value::parse("[1]"), Value::parse("[1, 1]")));
    EXPECT_TRUE(valuesEqual(Value::parse(R"({"a": 1, "b": {"c": true}})"), Value::parse(R"({"b": {"c": 1}, "a": 1.0})")));
    EXPECT_FALSE(valuesEqual(Value::parse(R"({"a": 1})"), Value::parse(R"({"a": 1, "b": 1})")));
    EXPECT_FALSE(valuesEqual(Value::parse(R"({"a": 1})"), Value::parse(R"({"b": 1})")));
    EXPECT_FALSE(valuesEqual(Value::array(), Value::object()));
}

TEST(PlistSafetyTest, NullAnywhereMakesAValueUnsafe) {
    EXPECT_TRUE(isPlistSafe(Value::parse(R"({"a": [1, "b", true, {"c": 2.5}]})")));
    EXPECT_TRUE(isPlistSafe(Value::array()));
    EXPECT_FALSE(isPlistSafe(Value()));
    EXPECT_FALSE(isPlistSafe(Value::parse("[1, null]")));
    EXPECT_FALSE(isPlistSafe(Value::parse(R"({"a": {"b": [null]}})")));
}

TEST(LooseReadingTest, BooleansFromNumbersAndWords) {
    EXPECT_EQ(boolFrom(true), true);
    EXPECT_EQ(boolFrom(0), false);
    EXPECT_EQ(boolFrom(0.5), true);
    EXPECT_EQ(boolFrom("YES"), true);
    EXPECT_EQ(boolFrom("true"), true);
    EXPECT_EQ(boolFrom("1"), true);
    EXPECT_EQ(boolFrom(" 2"), true);
    EXPECT_EQ(boolFrom("0"), false);
    EXPECT_EQ(boolFrom("NO"), false);
    EXPECT_EQ(boolFrom("maybe"), false);
    EXPECT_EQ(boolFrom(Value::array()), std::nullopt);
    EXPECT_EQ(boolFrom(Value()), std::nullopt);
}

TEST(LooseReadingTest, IntegersTruncateAndSaturateInsteadOfOverflowing) {
    constexpr long long kMax = std::numeric_limits<long long>::max();
    constexpr long long kMin = std::numeric_limits<long long>::min();
    EXPECT_EQ(integerFrom(true), 1);
    EXPECT_EQ(integerFrom(2.9), 2);
    EXPECT_EQ(integerFrom(-2.9), -2);
    EXPECT_EQ(integerFrom("42"), 42);
    EXPECT_EQ(integerFrom("  17.8"), 17);
    EXPECT_EQ(integerFrom("-7"), -7);
    EXPECT_EQ(integerFrom("1e300"), kMax);
    EXPECT_EQ(integerFrom("-1e300"), kMin);
    EXPECT_EQ(integerFrom("99999999999999999999"), kMax);
    EXPECT_EQ(integerFrom(1e300), kMax);
    EXPECT_EQ(integerFrom(Value(std::numeric_limits<unsigned long long>::max())), kMax);
    EXPECT_EQ(integerFrom(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(integerFrom("twelve"), std::nullopt);
    EXPECT_EQ(integerFrom(""), std::nullopt);
    EXPECT_EQ(integerFrom(Value::object()), std::nullopt);
}

}  // namespace
}  // namespace tarnlet
