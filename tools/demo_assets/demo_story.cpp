#include "tools/demo_assets/demo_story.h"

#include <iconv.h>

#include <cerrno>

bool toGb2312(const std::string& utf8, std::string& out)
{
    iconv_t cd = iconv_open("GB2312", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string in = utf8;
    std::string result(in.size() * 2 + 4, '\0');
    char* src = in.data();
    std::size_t srcLeft = in.size();
    char* dst = result.data();
    std::size_t dstLeft = result.size();
    const std::size_t done = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1) || srcLeft != 0) return false;
    result.resize(result.size() - dstLeft);
    out = result;
    return true;
}

StoryRecords templateStory()
{
    StoryRecords s;
    s.title = "NewStory";
    s.characters = {{"Hero", 1, {{"default", "//defaultPhoto.png"}}}};
    s.backgrounds = {"//defaultBg.jpg"};
    s.sounds = {"//defaultSound.wav"};
    s.musics = {"//defaultBgm.mp3"};
    Frame first;
    first.leftCharacter = 0;
    first.leftPhoto = 0;
    first.textCharacter = 1;
    first.sentence = "Once upon a time...";
    s.frames = {first};
    s.characterCount = 1;
    s.frameCount = 1;
    return s;
}

namespace {

enum Who { Mei = 0, Bo = 1, Nobody = -1 };
enum MeiPhoto { Smile = 0, Worried = 1, Surprised = 2 };
enum BoPhoto { Calm = 0, Laugh = 1 };
enum Speaker { Narration = 0, Left = 1, Right = 2 };
enum Background { Meadow, Dusk, Night, Lanterns };
enum Music { Daylight, Moonlit };
enum Sound { NoSound = -1, Chime = 0, Wind = 1, Knock = 2 };

struct Line {
    int leftPhoto;  // Mei's photo on the left, -1 when she is away
    int rightPhoto; // Grandpa Bo's photo on the right, -1 when he is away
    Speaker speaker;
    Background background;
    Music music;
    Sound sound;
    const char* text; // UTF-8
};

// Mei stands on the left, her grandfather on the right.
const Line kLines[] = {
    {-1, -1, Narration, Meadow, Daylight, NoSound,
     "At the edge of a quiet valley, where the river bends around three green hills, there stood a little house "
     "with a red roof."},
    {Smile, -1, Left, Meadow, Daylight, Chime,
     "Grandpa! Grandpa! The wind chimes are singing. Today is the Lantern Festival!"},
    {Smile, Calm, Right, Meadow, Daylight, NoSound,
     "慢一点，梅梅。Take a breath, little one; the festival will wait for us."},
    {Worried, Calm, Left, Meadow, Daylight, NoSound,
     "可是爷爷，我们还没有灯笼！Everyone in the village has one, and we have none..."},
    {Worried, Laugh, Right, Meadow, Daylight, NoSound,
     "哈哈！别担心。We have red paper, thin bamboo and a candle, don't we? 我们自己做一个。"},
    {Smile, Calm, Narration, Dusk, Daylight, Wind,
     "太阳慢慢落到山后面，天空变成了橙色和紫色。爷爷和梅梅坐在门前，用竹子和红纸做了一个小小的灯笼。"},
    {-1, Calm, Right, Dusk, Daylight, NoSound,
     "Mei? Where did that girl run off to? The lantern is finished, and supper is getting cold!"},
    {-1, Calm, Narration, Night, Moonlit, Knock, "Knock, knock, knock. 有人在敲门。"},
    {Surprised, Calm, Left, Night, Moonlit, NoSound,
     "Grandpa, it is me! I caught no fish, but I found fireflies by the river. 好多好多萤火虫！"},
    {Smile, Laugh, Right, Night, Moonlit, NoSound, "哈哈，好孩子。Now, let us light our lantern and let it fly."},
    {-1, -1, Narration, Lanterns, Moonlit, Chime,
     "One by one, the lanterns rose over the hills like slow red stars. 那个小小的灯笼也飞上了天空，越飞越高。"},
    {Smile, Calm, Left, Lanterns, Moonlit, NoSound,
     "爷爷，明年我们再做一个，好吗？Maybe two: one for you, one for me."},
    {Smile, Laugh, Right, Lanterns, Moonlit, NoSound, "好，好。Every year, as long as the river runs."},
    {-1, -1, Narration, Lanterns, Moonlit, Chime, "The End. 完。"},
};

} // namespace

bool demoStory(StoryRecords& out)
{
    StoryRecords s;
    s.title = "LanternNight";
    s.characters = {
        {"Mei",
         3,
         {{"smile", "//character/Mei/smile.png"},
          {"worried", "//character/Mei/worried.png"},
          {"surprised", "//character/Mei/surprised.png"}}},
        {"Bo", 2, {{"calm", "//character/Bo/calm.png"}, {"laugh", "//character/Bo/laugh.png"}}},
    };
    s.backgrounds = {"//bg/meadow.jpg", "//bg/dusk.jpg", "//bg/night.jpg", "//bg/lanterns.jpg"};
    s.sounds = {"//sound/chime.wav", "//sound/wind.wav", "//sound/knock.wav"};
    s.musics = {"//bgm/daylight.mp3", "//bgm/moonlit.mp3"};
    for (const Line& line : kLines) {
        Frame f;
        f.leftCharacter = line.leftPhoto < 0 ? Nobody : Mei;
        f.leftPhoto = line.leftPhoto;
        f.rightCharacter = line.rightPhoto < 0 ? Nobody : Bo;
        f.rightPhoto = line.rightPhoto;
        f.textCharacter = line.speaker;
        f.background = line.background;
        f.music = line.music;
        f.sound = line.sound;
        if (!toGb2312(line.text, f.sentence)) return false;
        s.frames.push_back(f);
    }
    s.characterCount = static_cast<int>(s.characters.size());
    s.frameCount = static_cast<int>(s.frames.size());
    out = s;
    return true;
}
