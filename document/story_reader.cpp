// Reading and writing the script.xml records.
#include "document/story_script.h"

#include <cstddef>
#include <optional>

namespace {

using Texts = std::vector<std::optional<std::string>>;

// The count stored at path: entry 0, numeric, not negative, and no larger
// than the entries that would be read for it.
bool readCount(const PropertyTree& root, const std::string& path, int& count)
{
    const Texts texts = getOptionalValues(root, path);
    int value = 0;
    if (texts.empty() || !texts[0] || !parseInt(*texts[0], value) || value < 0)
        return false;
    count = value;
    return true;
}

// Entries 0..count-1 of a path, each present.
bool readTexts(const PropertyTree& root, const std::string& path, std::size_t count,
               std::vector<std::string>& out)
{
    Texts texts = getOptionalValues(root, path);
    if (texts.size() < count)
        return false;
    out.clear();
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (!texts[i])
            return false;
        out.push_back(std::move(*texts[i]));
    }
    return true;
}

bool readInts(const PropertyTree& root, const std::string& path, std::size_t count,
              std::vector<int>& out)
{
    const Texts texts = getOptionalValues(root, path);
    if (texts.size() < count)
        return false;
    out.assign(count, 0);
    for (std::size_t i = 0; i < count; ++i)
        if (!texts[i] || !parseInt(*texts[i], out[i]))
            return false;
    return true;
}

bool readList(const PropertyTree& root, const std::string& listPath, const std::string& entryPath,
              std::vector<std::string>& out)
{
    int count = 0;
    return readCount(root, listPath + ".@number", count) && readTexts(root, entryPath, count, out);
}

bool readCharacters(const PropertyTree& root, int count, std::vector<Character>& out)
{
    std::vector<std::string> names;
    std::vector<int> photoNums;
    if (!readTexts(root, "characterList.character.@name", count, names) ||
        !readInts(root, "characterList.character.@photoNum", count, photoNums))
        return false;
    std::size_t totalPhotos = 0;
    for (int n : photoNums) {
        if (n < 0)
            return false;
        totalPhotos += static_cast<std::size_t>(n);
    }
    std::vector<std::string> desps, dirs;
    if (!readTexts(root, "characterList.character.photo.@desp", totalPhotos, desps) ||
        !readTexts(root, "characterList.character.photo.@dir", totalPhotos, dirs))
        return false;

    out.assign(count, Character{});
    std::size_t base = 0;  // photos are numbered across all persons
    for (int i = 0; i < count; ++i) {
        Character& c = out[i];
        c.name = std::move(names[i]);
        c.photoNum = photoNums[i];
        c.photos.resize(c.photoNum);
        for (int k = 0; k < c.photoNum; ++k) {
            c.photos[k].desp = std::move(desps[base + k]);
            c.photos[k].dir = std::move(dirs[base + k]);
        }
        base += c.photoNum;
    }
    return true;
}

bool readFrames(const PropertyTree& root, int count, std::vector<Frame>& out)
{
    struct IntField {
        const char* path;
        int Frame::*field;
    };
    static const IntField fields[] = {
        {"scriptList.st.left.@character", &Frame::leftCharacter},
        {"scriptList.st.left.@photo", &Frame::leftPhoto},
        {"scriptList.st.right.@character", &Frame::rightCharacter},
        {"scriptList.st.right.@photo", &Frame::rightPhoto},
        {"scriptList.st.text.@character", &Frame::textCharacter},
        {"scriptList.st.background.@index", &Frame::background},
        {"scriptList.st.musicDir.@index", &Frame::music},
        {"scriptList.st.sound.@index", &Frame::sound},
    };
    std::vector<std::string> sentences;
    if (!readTexts(root, "scriptList.st.text.@sentence", count, sentences))
        return false;
    std::vector<Frame> frames(count);
    std::vector<int> values;
    for (const IntField& f : fields) {
        if (!readInts(root, f.path, count, values))
            return false;
        for (int i = 0; i < count; ++i)
            frames[i].*f.field = values[i];
    }
    for (int i = 0; i < count; ++i)
        frames[i].sentence = decodeSentence(sentences[i]);
    out = std::move(frames);
    return true;
}

}  // namespace

