// libpng reports errors by longjmp. The two functions that call into libpng
// while a setjmp frame is armed hold no C++ object with a destructor; the Mat
// and row table live in decodePng, above them.

#include "media/image/png_decoder.h"

#include "media/image/image_loader.h"

#include <opencv2/imgcodecs.hpp>
#include "media/image/png_source.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace {

struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_infop endInfo = nullptr;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int storedType = 0; // the Mat type OpenCV gives under IMREAD_UNCHANGED
};

bool readHeader(PngReader* r, png_source::PngSource* source)
{
    if (setjmp(png_jmpbuf(r->png))) return false;
    png_set_read_fn(r->png, source, png_source::readFromSource);
    png_read_info(r->png, r->info);
    r->width = png_get_image_width(r->png, r->info);
    r->height = png_get_image_height(r->png, r->info);
    r->bitDepth = png_get_bit_depth(r->png, r->info);
    r->colourType = png_get_color_type(r->png, r->info);
    int channels = 1;
    if (r->colourType == PNG_COLOR_TYPE_RGB || r->colourType == PNG_COLOR_TYPE_PALETTE) {
        png_bytep alpha = nullptr;
        int alphaCount = 0;
        png_color_16p colour = nullptr;
        png_get_tRNS(r->png, r->info, &alpha, &alphaCount, &colour);
        channels = alphaCount > 0 ? 4 : 3;
    } else if (r->colourType == PNG_COLOR_TYPE_GRAY_ALPHA || r->colourType == PNG_COLOR_TYPE_RGB_ALPHA) {
        channels = 4;
    }
    r->storedType = CV_MAKETYPE(r->bitDepth == 16 ? CV_16U : CV_8U, channels);
    return true;
}

// OpenCV's transforms for a picture of type, in OpenCV's order; then every row.
bool readRows(PngReader* r, int type, png_bytepp rows, std::size_t rowBytes)
{
    if (setjmp(png_jmpbuf(r->png))) return false;
    const int channels = CV_MAT_CN(type);
    const bool colour = channels > 1;
    if (CV_MAT_DEPTH(type) == CV_8U && r->bitDepth == 16)
        png_set_strip_16(r->png);
    else
        png_set_swap(r->png); // 16-bit samples in the machine's (little-endian) order
    if (channels < 4)
        png_set_strip_alpha(r->png);
    else
        png_set_tRNS_to_alpha(r->png);
    if (r->colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(r->png);
    if ((r->colourType & PNG_COLOR_MASK_COLOR) == 0 && r->bitDepth < 8) png_set_expand_gray_1_2_4_to_8(r->png);
    if ((r->colourType & PNG_COLOR_MASK_COLOR) != 0 && colour)
        png_set_bgr(r->png);
    else if (colour)
        png_set_gray_to_rgb(r->png);
    else
        png_set_rgb_to_gray(r->png, 1, 0.299, 0.587);
    png_set_interlace_handling(r->png);
    png_read_update_info(r->png, r->info);
    if (png_get_rowbytes(r->png, r->info) != rowBytes) return false;
    png_read_image(r->png, rows);
    png_read_end(r->png, r->endInfo);
    return true;
}

} // namespace

std::optional<cv::Mat> decodePng(std::span<const unsigned char> bytes, int flags)
{
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "png_set_swap stands for OpenCV's little-endian case");
    if (flags != cv::IMREAD_UNCHANGED && flags != cv::IMREAD_COLOR && flags != cv::IMREAD_GRAYSCALE)
        return std::nullopt;
    png_source::PngSource source{bytes};
    PngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_source::onError, png_source::onWarning);
    if (reader.png == nullptr) return std::nullopt;
    reader.info = png_create_info_struct(reader.png);
    reader.endInfo = png_create_info_struct(reader.png);

    std::optional<cv::Mat> result;
    if (reader.info != nullptr && reader.endInfo != nullptr && readHeader(&reader, &source) && reader.width > 0 &&
        reader.height > 0 && std::size_t{reader.width} * reader.height <= kMaxImagePixels) {
        int type = reader.storedType;
        if (flags != cv::IMREAD_UNCHANGED) type = flags == cv::IMREAD_COLOR ? CV_8UC3 : CV_8UC1;
        try {
            cv::Mat picture(static_cast<int>(reader.height), static_cast<int>(reader.width), type);
            std::vector<png_bytep> rows(reader.height);
            for (png_uint_32 i = 0; i < reader.height; ++i) rows[i] = picture.ptr(static_cast<int>(i));
            // OpenCV turns the picture by an eXIf orientation: left to it.
            if (readRows(&reader, type, rows.data(), picture.cols * picture.elemSize()) &&
                !png_get_valid(reader.png, reader.info, PNG_INFO_eXIf) &&
                !png_get_valid(reader.png, reader.endInfo, PNG_INFO_eXIf))
                result = picture;
        } catch (...) {
            result.reset();
        }
    }
    png_destroy_read_struct(&reader.png, &reader.info, &reader.endInfo);
    return result;
}
