// make_icons <output dir>: writes the hicolor icon tree of both programs,
// <dir>/scalable/apps/<name>.svg and <dir>/<n>x<n>/apps/<name>.png.
#include "tools/icons/icon_art.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons <output dir>\n");
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    const struct {
        const char* name;
        icons::Icon icon;
    } programs[] = {{"quillforge", icons::quillforgeIcon()}, {"scenewalk", icons::scenewalkIcon()}};
    for (const auto& program : programs) {
        std::error_code ec;
        const auto svgDir = root / "scalable" / "apps";
        std::filesystem::create_directories(svgDir, ec);
        std::ofstream svg(svgDir / (std::string(program.name) + ".svg"), std::ios::trunc);
        svg << icons::toSvg(program.icon);
        if (!svg) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", (svgDir / program.name).c_str());
            return 1;
        }
        for (int size : {48, 128, 256}) {
            const auto dir = root / (std::to_string(size) + "x" + std::to_string(size)) / "apps";
            std::filesystem::create_directories(dir, ec);
            const auto path = dir / (std::string(program.name) + ".png");
            if (!icons::writePng(path.string(), icons::rasterise(program.icon, size), size)) {
                std::fprintf(stderr, "make_icons: cannot write %s\n", path.c_str());
                return 1;
            }
        }
    }
    return 0;
}
