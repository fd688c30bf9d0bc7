#include "w32/diagnostics.h"

#include "w32/native.h"

#include <algorithm>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

constexpr std::size_t kAlignment = 32;

thread_local std::uint32_t lastError = 0;
thread_local std::string lastErrorDetail;

w32::HeapAllocFn heapAllocate = nullptr;
w32::HeapFreeFn heapRelease = nullptr;
w32::OutOfMemoryPromptFn outOfMemoryPrompt = nullptr;

void* RawAllocate(std::size_t n)
{
    return heapAllocate ? heapAllocate(n) : std::malloc(n);
}
void RawRelease(void* p)
{
    heapRelease ? heapRelease(p) : std::free(p);
}

// Total bytes taken from the heap for a request, saturating instead of wrapping.
std::size_t HeapBytes(std::size_t size)
{
    return size > SIZE_MAX - kAlignment ? SIZE_MAX : size + kAlignment;
}

std::size_t KiloBytes(std::size_t size)
{
    std::size_t total = HeapBytes(size);
    return total > SIZE_MAX - 9 ? SIZE_MAX / 1024 : (total + 9) / 1024;
}

void PrintOutOfMemory(std::size_t size)
{
    std::printf("\n\nOut of memory: Failed to allocate %zuKB memory block!\a\n", KiloBytes(size));
    std::fflush(stdout);
}

bool DebuggerAttached()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("TracerPid:", 0) == 0) return std::strtol(line.c_str() + 10, nullptr, 10) != 0;
    }
    return false;
}

// Prints the report and asks; true means try again.
bool AskAfterOutOfMemory(std::size_t size)
{
    PrintOutOfMemory(size);
    char text[200];
    std::snprintf(text, sizeof text,
                  "Failed to allocate %zuKB memory block!\r\n\r\n Abort: Launch debugger\r\n"
                  " Retry: Try allocation again\r\n Ignore: Stop allocation",
                  KiloBytes(size));
    int choice =
        outOfMemoryPrompt ? outOfMemoryPrompt(text, "Out of memory") : w32::ShowAbortRetryIgnore(text, "Out of memory");
    if (choice == w32::ARI_RETRY) return true;
    // Breaking without a debugger would kill the process, so Abort then only gives up.
    if (choice == w32::ARI_ABORT && DebuggerAttached()) std::raise(SIGTRAP);
    return false; // Abort, Ignore, or no box could be shown
}

struct FacilityName {
    int facility;
    const char* name;
};
constexpr FacilityName kFacilities[] = {
    {0, "GENERIC"},
    {1, "RPC"},
    {2, "DISPATCH"},
    {3, "STORAGE"},
    {4, "COM"},
    {7, "WIN32"},
    {8, "WINDOWS"},
    {9, "SECURITY"},
    {10, "CONTROL"},
    {11, "CERT"},
    {12, "INTERNET"},
    {13, "MEDIASERVER"},
    {14, "MSMQ"},
    {15, "SETUPAPI"},
    {16, "SCARD"},
    {17, "COMPLUS"},
    {18, "AAF"},
    {19, "URT"},
    {20, "ACS"},
    {21, "DPLAY"},
    {22, "UMI"},
    {23, "SXS"},
    {24, "WINDOWS_CE"},
    {25, "HTTP"},
    {32, "BACKGROUNDCOPY"},
    {33, "CONFIGURATION"},
    {34, "STATE_MANAGEMENT"},
    {35, "METADIRECTORY"},
};

const char* FixedText(std::uint32_t code)
{
    switch (code) {
    case 0x8000000Au: return "%sData is yet available, operation pending.";
    case 0x80004001u: return "%sNot implemented.";
    case 0x80004002u: return "%sNo such interface supported.";
    case 0x80004003u: return "%sInvalid pointer.";
    case 0x80004004u: return "%sOperation aborted.";
    case 0x80004005u: return "%sUnspecified error.";
    case 0x8000FFFFu: return "%sUnexpected.";
    case 0x80070005u: return "%sGeneral access denied.";
    case 0x80070006u: return "%sInvalid handle.";
    case 0x80070057u: return "%sOne or more arguments are invalid.";
    default: return nullptr;
    }
}

} // namespace

