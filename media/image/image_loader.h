#pragma once
// Picture file decoders shared by the editor and the player.
//
// Every loader returns a newly allocated 8-bit cv::Mat owned by the caller.
// An empty Mat means "no picture". Nothing is reported to the user: a file
// that cannot be read simply gives no picture. Paths may use "\" or "/" as
// separators; "\" is mapped to "/" right before the file is opened.
//
// Picture files are untrusted: each is read whole into memory only when it is
// a regular file of at most kMaxPictureFileBytes (media/story_file.h), and
// decoded only when checkPicture (media/image/picture_check.h) accepts it.

#include <cstddef>
#include <string>

#include <span>

#include <opencv2/core.hpp>

#include "media/image/picture_check.h"

// Largest picture any loader accepts: 64 Mi pixels (8192 x 8192), 256 MiB as
// RGBA. Headers announcing more are refused instead of allocating for them.
inline constexpr std::size_t kMaxImagePixels = std::size_t{1} << 26;

// The text after the last "." of the path, or the whole path when it has none.
std::string imageExtension(const std::string& path);

// True when the picture goes through loadPngImage: the extension is exactly
// "png" or "PNG" ("Png" and "png2" go to loadOtherImage).
bool isPngPath(const std::string& path);
// True when the picture goes through readTgaFile: the extension is exactly
// "tga" or "TGA".
bool isTgaPath(const std::string& path);

// A picture with deeper samples as 8 bits per channel: 16-bit samples scaled
// by 1/257, float ones from 0..1; 8-bit pictures come back unchanged.
cv::Mat toEightBit(cv::Mat picture);

// Any PNG (palette, grey 1-16 bit, grey+alpha, RGB, RGBA, 16-bit, interlaced,
// tRNS) as CV_8UC4 in red, green, blue, alpha order, bottom row first,
// whatever the path's extension. Never "none": an unreadable, truncated or
// corrupt file, or one that is no PNG, gives a 0 x 0 CV_8UC4 picture.
cv::Mat loadPngImage(const std::string& path);

// A TGA file (extension exactly "tga" or "TGA") through readTgaFile, any other
// PNG, JPEG or BMP file through OpenCV's decoder of that format keeping the
// file's channel count: top row first, blue, green, red (alpha last). Samples
// deeper than 8 bits are scaled to 8 bits. A missing, truncated or
// undecodable file, any other format, or a picture of more than
// kMaxImagePixels, gives an empty Mat.
cv::Mat loadOtherImage(const std::string& path);

// An uncompressed true-colour TGA (type 2, no ID field, no colour map, zero
// origin) with 8, 16, 24 or 32 bits per pixel: channels = bits / 8, rows in
// file order (the descriptor is ignored), bytes 0 and 2 of each pixel
// exchanged when the pixel has at least 3. Any other header, or more than
// kMaxImagePixels, gives an empty Mat. A file shorter than its header announces
// still gives the announced size: every byte it does not hold is 0.
cv::Mat readTgaFile(const std::string& path);

// The picture in bytes, which checkPicture accepted as format (PNG, JPEG or
// BMP; anything else gives an empty Mat), through OpenCV's decoder of that
// format with imread's flags (IMREAD_LOAD_GDAL is ignored).
cv::Mat decodeCheckedPicture(PictureFormat format, std::span<const unsigned char> bytes, int flags);

// What cv::imread of path gives for a PNG, JPEG or BMP file that
// checkPicture accepts (so a "png"/"PNG" path must hold a PNG, and a TGA is
// refused: OpenCV has no TGA decoder); an empty Mat for anything else. For
// code that reads pictures with OpenCV's flags; the path is handed to the
// file system unchanged.
cv::Mat readWithOpenCv(const std::string& path, int flags);
