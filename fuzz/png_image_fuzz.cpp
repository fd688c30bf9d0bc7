// Any bytes as a .png file: never "no picture", always 8-bit RGBA, a damaged
// file gives 0 x 0, and no header gets more than the loaders' pixel limit.
#include "fuzz/fuzz_file.h"

#include "media/image/image_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const FuzzFolder folder;
    const std::string file = folder.write("picture.png", data, size);

    const cv::Mat picture = loadPngImage(file);
    if (picture.type() != CV_8UC4)
        fuzzFailure("the PNG loader gave something other than 8-bit RGBA");
    if (static_cast<std::size_t>(picture.rows) * picture.cols > kMaxImagePixels)
        fuzzFailure("the PNG loader went past the pixel limit");
    if (picture.empty() != (picture.rows == 0 && picture.cols == 0))
        fuzzFailure("an unreadable PNG is not 0 x 0");
    if (!picture.empty() && checkPicture(file, {data, size}) != PictureFormat::Png)
        fuzzFailure("the PNG loader decoded bytes that checkPicture refused");
    // Touch every byte, so a row left unwritten shows up under MemorySanitizer
    // and a short buffer under AddressSanitizer.
    unsigned sum = 0;
    for (int r = 0; r < picture.rows; ++r)
        for (int c = 0; c < picture.cols * 4; ++c)
            sum += picture.ptr(r)[c];
    fuzzSink = sum;
    return 0;
}
