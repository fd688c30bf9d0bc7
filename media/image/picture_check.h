#pragma once
// Which decoder may see a picture file's bytes. Only the formats a story
// needs are decoded (PNG, JPEG, BMP and uncompressed TGA), each only when
// the leading bytes carry its signature and the header announces no more
// than kMaxImagePixels; everything else is refused before any decoder, so
// OpenCV never guesses a format from content and its other decoders (GDAL,
// DICOM, TIFF ...) are never reached.

#include <cstddef>
#include <span>
#include <string>

enum class PictureFormat { None, Png, Jpeg, Bmp, Tga };

// True when bytes carry format's signature and a well-formed header within
// the pixel limit. For JPEG also: the marker structure reaches the
// end-of-image marker (a truncated JPEG would decode half grey).
bool isAcceptablePicture(PictureFormat format, std::span<const unsigned char> bytes);

// The format the bytes of the picture file named path are decoded as, chosen
// by the extension as the loaders choose: "png"/"PNG" must be PNG, "tga"/"TGA"
// must be TGA, any other extension may be PNG, JPEG or BMP. None: refused.
PictureFormat checkPicture(const std::string& path, std::span<const unsigned char> bytes);
