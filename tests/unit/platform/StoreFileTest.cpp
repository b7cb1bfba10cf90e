#include "platform/StoreFile.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/SimMainQueue.h"
#include "support/TestEnvironment.h"

namespace tarnlet {
namespace {

namespace fs = std::filesystem;

constexpr double kDelay = 1.0;

unsigned modeOf(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Text nested depth levels deep: [[[ … ]]].
std::string nested(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

class StoreFileTest : public ::testing::Test {
protected:
    test::TempDir dir;
    sim::SimMainQueue queue{1767258000.0};
    fs::path root = dir.path() / "data" / "Tarnlet";
    fs::path path = root / "Store.json";
    fs::path aside = root / "Store.json.corrupt";
    std::vector<std::string> reported;

    std::unique_ptr<StoreFile> make(bool coalesced = false) {
        auto file = coalesced ? std::make_unique<StoreFile>(path, queue, kDelay) : std::make_unique<StoreFile>(path);
        file->onWriteFailure = [this](const std::string& reason) { reported.push_back(reason); };
        return file;
    }
};

TEST_F(StoreFileTest, WritesAreReadableByTheOwnerAloneInFoldersOfTheirOwn) {
    auto file = make();
    ASSERT_TRUE(file->write("{}"));
    EXPECT_EQ(test::readText(path), "{}");
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(modeOf(root), 0700u);
    EXPECT_EQ(modeOf(root.parent_path()), 0700u);
}

TEST_F(StoreFileTest, MissingFileReadsAsNothingAndIsNotSetAside) {
    auto file = make();
    EXPECT_EQ(file->readJSON(), std::nullopt);
    EXPECT_FALSE(file->holdsUnreadableFile());
    ASSERT_TRUE(file->write("[]"));
    EXPECT_FALSE(fs::exists(aside));
}

TEST_F(StoreFileTest, UnreadableFilesAreSetAsideOnceBeforeTheFirstWrite) {
    for (const std::string& damaged : {std::string("{\"a\":"), std::string("\xff"), nested(StoreFile::kMaxDepth + 1),
                                       nested(70'000)}) {
        SCOPED_TRACE(damaged.substr(0, 8));
        fs::remove_all(root);
        test::writeText(path, damaged);
        auto file = make();
        EXPECT_EQ(file->readJSON(), std::nullopt);
        EXPECT_TRUE(file->holdsUnreadableFile());
        EXPECT_EQ(test::readText(path), damaged);  // reading alone changes nothing

        ASSERT_TRUE(file->write("[1]"));
        EXPECT_EQ(test::readText(aside), damaged);
        ASSERT_TRUE(file->write("[2]"));
        EXPECT_EQ(test::readText(aside), damaged);
        EXPECT_EQ(test::readText(path), "[2]");
    }
}

TEST_F(StoreFileTest, NestingUpToTheLimitAndBracketsInStringsStillRead) {
    test::writeText(path, nested(StoreFile::kMaxDepth));
    auto file = make();
    EXPECT_TRUE(file->readJSON().has_value());
    test::writeText(path, R"({"text":"[[[[\"[[[[)" + std::string(100, '{') + R"("})");
    EXPECT_EQ(file->readJSON(), (Value{{"text", "[[[[\"[[[[" + std::string(100, '{')}}));
    // An escaped backslash does not escape the quote after it.
    test::writeText(path, R"(["a\\\\", "b\\", ")" + std::string(100, '[') + R"("])");
    EXPECT_EQ(file->readJSON(), Value::array({"a\\\\", "b\\", std::string(100, '[')}));
    EXPECT_FALSE(file->holdsUnreadableFile());
}

TEST_F(StoreFileTest, TheOwnerCanRefuseWhatParsedAndEachReadDecidesAfresh) {
    test::writeText(path, "42");
    auto file = make();
    ASSERT_EQ(file->readJSON(), Value(42));
    file->setAsideBeforeWriting();
    EXPECT_TRUE(file->holdsUnreadableFile());
    test::writeText(path, "[]");
    ASSERT_EQ(file->readJSON(), Value::array());
    EXPECT_FALSE(file->holdsUnreadableFile());
}

TEST_F(StoreFileTest, ReadingClearsTheStaleTemporaryFilesOfEarlierWrites) {
    test::writeText(path, "[]");
    const fs::path stale = root / ".Store.json.tmp-2147483646-1-0badf00d";
    test::writeText(stale, "[half");
    fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::minutes(2));
    auto file = make();
    EXPECT_EQ(file->readJSON(), Value::array());
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(path));
}

TEST_F(StoreFileTest, ScheduledWritesCoalesceAndEncodeOnce) {
    auto file = make(/*coalesced=*/true);
    int encoded = 0;
    std::string state;
    auto change = [&](std::string to) {
        state = std::move(to);
        file->scheduleWrite([&] {
            ++encoded;
            return state;
        });
    };
    change("[1]");
    queue.advanceBy(kDelay / 2);
    change("[1,2]");
    change("[1,2,3]");
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(file->hasScheduledWrite());
    // The delay counts from the first change, so a steady stream of changes is still written.
    queue.advanceBy(kDelay / 2);
    EXPECT_EQ(test::readText(path), "[1,2,3]");
    EXPECT_EQ(encoded, 1);
    EXPECT_FALSE(file->hasScheduledWrite());
    queue.advanceBy(10 * kDelay);
    EXPECT_EQ(encoded, 1);

    change("[4]");
    file->flush();
    EXPECT_EQ(test::readText(path), "[4]");
    EXPECT_EQ(encoded, 2);
    queue.advanceBy(10 * kDelay);
    EXPECT_EQ(encoded, 2);  // the flush took the scheduled write's place
}

TEST_F(StoreFileTest, NothingScheduledIsLostWhenTheFileIsReadOrDestroyed) {
    auto file = make(/*coalesced=*/true);
    file->scheduleWrite([] { return std::string("[\"before reading\"]"); });
    EXPECT_EQ(file->readJSON(), Value::array({"before reading"}));

    file->scheduleWrite([] { return std::string("[\"at quit\"]"); });
    file.reset();
    EXPECT_EQ(test::readText(path), "[\"at quit\"]");
    EXPECT_EQ(queue.pendingCount(), 0u);
}

TEST_F(StoreFileTest, WithoutAQueueAScheduledWriteIsMadeAtOnce) {
    auto file = make();
    file->scheduleWrite([] { return std::string("[]"); });
    EXPECT_EQ(test::readText(path), "[]");
    EXPECT_FALSE(file->hasScheduledWrite());
}

TEST_F(StoreFileTest, EachWayOfFailingIsReportedOnceUntilAWriteSucceeds) {
    // A plain file where the folder belongs fails every write, for the super-user too.
    fs::create_directories(root.parent_path());
    test::writeText(root, "in the way");
    auto file = make();
    EXPECT_FALSE(file->write("[1]"));
    EXPECT_FALSE(file->write("[2]"));
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(file->lastWriteError(), reported[0]);
    EXPECT_NE(reported[0].find(root.string()), std::string::npos) << reported[0];

    fs::remove(root);
    ASSERT_TRUE(file->write("[3]"));
    EXPECT_FALSE(file->lastWriteError().has_value());

    // A damaged file that cannot be kept aside is another way to fail, and is not overwritten.
    test::writeText(path, "damaged");
    ASSERT_EQ(file->readJSON(), std::nullopt);
    fs::create_directories(aside / "occupied");
    EXPECT_FALSE(file->write("[4]"));
    EXPECT_FALSE(file->write("[5]"));
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_NE(reported[1].find("aside"), std::string::npos) << reported[1];
    EXPECT_EQ(test::readText(path), "damaged");

    fs::remove_all(aside);
    ASSERT_TRUE(file->write("[6]"));
    EXPECT_EQ(test::readText(aside), "damaged");

    // After a success the same failure is news again.
    fs::remove_all(root);
    fs::create_directories(root.parent_path());
    test::writeText(root, "in the way");
    EXPECT_FALSE(file->write("[7]"));
    ASSERT_EQ(reported.size(), 3u);
    EXPECT_EQ(reported[2], reported[0]);
}

}  // namespace
}  // namespace tarnlet
