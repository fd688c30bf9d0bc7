// The plug-in itself: a thin entry around cv::imdecode.
#include "media/image/codec_plugin.h"

#include <opencv2/imgcodecs.hpp>

extern "C" __attribute__((visibility("default"))) bool qsOpenCvDecode(const unsigned char* bytes, std::size_t size,
                                                                      int flags, cv::Mat* out)
{
    try {
        const cv::Mat buffer(1, static_cast<int>(size), CV_8UC1, const_cast<unsigned char*>(bytes));
        *out = cv::imdecode(buffer, flags);
        return true;
    } catch (...) {
        return false;
    }
}
