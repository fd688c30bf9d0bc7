// Error texts, error and location reports, aligned blocks and the
// out-of-memory retry. Needs no display: the heap and the question box are
// replaced by test doubles.
#include "w32/diagnostics.h"
#include "w32/native.h"
#include "tests/printed.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

TEST(HResultText, FixedTextsThenTheFacilityWithTheSystemTextOrTheNumber)
{
    const std::pair<std::uint32_t, std::string> cases[] = {
        {0x80070005, "[GENERIC]: General access denied."}, // fixed texts come before facility 7
        {0x8000000A, "[GENERIC]: Data is yet available, operation pending."},
        {0x8000FFFF, "[GENERIC]: Unexpected."},
        {0x80010001, "[RPC]:  0x80010001."},
        {0x80230005, "[METADIRECTORY]:  0x80230005."}, // facility 35
        {0x80050001, "[UNKNOWN]:  0x80050001."},       // 5 is not in the table
        {0xFFFF0000, "[UNKNOWN]:  0xFFFF0000."},       // facility masked to 0x1FFF
        {0x00000001, "[GENERIC]:  0x00000001."},
        {0x80070002, std::string("[WIN32]: ") + std::strerror(2)},
        {0x8007FFF0, "[WIN32]:  0x8007FFF0."}, // no system text for it
    };
    for (const auto& [code, text] : cases) {
        char buffer[kErrorTextSize];
        EXPECT_EQ(HResultText(static_cast<std::int32_t>(code), buffer), text) << std::hex << code;
    }
}

TEST(ReportLastWin32Error, PrintsAndClearsThePendingError)
{
    auto report = [](std::uint32_t error, const char* detail = nullptr) {
        w32::SetLastError(error, detail);
        return Printed([] { ReportLastWin32Error(); });
    };
    EXPECT_EQ(report(5), "\n  Win32 error occurred: [GENERIC]: General access denied.\n");
    EXPECT_EQ(w32::GetLastError(), 0u);
    // Values that are negative as signed are HRESULTs already.
    EXPECT_EQ(report(0x80004005), "\n  Win32 error occurred: [GENERIC]: Unspecified error.\n");
    EXPECT_EQ(report(19, "SDL: no display"),
              "\n  Win32 error occurred: [WIN32]: No such device\n  (SDL: no display)\n");
    bool printed = true;
    EXPECT_EQ(Printed([&] { printed = ReportLastWin32Error(); }), ""); // nothing pending
    EXPECT_FALSE(printed);
}

TEST(ReportFailure, PrintsFunctionLineAndFileAfterTheLastBackslash)
{
    EXPECT_EQ(Printed([] {
                  ReportFailure("d:\\src\\wglh\\wglhelper.cpp", 57, "wglh::CwglWnd::InitGL");
                  ReportFailure("w32/wnd_app", 102, "w32::CWndBase::SetupAfterCreation");
              }),
              "  [wglh::CwglWnd::InitGL] L57:wglhelper.cpp\n"
              "  [w32::CWndBase::SetupAfterCreation] L102:w32/wnd_app\n");
}

// A heap over a fixed pool: hands out pool + offset, fails on demand.
struct FakeHeap {
    alignas(64) static inline unsigned char pool[1 << 21];
    static inline std::size_t offset = 0;
    static inline int failures = 0; // how many of the next requests fail
    static inline std::vector<std::size_t> requests;
    static inline std::vector<void*> freed;
    static inline int prompts = 0;
    static inline int answer = w32::ARI_IGNORE;
    static inline std::string promptText, promptCaption;

    static void* Allocate(std::size_t n)
    {
        requests.push_back(n);
        if (failures > 0) {
            --failures;
            return nullptr;
        }
        return n + offset <= sizeof pool ? pool + offset : nullptr;
    }
    static void Release(void* p) { freed.push_back(p); }
    static int Prompt(const char* text, const char* caption)
    {
        promptText = text;
        promptCaption = caption;
        // Retry once only, so a heap that keeps failing cannot loop forever.
        return ++prompts > 1 && answer == w32::ARI_RETRY ? w32::ARI_IGNORE : answer;
    }
};

class AlignedBlockTest : public testing::Test {
protected:
    void SetUp() override
    {
        FakeHeap::offset = 0, FakeHeap::failures = 0, FakeHeap::prompts = 0;
        FakeHeap::answer = w32::ARI_IGNORE;
        FakeHeap::requests.clear(), FakeHeap::freed.clear();
        w32::SetHeap(&FakeHeap::Allocate, &FakeHeap::Release);
        w32::SetOutOfMemoryPrompt(&FakeHeap::Prompt);
    }
    void TearDown() override
    {
        w32::SetHeap(nullptr, nullptr);
        w32::SetOutOfMemoryPrompt(nullptr);
    }
};

