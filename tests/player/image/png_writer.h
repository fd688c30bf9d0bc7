#pragma once
// Writes PNG fixtures of any colour type and depth with libpng's writer.

#include <string>
#include <vector>

struct PngFixture {
    int width = 0;
    int height = 0;
    int colourType = 0; // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<unsigned char> rows;    // packed rows as stored in the file, top row first
    std::vector<unsigned char> palette; // r, g, b per entry
    std::vector<unsigned char> paletteAlpha;
    bool hasTransparentColour = false;
    unsigned short transparent[3] = {0, 0, 0}; // grey in [0], or red, green, blue
};

// Samples from a fixed seed, every byte of the image data used.
PngFixture makePngFixture(int colourType, int bitDepth, bool interlaced, bool withTrns);

bool writePngFile(const std::string& path, const PngFixture& fixture);
