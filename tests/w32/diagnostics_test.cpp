// Error texts, error and location reports, aligned blocks and the
// out-of-memory retry. Needs no display: the heap and the question box are
// replaced by test doubles.
#include "w32/diagnostics.h"
#include "w32/native.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Text(std::uint32_t code)
{
    char buffer[kErrorTextSize];
    return HResultText(static_cast<std::int32_t>(code), buffer);
}

std::string ReportOf(std::uint32_t error, const char* detail = nullptr)
{
    w32::SetLastError(error, detail);
    testing::internal::CaptureStdout();
    ReportLastWin32Error();
    return testing::internal::GetCapturedStdout();
}

TEST(HResultText, FixedCodesCarryTheGenericPrefix)
{
    EXPECT_EQ(Text(0x80070005), "[GENERIC]: General access denied.");
    EXPECT_EQ(Text(0x8000000A), "[GENERIC]: Data is yet available, operation pending.");
    EXPECT_EQ(Text(0x8000FFFF), "[GENERIC]: Unexpected.");
    EXPECT_EQ(Text(0x80070057), "[GENERIC]: One or more arguments are invalid.");
}

TEST(HResultText, OtherCodesNameTheirFacilityAndFallBackToTheNumber)
{
    EXPECT_EQ(Text(0x80010001), "[RPC]:  0x80010001.");
    EXPECT_EQ(Text(0x80230005), "[METADIRECTORY]:  0x80230005.");  // facility 35
    EXPECT_EQ(Text(0x80050001), "[UNKNOWN]:  0x80050001.");        // 5 is not in the table
    EXPECT_EQ(Text(0xFFFF0000), "[UNKNOWN]:  0xFFFF0000.");        // facility masked to 0x1FFF
    EXPECT_EQ(Text(0x00000001), "[GENERIC]:  0x00000001.");
}

TEST(HResultText, Win32FacilityUsesTheSystemTextOrTheNumber)
{
    EXPECT_EQ(Text(0x80070002), std::string("[WIN32]: ") + std::strerror(2));
    EXPECT_EQ(Text(0x8007FFF0), "[WIN32]:  0x8007FFF0.");  // no system text for it
}

TEST(ReportLastWin32Error, PrintsAndClearsThePendingError)
{
    EXPECT_EQ(ReportOf(5), "\n  Win32 error occurred: [GENERIC]: General access denied.\n");
    EXPECT_EQ(w32::GetLastError(), 0u);
    EXPECT_EQ(ReportOf(2), "\n  Win32 error occurred: [WIN32]: No such file or directory\n");
    // Values that are negative as signed are HRESULTs already.
    EXPECT_EQ(ReportOf(0x80004005), "\n  Win32 error occurred: [GENERIC]: Unspecified error.\n");
    EXPECT_EQ(ReportOf(19, "SDL: no display"),
              "\n  Win32 error occurred: [WIN32]: No such device\n  (SDL: no display)\n");
}

TEST(ReportLastWin32Error, NothingPendingPrintsNothing)
{
    w32::SetLastError(0);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(ReportLastWin32Error());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(ReportFailure, PrintsFunctionLineAndFileAfterTheLastBackslash)
{
    testing::internal::CaptureStdout();
    ReportFailure("d:\\src\\wglh\\wglhelper.cpp", 57, "wglh::CwglWnd::InitGL");
    ReportFailure("w32/wnd_app", 102, "w32::CWndBase::SetupAfterCreation");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "  [wglh::CwglWnd::InitGL] L57:wglhelper.cpp\n"
              "  [w32::CWndBase::SetupAfterCreation] L102:w32/wnd_app\n");
}

// A heap over a fixed pool: hands out pool + offset, fails on demand.
struct FakeHeap {
    alignas(64) static inline unsigned char pool[1 << 21];
    static inline std::size_t offset = 0;
    static inline int failures = 0;  // how many of the next requests fail
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
        ++prompts;
        promptText = text;
        promptCaption = caption;
        if (answer == w32::ARI_RETRY && prompts > 1)
            return w32::ARI_IGNORE;  // retry once only
        return answer;
    }
};

