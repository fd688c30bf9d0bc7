#pragma once
// What both PNG decoders give libpng: bytes read whole beforehand to pull
// from, and handlers that keep it silent. Private to media/image.

#include <png.h>

#include <cstddef>
#include <cstring>
#include <span>

namespace png_source {

struct PngSource {
    std::span<const unsigned char> bytes;
    std::size_t at = 0;
};

inline void readFromSource(png_structp png, png_bytep out, png_size_t count)
{
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->bytes.size() - source->at) png_error(png, "file ends early");
    std::memcpy(out, source->bytes.data() + source->at, count);
    source->at += count;
}

// Decoders stay silent: a failure is an empty picture, not a message.
[[noreturn]] inline void onError(png_structp png, png_const_charp /*message*/)
{
    png_longjmp(png, 1);
}

inline void onWarning(png_structp /*png*/, png_const_charp /*message*/) {}

} // namespace png_source
