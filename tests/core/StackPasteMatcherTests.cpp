// Moving the Paste Stack on once per paste: presses of the paste key matched
// with the reads of Quillbox's offer they cause, whatever their spacing and
// order.
#include "X11TestEnvironment.h"
#include "core/StackPasteMatcher.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace quillbox {
using testing::serveFor;
using testing::waitUntil;
namespace {

// A press ('p') or a read ('r') at a time in milliseconds.
struct Event {
    char kind;
    int at;
};

struct MatchCase {
    const char* name;
    std::vector<Event> events;
    int advances;
};

void PrintTo(const MatchCase& row, std::ostream* out) {
    *out << row.name;
}

class Matching : public ::testing::TestWithParam<MatchCase> {};

TEST_P(Matching, MovesOnceForEachPressThatBroughtARead) {
    int advances = 0;
    StackPasteMatcher matcher(true, [&] { ++advances; });
    const auto start = StackPasteMatcher::Clock::now();
    for (const Event& event : GetParam().events) {
        const auto now = start + std::chrono::milliseconds(event.at);
        if (event.kind == 'p')
            matcher.pastePressed(now);
        else
            matcher.offerRead(now);
    }
    EXPECT_EQ(advances, GetParam().advances);
}

std::vector<Event> fastPastes(int count, int spacing, int readLag) {
    std::vector<Event> events;
    for (int i = 0; i < count; ++i) {
        events.push_back({'p', i * spacing});
        events.push_back({'r', i * spacing + readLag});
    }
    return events;
}

INSTANTIATE_TEST_SUITE_P(
    , Matching,
    ::testing::Values(
        MatchCase{"press_then_read", {{'p', 0}, {'r', 12}}, 1},
        // The read may be seen before the press that caused it.
        MatchCase{"read_just_before_press", {{'r', 0}, {'p', 5}}, 1},
        // A menu's Paste or another clipboard tool reads without a press.
        MatchCase{"read_alone", {{'r', 0}, {'p', 400}}, 0},
        // A terminal takes Ctrl+V as a character: nothing is read.
        MatchCase{"press_alone", {{'p', 0}, {'r', 2500}}, 0},
        MatchCase{"ten_presses_40ms_apart", fastPastes(10, 40, 15), 10},
        // A busy application handles two presses together.
        MatchCase{"bunched", {{'p', 0}, {'p', 40}, {'r', 300}, {'r', 302}}, 2},
        MatchCase{"more_reads_than_presses", {{'p', 0}, {'r', 10}, {'r', 12}, {'r', 14}}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StackPasteMatcherTest, ResetForgetsWhatWaitsAndWithoutReadsAPressMovesAfterTheDelay) {
    int advances = 0;
    StackPasteMatcher withReads(true, [&] { ++advances; });
    withReads.pastePressed();
    withReads.reset();
    withReads.offerRead();
    EXPECT_EQ(advances, 0);

    StackPasteMatcher blind(false, [&] { ++advances; });
    blind.offerRead();
    blind.pastePressed();
    blind.pastePressed();
    EXPECT_EQ(advances, 0);
    EXPECT_TRUE(waitUntil([&] { return advances == 2; }, 2s));
    blind.pastePressed();
    blind.reset();
    serveFor(StackPasteMatcher::advanceDelay * 2);
    EXPECT_EQ(advances, 2);
}

} // namespace
} // namespace quillbox