class AlignedBlockTest : public testing::Test {
protected:
    void SetUp() override
    {
        FakeHeap::offset = 0;
        FakeHeap::failures = 0;
        FakeHeap::requests.clear();
        FakeHeap::freed.clear();
        FakeHeap::prompts = 0;
        FakeHeap::answer = w32::ARI_IGNORE;
        w32::SetHeap(&FakeHeap::Allocate, &FakeHeap::Release);
        w32::SetOutOfMemoryPrompt(&FakeHeap::Prompt);
    }
    void TearDown() override
    {
        w32::SetHeap(nullptr, nullptr);
        w32::SetOutOfMemoryPrompt(nullptr);
    }
};

TEST_F(AlignedBlockTest, StartMovesUpTo32WithTheDistanceInFront)
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
    EXPECT_EQ(FakeHeap::freed, (std::vector<void*>{FakeHeap::pool, FakeHeap::pool + 4097}));
}

TEST_F(AlignedBlockTest, DamagedGuardByteIsReportedAndNotFreed)
{
    auto* start = static_cast<unsigned char*>(AlignedBlock::Allocate(16));
    start[-1] = 0;
    testing::internal::CaptureStdout();
    AlignedBlock::Release(start);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("Abnormal block at 0x", 0), 0u) << out;
    EXPECT_NE(out.find(", Low boundry was overwritten.\n"), std::string::npos) << out;
    start[-1] = 33;
    testing::internal::CaptureStdout();
    AlignedBlock::Release(start);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(FakeHeap::freed.empty());
    AlignedBlock::Release(nullptr);
    EXPECT_TRUE(FakeHeap::freed.empty());
}

TEST_F(AlignedBlockTest, FailedAllocationAsksAndRetries)
{
    FakeHeap::failures = 1;
    FakeHeap::answer = w32::ARI_RETRY;
    testing::internal::CaptureStdout();
    void* start = AlignedBlock::Allocate(24);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\n\nOut of memory: Failed to allocate 0KB memory block!\a\n");
    EXPECT_NE(start, nullptr);
    EXPECT_EQ(FakeHeap::prompts, 1);
    EXPECT_EQ(FakeHeap::promptCaption, "Out of memory");
    EXPECT_EQ(FakeHeap::promptText,
              "Failed to allocate 0KB memory block!\r\n\r\n Abort: Launch debugger\r\n"
              " Retry: Try allocation again\r\n Ignore: Stop allocation");
}

TEST_F(AlignedBlockTest, GivingUpReturnsNullWithTheSizeInKilobytes)
{
    for (int answer : {int(w32::ARI_IGNORE), int(w32::ARI_ABORT), -1}) {
        FakeHeap::failures = 1;
        FakeHeap::prompts = 0;
        FakeHeap::answer = answer;
        testing::internal::CaptureStdout();
        EXPECT_EQ(AlignedBlock::Allocate(1 << 20), nullptr) << answer;
        EXPECT_NE(testing::internal::GetCapturedStdout().find("Failed to allocate 1024KB memory block!"),
                  std::string::npos);
        EXPECT_EQ(FakeHeap::prompts, 1);
    }
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
    EXPECT_TRUE(AlignedBlock::Reserve(start, capacity, 16));  // fits: no new block
    EXPECT_EQ(FakeHeap::requests.size(), 1u);

    FakeHeap::offset = 4096;
    ASSERT_TRUE(AlignedBlock::Reserve(start, capacity, 20));
    EXPECT_EQ(capacity, 32u);
    EXPECT_STREQ(start, "keep me");

    // The doubled size fails: a quiet report, then the exact size succeeds.
    FakeHeap::offset = 8192;
    FakeHeap::failures = 1;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(AlignedBlock::Reserve(start, capacity, 40));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\n\nOut of memory: Failed to allocate 0KB memory block!\a\n");
    EXPECT_EQ(capacity, 40u);
    EXPECT_EQ(FakeHeap::prompts, 0);
    EXPECT_STREQ(start, "keep me");

    // Both fail and the user gives up: the old block stays.
    char* before = start;
    FakeHeap::failures = 2;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(AlignedBlock::Reserve(start, capacity, 100));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(start, before);
    EXPECT_EQ(capacity, 40u);
    EXPECT_EQ(FakeHeap::prompts, 1);
}

}  // namespace
