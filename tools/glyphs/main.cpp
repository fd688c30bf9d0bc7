// make_glyphs <unifont.hex> <output 1.bin>: writes the player's glyph file.
#include "tools/glyphs/glyph_builder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_glyphs <unifont.hex> <output.bin>\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "make_glyphs: cannot open %s\n", argv[1]);
        return 1;
    }
    glyphs::GlyphMap font;
    int skipped = 0;
    if (!glyphs::readUnifontHex(in, font, skipped)) {
        std::fprintf(stderr, "make_glyphs: no glyphs in %s\n", argv[1]);
        return 1;
    }
    glyphs::Gb2312Decoder decoder;
    if (!decoder.ok()) {
        std::fprintf(stderr, "make_glyphs: iconv has no GB2312 conversion\n");
        return 1;
    }
    glyphs::BuildStats stats;
    const auto file = glyphs::buildGlyphFile(font, decoder, stats);

    // Write beside the target and rename, so a failed run never leaves half a file.
    const std::filesystem::path out(argv[2]);
    std::error_code ec;
    if (out.has_parent_path()) std::filesystem::create_directories(out.parent_path(), ec);
    const std::filesystem::path temp = out.string() + ".part";
    {
        std::ofstream os(temp, std::ios::binary | std::ios::trunc);
        os.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
        if (!os) {
            std::fprintf(stderr, "make_glyphs: cannot write %s\n", temp.c_str());
            return 1;
        }
    }
    std::filesystem::rename(temp, out, ec);
    if (ec) {
        std::fprintf(stderr, "make_glyphs: cannot rename to %s: %s\n", out.c_str(), ec.message().c_str());
        return 1;
    }
    std::printf("make_glyphs: %d GB 2312 characters, %d drawn, %d without a glyph, %d malformed lines\n",
                stats.characters, stats.drawn, stats.missing, skipped);
    return 0;
}
