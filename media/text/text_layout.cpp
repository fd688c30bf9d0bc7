#include "media/text/text_layout.h"

#include "media/text/glyph_record.h"

std::vector<LabelLine> labelLines(std::string_view text, float progress, int lineWidth, int y)
{
    std::vector<LabelLine> lines;
    const std::size_t n = text.size();
    float shown = static_cast<float>(n) * progress;
    if (shown > static_cast<float>(n)) shown = static_cast<float>(n); // never past the text
    std::size_t start = 0;
    int lineY = y;
    const auto width = static_cast<std::size_t>(lineWidth > 0 ? lineWidth : 1);
    while (shown > static_cast<float>(start + width)) {
        std::size_t i = start;
        while (i < start + width) {
            const auto c = static_cast<unsigned char>(text[i]);
            i += (c != 0 && !glyph::isLeadByte(c)) ? 1 : 2;
        }
        // A double-byte character across the line end stays whole on this line.
        const std::size_t length = i > start + width ? width + 1 : width;
        lines.push_back({start, length, lineY});
        start += length;
        lineY -= text_layout::kLineStep;
    }
    const float rest = shown - static_cast<float>(start);
    std::size_t restLength = rest > 0.0f ? static_cast<std::size_t>(rest) : 0;
    if (start + restLength > n) restLength = start < n ? n - start : 0;
    lines.push_back({start, restLength, lineY});
    return lines;
}