void* AlignedBlock::TryAllocate(std::size_t size)
{
    if (size > SIZE_MAX - kAlignment) return nullptr;
    auto* raw = static_cast<unsigned char*>(RawAllocate(size + kAlignment));
    if (!raw) return nullptr;
    // Always move by 1..32 so the distance byte fits in front of the start.
    std::size_t distance = kAlignment - reinterpret_cast<std::uintptr_t>(raw) % kAlignment;
    unsigned char* start = raw + distance;
    start[-1] = static_cast<unsigned char>(distance);
    return start;
}

void* AlignedBlock::Allocate(std::size_t size)
{
    for (;;) {
        if (void* start = TryAllocate(size)) return start;
        if (!AskAfterOutOfMemory(size)) return nullptr;
    }
}

void AlignedBlock::Release(void* start)
{
    if (!start) return;
    auto* bytes = static_cast<unsigned char*>(start);
    unsigned distance = bytes[-1];
    if (distance >= 1 && distance <= kAlignment) {
        RawRelease(bytes - distance);
        return;
    }
    std::printf("Abnormal block at 0x%08" PRIxPTR, reinterpret_cast<std::uintptr_t>(start));
    std::printf(", Low boundry was overwritten.\n");
    std::fflush(stdout);
}

bool AlignedBlock::Reserve(char*& start, std::size_t& capacity, std::size_t needed)
{
    if (start && needed <= capacity) return true;
    std::size_t doubled = capacity > SIZE_MAX / 2 ? SIZE_MAX : capacity * 2;
    std::size_t preferred = std::max({needed, std::size_t{16}, doubled});
    std::size_t got = preferred;
    void* block = TryAllocate(preferred);
    if (!block) {
        PrintOutOfMemory(preferred);
        block = Allocate(needed);
        got = needed;
        if (!block) return false;
    }
    if (start) {
        std::memcpy(block, start, std::min(capacity, got));
        Release(start);
    }
    start = static_cast<char*>(block);
    capacity = got;
    return true;
}

char* HResultText(std::int32_t code, char* buffer)
{
    const auto ucode = static_cast<std::uint32_t>(code);
    if (const char* fixed = FixedText(ucode)) {
        std::snprintf(buffer, kErrorTextSize, fixed, "[GENERIC]: ");
        return buffer;
    }
    const int facility = (code >> 16) & 0x1FFF;
    const char* name = "UNKNOWN";
    for (const auto& f : kFacilities) {
        if (f.facility == facility) name = f.name;
    }
    int used = std::snprintf(buffer, kErrorTextSize, "[%s]: ", name);
    char* rest = buffer + used;
    const std::size_t room = kErrorTextSize - static_cast<std::size_t>(used);
    if (facility == 7) {
        // The system's message table here is the C library's error texts.
        if (const char* text = strerrordesc_np(static_cast<int>(ucode & 0xFFFF))) {
            std::snprintf(rest, room, "%s", text);
            for (char* p = rest; *p; ++p) {
                if (*p == '\r' || *p == '\n') *p = ' ';
            }
            return buffer;
        }
    }
    std::snprintf(rest, room, " 0x%08X.", ucode);
    return buffer;
}

bool ReportLastWin32Error()
{
    const std::uint32_t error = w32::GetLastError();
    if (error == 0) return false;
    const auto asSigned = static_cast<std::int32_t>(error);
    const std::int32_t code = asSigned <= 0 ? asSigned : static_cast<std::int32_t>((error & 0xFFFFu) | 0x80070000u);
    char text[kErrorTextSize];
    std::printf("\n  Win32 error occurred: %s\n", HResultText(code, text));
    if (!lastErrorDetail.empty()) std::printf("  (%s)\n", lastErrorDetail.c_str());
    std::fflush(stdout);
    w32::SetLastError(0);
    return true;
}

void ReportFailure(const char* file, int line, const char* function)
{
    const char* name = file ? file : "";
    if (const char* slash = std::strrchr(name, '\\')) name = slash + 1;
    std::printf("  [%s] L%d:%s\n", function ? function : "", line, name);
    std::fflush(stdout);
}

namespace w32 {

std::uint32_t GetLastError()
{
    return lastError;
}

void SetLastError(std::uint32_t code, const char* detail)
{
    lastError = code;
    lastErrorDetail = (code != 0 && detail) ? detail : "";
}

void SetHeap(HeapAllocFn allocate, HeapFreeFn release)
{
    heapAllocate = allocate;
    heapRelease = release;
}

void SetOutOfMemoryPrompt(OutOfMemoryPromptFn prompt)
{
    outOfMemoryPrompt = prompt;
}

} // namespace w32
