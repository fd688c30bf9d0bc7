// Framework diagnostics: 32-byte aligned heap blocks with a guard byte and an
// interactive out-of-memory retry, readable texts for HRESULT-style error
// codes, and the two routines that print a pending error and the location of
// a failed platform call. Output goes to standard output.
#pragma once

#include <cstddef>
#include <cstdint>

// Error texts are built in buffers of this many characters.
inline constexpr std::size_t kErrorTextSize = 260;

struct AlignedBlock {
    // A block of at least `size` bytes, 32-byte aligned. On failure the user
    // is asked Abort/Retry/Ignore; null once they give up.
    static void* Allocate(std::size_t size);
    // The same without any report; null on failure.
    static void* TryAllocate(std::size_t size);
    // Frees a block from Allocate; null is ignored. A damaged guard byte is
    // reported and the block is left allocated.
    static void Release(void* start);
    // Grows (start, capacity) to hold `needed` bytes, keeping the old
    // contents: first to max(needed, 16, 2 x capacity), then, after a quiet
    // report, to exactly `needed` through Allocate. False leaves both as they were.
    static bool Reserve(char*& start, std::size_t& capacity, std::size_t needed);
};

// Writes the text for `code` into `buffer` (kErrorTextSize characters) and
// returns it. Never fails.
char* HResultText(std::int32_t code, char* buffer);

// Prints the pending last error, if any, and clears it. True when one was printed.
bool ReportLastWin32Error();

// Prints "  [function] L<line>:<file after its last backslash>".
void ReportFailure(const char* file, int line, const char* function);

namespace w32 {

// The last error of the calling thread, as the platform layer records it
// (errno values; 0 is none). `detail` is an optional line of the backend's
// own explanation, printed under the error text.
std::uint32_t GetLastError();
void SetLastError(std::uint32_t code, const char* detail = nullptr);

// Seams for tests: the raw heap and the out-of-memory question. Null
// restores malloc/free and the native Abort/Retry/Ignore box.
using HeapAllocFn = void* (*)(std::size_t);
using HeapFreeFn = void (*)(void*);
void SetHeap(HeapAllocFn allocate, HeapFreeFn release);
using OutOfMemoryPromptFn = int (*)(const char* text, const char* caption); // AbortRetryIgnore or -1
void SetOutOfMemoryPrompt(OutOfMemoryPromptFn prompt);

} // namespace w32
