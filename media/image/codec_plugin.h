#pragma once
// OpenCV's picture codecs live in a plug-in library loaded on first need:
// linking them would load GDAL, GDCM, poppler and the rest into every
// program at start-up, for decoders a story may never use.

#include <cstddef>

#include <opencv2/core.hpp>

// The plug-in's one entry: cv::imdecode of the bytes with flags into out.
// False when OpenCV threw.
extern "C" bool qsOpenCvDecode(const unsigned char* bytes, std::size_t size, int flags, cv::Mat* out);
using OpenCvDecodeFn = decltype(&qsOpenCvDecode);

// The file name of the plug-in, looked up next to the program, then in the
// build tree it came from.
inline constexpr const char* kCodecPluginName = "libqs_opencv_codecs.so";

// The plug-in's decode entry, loaded on the first call; null when the
// plug-in cannot be found or loaded (pictures it would decode are then none).
OpenCvDecodeFn openCvDecoder();