bool readStory(const PropertyTree& root, StoryRecords& out)
{
    StoryRecords r;
    std::vector<std::string> title;
    if (!readTexts(root, "name", 1, title))
        return false;
    r.title = std::move(title[0]);
    if (!readCount(root, "characterList.@number", r.characterCount) ||
        !readCount(root, "scriptList.@number", r.frameCount))
        return false;
    if (!readList(root, "bgList", "bgList.bg", r.backgrounds) ||
        !readList(root, "soundList", "soundList.sd", r.sounds) ||
        !readList(root, "bgmList", "bgmList.bgm", r.musics))
        return false;
    if (!readCharacters(root, r.characterCount, r.characters) ||
        !readFrames(root, r.frameCount, r.frames))
        return false;
    out = std::move(r);
    return true;
}

static PropertyTree* addNode(PropertyTree& parent, const char* name, const std::string& value = {})
{
    return parent.addChild(std::make_unique<PropertyTree>(name, value));
}

static void addList(PropertyTree& root, const char* listName, const char* entryName,
                    const std::vector<std::string>& entries)
{
    PropertyTree* list = addNode(root, listName);
    list->setAttribute("number", static_cast<int>(entries.size()));
    for (const std::string& entry : entries)
        addNode(*list, entryName, entry);
}

std::unique_ptr<PropertyTree> storyTree(const StoryRecords& records)
{
    auto root = std::make_unique<PropertyTree>("story", "");
    addNode(*root, "name", records.title);

    PropertyTree* characterList = addNode(*root, "characterList");
    characterList->setAttribute("number", static_cast<int>(records.characters.size()));
    for (const Character& c : records.characters) {
        PropertyTree* character = addNode(*characterList, "character");
        character->setAttribute("name", c.name);
        character->setAttribute("photoNum", static_cast<int>(c.photos.size()));
        for (const Photo& p : c.photos) {
            PropertyTree* photo = addNode(*character, "photo");
            photo->setAttribute("desp", p.desp);
            photo->setAttribute("dir", p.dir);
        }
    }
    addList(*root, "bgList", "bg", records.backgrounds);
    addList(*root, "soundList", "sd", records.sounds);
    addList(*root, "bgmList", "bgm", records.musics);

    PropertyTree* scriptList = addNode(*root, "scriptList");
    scriptList->setAttribute("number", static_cast<int>(records.frames.size()));
    for (const Frame& f : records.frames) {
        PropertyTree* st = addNode(*scriptList, "st");
        PropertyTree* left = addNode(*st, "left");
        left->setAttribute("character", f.leftCharacter);
        left->setAttribute("photo", f.leftPhoto);
        PropertyTree* right = addNode(*st, "right");
        right->setAttribute("character", f.rightCharacter);
        right->setAttribute("photo", f.rightPhoto);
        PropertyTree* text = addNode(*st, "text");
        text->setAttribute("character", f.textCharacter);
        text->setAttribute("sentence", encodeSentence(f.sentence));
        addNode(*st, "background")->setAttribute("index", f.background);
        addNode(*st, "musicDir")->setAttribute("index", f.music);
        addNode(*st, "sound")->setAttribute("index", f.sound < 0 ? -1 : f.sound);
    }
    return root;
}

std::string encodeSentence(const std::string& sentence)
{
    std::string out;
    out.reserve(sentence.size() * 4);
    for (char c : sentence) {
        const unsigned byte = static_cast<unsigned char>(c);
        out += static_cast<char>('0' + byte / 100);
        out += static_cast<char>('0' + byte / 10 % 10);
        out += static_cast<char>('0' + byte % 10);
        out += '_';
    }
    return out;
}

std::string decodeSentence(const std::string& stored)
{
    std::string out;
    out.reserve(stored.size() / 4 + 1);
    for (std::size_t i = 0; i < stored.size(); i += 4)
        out += static_cast<char>(intOf(stored.substr(i, 3)) & 0xFF);
    return out;
}
