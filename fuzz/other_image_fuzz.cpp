// Any bytes as a picture of another kind: no picture, or an 8-bit picture of
// 1 to 4 channels within the loaders' pixel limit, and only from bytes that
// checkPicture let through as PNG, JPEG or BMP, with that format's signature.
#include "fuzz/fuzz_file.h"

#include "media/image/image_loader.h"
#include "media/image/picture_check.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const FuzzFolder folder;
    const std::string file = folder.write("picture.img", data, size);

    const cv::Mat picture = loadOtherImage(file);
    const PictureFormat format = checkPicture(file, {data, size});
    if (format == PictureFormat::Tga)
        fuzzFailure("a TGA was accepted for a name that is not .tga");
    const char* signature = format == PictureFormat::Png ? "\x89PNG" : format == PictureFormat::Jpeg ? "\xFF\xD8\xFF" : "BM";
    if (format != PictureFormat::None && (size < std::strlen(signature) || std::memcmp(data, signature, std::strlen(signature)) != 0))
        fuzzFailure("checkPicture accepted bytes without the format's signature");
    if (picture.empty())
        return 0;
    if (format == PictureFormat::None)
        fuzzFailure("the generic loader decoded bytes that checkPicture refused");
    if (picture.depth() != CV_8U || picture.channels() < 1 || picture.channels() > 4)
        fuzzFailure("the generic loader gave something other than 8-bit 1 to 4 channels");
    if (static_cast<std::size_t>(picture.rows) * picture.cols > kMaxImagePixels)
        fuzzFailure("the generic loader went past the pixel limit");
    unsigned sum = 0;
    for (int r = 0; r < picture.rows; ++r)
        for (std::size_t c = 0; c < picture.cols * picture.elemSize(); ++c)
            sum += picture.ptr(r)[c];
    fuzzSink = sum;
    return 0;
}
