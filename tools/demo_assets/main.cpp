// Writes the bundled story root: the templates, the next-frame marker, the
// start-up file and the demo mod. Music is written as "<name>.mp3.wav" for
// generate.sh to encode with lame; everything else is final.
//
// Usage: demo_assets STORY_DIR

#include "document/story_folder.h"
#include "document/xml_binding.h"
#include "tools/demo_assets/demo_story.h"
#include "tools/demo_assets/figures.h"
#include "tools/demo_assets/music.h"
#include "tools/demo_assets/scenery.h"

#include <opencv2/imgcodecs.hpp>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

bool ok = true;

void check(bool written, const std::string& path)
{
    if (!written) {
        std::fprintf(stderr, "demo_assets: could not write %s\n", path.c_str());
        ok = false;
    }
}

void picture(const std::string& path, const cv::Mat& image)
{
    const bool jpeg = path.size() > 4 && path.compare(path.size() - 4, 4, ".jpg") == 0;
    std::vector<int> options;
    if (jpeg)
        options = {cv::IMWRITE_JPEG_QUALITY, 88};
    else
        options = {cv::IMWRITE_PNG_COMPRESSION, 9};
    check(cv::imwrite(path, image, options), path);
}

void sound(const std::string& path, const Track& track)
{
    check(writeWav(path, track), path);
}

void music(const std::string& mp3Path, const Track& track)
{
    sound(mp3Path + ".wav", track);
}

void story(const std::string& path, const StoryRecords& records)
{
    check(saveTree(*storyTree(records), path), path);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s STORY_DIR\n", argv[0]);
        return 2;
    }
    const std::string root = std::string(argv[1]) + "/";
    const std::string mod = root + kDemoModName + "/";
    for (const char* dir : {"", "bg", "bgm", "sound", "character", "character/Mei", "character/Bo"})
        std::filesystem::create_directories(mod + dir);

    // Templates copied into every new mod, and the player's marker.
    picture(root + "defaultBg.jpg", paintDefaultBg());
    picture(root + "defaultPhoto.png", paintDefaultPhoto());
    picture(root + "content.png", paintSpeechBox());
    picture(root + "contentN.png", paintNarrationBox());
    picture(root + "next.png", paintNextMarker());
    sound(root + "defaultSound.wav", defaultSound());
    music(root + "defaultBgm.mp3", defaultMusic());
    story(root + "script.xml", templateStory());
    check(writeStartupMod(kDemoModName, root + "startup.txt"), root + "startup.txt");

    // The demo mod carries its own copies of the templates, as a mod the editor creates would.
    for (const char* name : {"content.png", "contentN.png", "defaultBg.jpg", "defaultPhoto.png", "defaultSound.wav"})
        std::filesystem::copy_file(root + name, mod + name, std::filesystem::copy_options::overwrite_existing);
    music(mod + "defaultBgm.mp3", defaultMusic());
    picture(mod + "bg/meadow.jpg", paintMeadow());
    picture(mod + "bg/dusk.jpg", paintDusk());
    picture(mod + "bg/night.jpg", paintNight());
    picture(mod + "bg/lanterns.jpg", paintLanterns());
    picture(mod + "character/Mei/smile.png", paintMei(MeiMood::Smile));
    picture(mod + "character/Mei/worried.png", paintMei(MeiMood::Worried));
    picture(mod + "character/Mei/surprised.png", paintMei(MeiMood::Surprised));
    picture(mod + "character/Bo/calm.png", paintBo(BoMood::Calm));
    picture(mod + "character/Bo/laugh.png", paintBo(BoMood::Laugh));
    sound(mod + "sound/chime.wav", chimeSound());
    sound(mod + "sound/wind.wav", windSound());
    sound(mod + "sound/knock.wav", knockSound());
    music(mod + "bgm/daylight.mp3", daylightMusic());
    music(mod + "bgm/moonlit.mp3", moonlitMusic());

    StoryRecords demo;
    if (!demoStory(demo)) {
        std::fprintf(stderr, "demo_assets: a sentence has no GB 2312 form\n");
        return 1;
    }
    story(mod + "script.xml", demo);
    return ok ? 0 : 1;
}
