// Any bytes as a picture of another kind (JPEG, BMP, PNM, TIFF, WebP ...,
// recognised by content through OpenCV): no picture, or an 8-bit picture of
// 1 to 4 channels within the loaders' pixel limit.
#include "fuzz/fuzz_file.h"

#include "media/image/image_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const FuzzFolder folder;
    const std::string file = folder.write("picture.img", data, size);

    const cv::Mat picture = loadOtherImage(file);
    if (picture.empty())
        return 0;
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
