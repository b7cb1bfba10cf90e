#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "base/Uuid.h"

namespace tarnlet {
namespace {

TEST(UuidTest, RandomIdentifiersAreCanonicalVersionFourAndDistinct) {
    const std::regex upper("^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$");
    const std::regex lower("^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$");
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const Uuid id = Uuid::random();
        EXPECT_TRUE(std::regex_match(id.uppercased(), upper)) << id.uppercased();
        EXPECT_TRUE(std::regex_match(id.lowercased(), lower)) << id.lowercased();
        EXPECT_EQ(id.bytes()[6] >> 4, 4);
        EXPECT_EQ(id.bytes()[8] & 0xC0, 0x80);
        seen.insert(id.uppercased());
    }
    EXPECT_EQ(seen.size(), 200u);
}

TEST(UuidTest, ParseAcceptsEitherCaseAndRoundTrips) {
    const auto fromUpper = Uuid::parse("0F1E2D3C-4B5A-4978-8A6B-5C4D3E2F1A0B");
    const auto fromLower = Uuid::parse("0f1e2d3c-4b5a-4978-8a6b-5c4d3e2f1a0b");
    const auto mixed = Uuid::parse("0f1E2d3C-4b5A-4978-8A6b-5c4D3e2F1a0B");
    ASSERT_TRUE(fromUpper && fromLower && mixed);
    EXPECT_EQ(*fromUpper, *fromLower);
    EXPECT_EQ(*fromUpper, *mixed);
    EXPECT_EQ(fromUpper->uppercased(), "0F1E2D3C-4B5A-4978-8A6B-5C4D3E2F1A0B");
    EXPECT_EQ(fromUpper->lowercased(), "0f1e2d3c-4b5a-4978-8a6b-5c4d3e2f1a0b");
    EXPECT_EQ(fromUpper->bytes()[0], 0x0F);
    EXPECT_EQ(fromUpper->bytes()[15], 0x0B);

    const Uuid fresh = Uuid::random();
    EXPECT_EQ(Uuid::parse(fresh.lowercased()), fresh);
}

TEST(UuidTest, ParseRejectsAnythingButTheCanonicalForm) {
    for (const char* bad : {
             "",
             "0F1E2D3C4B5A49788A6B5C4D3E2F1A0B",          // no dashes
             "{0F1E2D3C-4B5A-4978-8A6B-5C4D3E2F1A0B}",    // braces
             "0F1E2D3C-4B5A-4978-8A6B-5C4D3E2F1A0",       // short
             "0F1E2D3C-4B5A-4978-8A6B-5C4D3E2F1A0BB",     // long
             "0F1E2D3-C4B5A-4978-8A6B-5C4D3E2F1A0B",      // dash in the wrong place
             "0F1E2D3C-4B5A-4978-8A6B-5C4D3E2F1A0G",      // not hex
             "0F1E2D3C-4B5A-4978-8A6B+5C4D3E2F1A0B",      // wrong separator
             " 0F1E2D3C-4B5A-4978-8A6B-5C4D3E2F1A0",      // leading blank
         }) {
        EXPECT_FALSE(Uuid::parse(bad).has_value()) << bad;
    }
}

}  // namespace
}  // namespace tarnlet
