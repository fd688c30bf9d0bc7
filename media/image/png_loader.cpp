// PNG decoding on libpng's classic interface, so that every colour type and
// depth can be brought to 8-bit RGBA with libpng's own transforms.
//
// libpng reports errors by longjmp. The two functions that call into libpng
// while a setjmp frame is armed hold no C++ object with a destructor, and the
// frames between libpng and them are libpng's own C frames, so a longjmp never
// skips a destructor. The Mat and row table live in loadPngImage, above them.

#include "media/image/image_loader.h"
#include "media/path.h"
#include "media/story_file.h"

#include "media/image/png_source.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>
#include <vector>

namespace {

struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
};

// Reads the header and arranges the transforms to 8-bit RGBA.
bool readPngHeader(PngReader* r, png_source::PngSource* source)
{
    if (setjmp(png_jmpbuf(r->png))) return false;
    png_set_read_fn(r->png, source, png_source::readFromSource);
    png_set_user_limits(r->png, 0x7fffffffu, 0x7fffffffu);
    png_read_info(r->png, r->info);

    const png_uint_32 width = png_get_image_width(r->png, r->info);
    const png_uint_32 height = png_get_image_height(r->png, r->info);
    if (width == 0 || height == 0) return false;
    if (static_cast<unsigned long long>(width) * height > kMaxImagePixels) return false;

    const int colourType = png_get_color_type(r->png, r->info);
    const int bitDepth = png_get_bit_depth(r->png, r->info);
    const bool hasTrns = png_get_valid(r->png, r->info, PNG_INFO_tRNS) != 0;

    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(r->png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(r->png);
    if (hasTrns) png_set_tRNS_to_alpha(r->png);
    // Rounds to the nearest 8-bit value instead of dropping the low byte.
    if (bitDepth == 16) png_set_scale_16(r->png);
    if ((colourType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(r->png);
    if ((colourType & PNG_COLOR_MASK_ALPHA) == 0 && !hasTrns) png_set_add_alpha(r->png, 0xff, PNG_FILLER_AFTER);
    png_set_interlace_handling(r->png);
    png_read_update_info(r->png, r->info);

    if (png_get_rowbytes(r->png, r->info) != static_cast<png_size_t>(width) * 4) return false;
    r->width = width;
    r->height = height;
    return true;
}

// Decodes every row (all passes of an interlaced file) and the chunks after
// the image data, so a truncated or damaged file fails as a whole.
bool readPngRows(PngReader* r, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(r->png))) return false;
    png_read_image(r->png, rows);
    png_read_end(r->png, nullptr);
    return true;
}

cv::Mat decodeBytes(std::span<const unsigned char> bytes)
{
    png_source::PngSource source{bytes};
    PngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_source::onError, png_source::onWarning);
    if (reader.png == nullptr) return {};
    reader.info = png_create_info_struct(reader.png);
    if (reader.info == nullptr) {
        png_destroy_read_struct(&reader.png, nullptr, nullptr);
        return {};
    }

    cv::Mat picture;
    if (readPngHeader(&reader, &source)) {
        try {
            cv::Mat rgba(static_cast<int>(reader.height), static_cast<int>(reader.width), CV_8UC4);
            std::vector<png_bytep> rows(reader.height);
            // The picture's first row is the image's bottom row.
            for (png_uint_32 i = 0; i < reader.height; ++i) rows[i] = rgba.ptr(static_cast<int>(reader.height - 1 - i));
            if (readPngRows(&reader, rows.data())) picture = rgba;
        } catch (...) {
            picture.release();
        }
    }
    png_destroy_read_struct(&reader.png, &reader.info, nullptr);
    return picture;
}

} // namespace

cv::Mat loadPngImage(const std::string& path)
{
    cv::Mat picture;
    const auto bytes = readStoryFile(toFsPath(path), kMaxPictureFileBytes);
    if (bytes && isAcceptablePicture(PictureFormat::Png, *bytes)) picture = decodeBytes(*bytes);
    if (picture.empty()) return cv::Mat(0, 0, CV_8UC4);
    return picture;
}