TEST_F(AlignedBlockTest, StartMovesUpTo32WithTheDistanceInFrontAndAGuardCheckOnRelease)
{
    // An aligned heap address moves a whole 32 bytes on.
    auto* start = static_cast<unsigned char*>(AlignedBlock::Allocate(100));
    ASSERT_EQ(start, FakeHeap::pool + 32);
    EXPECT_EQ(start[-1], 32);
    EXPECT_EQ(FakeHeap::requests, std::vector<std::size_t>{132});
    FakeHeap::offset = 4097;
    auto* second = static_cast<unsigned char*>(AlignedBlock::Allocate(8));
    ASSERT_EQ(second, FakeHeap::pool + 4128);
    EXPECT_EQ(second[-1], 31);
    AlignedBlock::Release(start);
    AlignedBlock::Release(second);
    AlignedBlock::Release(nullptr);
    EXPECT_EQ(FakeHeap::freed, (std::vector<void*>{FakeHeap::pool, FakeHeap::pool + 4097}));

    // A damaged guard byte (0 or past 32) is reported and nothing is freed.
    for (unsigned char damaged : {0, 33}) {
        start[-1] = damaged;
        const std::string out = Printed([&] { AlignedBlock::Release(start); });
        EXPECT_EQ(out.rfind("Abnormal block at 0x", 0), 0u) << out;
        EXPECT_NE(out.find(", Low boundry was overwritten.\n"), std::string::npos) << out;
    }
    EXPECT_EQ(FakeHeap::freed.size(), 2u);
}

TEST_F(AlignedBlockTest, FailedAllocationAsksRetryTriesAgainAnythingElseGivesUp)
{
    for (int answer : {int(w32::ARI_RETRY), int(w32::ARI_IGNORE), int(w32::ARI_ABORT), -1}) {
        FakeHeap::failures = 1, FakeHeap::prompts = 0, FakeHeap::answer = answer;
        void* start = nullptr;
        EXPECT_EQ(Printed([&] { start = AlignedBlock::Allocate(1 << 20); }),
                  "\n\nOut of memory: Failed to allocate 1024KB memory block!\a\n");
        EXPECT_EQ(start != nullptr, answer == w32::ARI_RETRY) << answer;
        EXPECT_EQ(FakeHeap::prompts, 1) << answer;
    }
    EXPECT_EQ(FakeHeap::promptCaption, "Out of memory");
    EXPECT_EQ(FakeHeap::promptText, "Failed to allocate 1024KB memory block!\r\n\r\n Abort: Launch debugger\r\n"
                                    " Retry: Try allocation again\r\n Ignore: Stop allocation");
    // A size that cannot be padded never reaches the heap.
    FakeHeap::requests.clear();
    EXPECT_EQ(AlignedBlock::TryAllocate(SIZE_MAX - 8), nullptr);
    EXPECT_TRUE(FakeHeap::requests.empty());
}

TEST_F(AlignedBlockTest, ReserveDoublesKeepsContentsAndFallsBackToTheExactSize)
{
    char* start = nullptr;
    std::size_t capacity = 0;
    ASSERT_TRUE(AlignedBlock::Reserve(start, capacity, 10));
    EXPECT_EQ(capacity, 16u);
    std::strcpy(start, "keep me");
    EXPECT_TRUE(AlignedBlock::Reserve(start, capacity, 16)); // fits: no new block
    EXPECT_EQ(FakeHeap::requests.size(), 1u);

    FakeHeap::offset = 4096;
    ASSERT_TRUE(AlignedBlock::Reserve(start, capacity, 20));
    EXPECT_EQ(capacity, 32u);
    EXPECT_STREQ(start, "keep me");

    // The doubled size fails: a quiet report, then the exact size succeeds.
    FakeHeap::offset = 8192, FakeHeap::failures = 1;
    EXPECT_EQ(Printed([&] { EXPECT_TRUE(AlignedBlock::Reserve(start, capacity, 40)); }),
              "\n\nOut of memory: Failed to allocate 0KB memory block!\a\n");
    EXPECT_EQ(capacity, 40u);
    EXPECT_EQ(FakeHeap::prompts, 0);
    EXPECT_STREQ(start, "keep me");

    // Both fail and the user gives up: the old block stays.
    char* before = start;
    FakeHeap::failures = 2;
    Printed([&] { EXPECT_FALSE(AlignedBlock::Reserve(start, capacity, 100)); });
    EXPECT_EQ(start, before);
    EXPECT_EQ(capacity, 40u);
    EXPECT_EQ(FakeHeap::prompts, 1);
}

} // namespace
