// Reading and writing the script.xml records.
#include "document/story_script.h"

#include "document/xml_binding.h"

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
    if (texts.empty() || !texts[0] || !parseInt(*texts[0], value) || value < 0) return false;
    count = value;
    return true;
}

// Entries 0..count-1 of a path, each present.
bool readTexts(const PropertyTree& root, const std::string& path, std::size_t count, std::vector<std::string>& out)
{
    Texts texts = getOptionalValues(root, path);
    if (texts.size() < count) return false;
    out.clear();
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (!texts[i]) return false;
        out.push_back(std::move(*texts[i]));
    }
    return true;
}

bool readList(const PropertyTree& root, const std::string& listPath, const std::string& entryPath,
              std::vector<std::string>& out)
{
    int count = 0;
    return readCount(root, listPath + ".@number", count) && readTexts(root, entryPath, count, out);
}

// The attribute key of each node, in order; null where a node lacks it.
using Refs = std::vector<const std::string*>;

void appendAttribute(const PropertyTree& node, const std::string& key, Refs& out)
{
    auto it = node.attributes.find(key);
    out.push_back(it == node.attributes.end() ? nullptr : &it->second);
}

bool intAt(const Refs& refs, std::size_t i, int& out)
{
    return i < refs.size() && refs[i] && parseInt(*refs[i], out);
}

bool textAt(const Refs& refs, std::size_t i, std::string& out)
{
    if (i >= refs.size() || !refs[i]) return false;
    out = wordOf(*refs[i]);
    return true;
}

// "characterList.character" is selected once; the photo lists are its
// photo children in order, so photo k of person i is entry
// (photos of persons before i) + k.
bool readCharacters(const PropertyTree& root, int count, std::vector<Character>& out)
{
    const NodeList persons = selectNodes("characterList.character", {&root});
    if (persons.size() < static_cast<std::size_t>(count)) return false;
    Refs desps, dirs;
    for (const PropertyTree* person : persons)
        for (const auto& child : person->children)
            if (child->name == "photo") {
                appendAttribute(*child, "desp", desps);
                appendAttribute(*child, "dir", dirs);
            }

    std::vector<Character> characters(count);
    std::size_t base = 0;
    for (int i = 0; i < count; ++i) {
        Character& c = characters[i];
        Refs own;
        appendAttribute(*persons[i], "name", own);
        appendAttribute(*persons[i], "photoNum", own);
        if (!textAt(own, 0, c.name) || !intAt(own, 1, c.photoNum) || c.photoNum < 0 ||
            desps.size() - base < static_cast<std::size_t>(c.photoNum))
            return false;
        c.photos.resize(c.photoNum);
        for (int k = 0; k < c.photoNum; ++k)
            if (!textAt(desps, base + k, c.photos[k].desp) || !textAt(dirs, base + k, c.photos[k].dir)) return false;
        base += c.photoNum;
    }
    out = std::move(characters);
    return true;
}

// The fields of the frames, gathered from the st elements one at a time
// (all of them may never be in memory at once) and read once the count is
// known. An st lacking a child shifts that field's list for every later
// frame, as the format's positional reading says.
class FrameFields final : public TreeSink {
public:
    void restart() override { *this = FrameFields(); }
    void child(const PropertyTree& node) override
    {
        if (node.name == "st") add(node);
    }

    void add(const PropertyTree& st)
    {
        ++steps_;
        for (const auto& child : st.children)
            for (int f = 0; f < FieldCount; ++f) {
                if (child->name != kChildren[f]) continue;
                auto it = child->attributes.find(kKeys[f]);
                const std::string* text = it == child->attributes.end() ? nullptr : &it->second;
                if (f == Sentence) {
                    sentencePresent_.push_back(text != nullptr);
                    sentences_.push_back(text ? decodeSentence(wordOf(*text)) : std::string());
                    continue;
                }
                int value = 0;
                const bool read = text && parseInt(*text, value);
                numbers_[f].push_back(value);
                numberRead_[f].push_back(read);
            }
    }

    bool read(int count, std::vector<Frame>& out)
    {
        if (steps_ < static_cast<std::size_t>(count)) return false;
        static int Frame::*const ints[FieldCount] = {
            &Frame::leftCharacter, &Frame::leftPhoto,     &Frame::rightCharacter,
            &Frame::rightPhoto,    &Frame::textCharacter, nullptr,
            &Frame::background,    &Frame::music,         &Frame::sound};
        std::vector<Frame> frames(static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < frames.size(); ++i) {
            for (int f = 0; f < FieldCount; ++f) {
                if (!ints[f]) continue;
                if (i >= numbers_[f].size() || !numberRead_[f][i]) return false;
                frames[i].*ints[f] = numbers_[f][i];
            }
            if (i >= sentences_.size() || !sentencePresent_[i]) return false;
            frames[i].sentence = std::move(sentences_[i]);
        }
        out = std::move(frames);
        return true;
    }

private:
    enum { LeftC, LeftP, RightC, RightP, TextC, Sentence, Background, Music, Sound, FieldCount };
    static constexpr const char* kChildren[FieldCount] = {"left", "left",       "right",    "right", "text",
                                                          "text", "background", "musicDir", "sound"};
    static constexpr const char* kKeys[FieldCount] = {"character", "photo", "character", "photo", "character",
                                                      "sentence",  "index", "index",     "index"};
    std::size_t steps_ = 0;
    std::vector<int> numbers_[FieldCount];
    std::vector<bool> numberRead_[FieldCount];
    std::vector<std::string> sentences_;
    std::vector<bool> sentencePresent_;
};

// Everything but the frames from root, the frames from fields.
bool readRecords(const PropertyTree& root, FrameFields& fields, StoryRecords& out)
{
    StoryRecords r;
    std::vector<std::string> title;
    if (!readTexts(root, "name", 1, title)) return false;
    r.title = std::move(title[0]);
    if (!readCount(root, "characterList.@number", r.characterCount) ||
        !readCount(root, "scriptList.@number", r.frameCount))
        return false;
    if (!readList(root, "bgList", "bgList.bg", r.backgrounds) ||
        !readList(root, "soundList", "soundList.sd", r.sounds) || !readList(root, "bgmList", "bgmList.bgm", r.musics))
        return false;
    if (!readCharacters(root, r.characterCount, r.characters) || !fields.read(r.frameCount, r.frames)) return false;
    out = std::move(r);
    return true;
}

} // namespace

bool readStory(const PropertyTree& root, StoryRecords& out)
{
    FrameFields fields;
    for (const PropertyTree* st : selectNodes("scriptList.st", {&root})) fields.add(*st);
    return readRecords(root, fields, out);
}

bool loadStoryFile(const std::string& path, StoryRecords& out)
{
    FrameFields fields;
    std::unique_ptr<PropertyTree> rest;
    return loadTreeStreaming(rest, path, "scriptList", fields) && readRecords(*rest, fields, out);
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
    for (const std::string& entry : entries) addNode(*list, entryName, entry);
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

std::string speakerPrefixOf(const StoryRecords& story, const Frame& frame)
{
    int speaker = -1;
    if (frame.textCharacter == 1) speaker = frame.leftCharacter;
    if (frame.textCharacter == 2) speaker = frame.rightCharacter;
    if (speaker < 0 || static_cast<std::size_t>(speaker) >= story.characters.size()) return {};
    return story.characters[static_cast<std::size_t>(speaker)].name + ": ";
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
    for (std::size_t i = 0; i < stored.size(); i += 4) out += static_cast<char>(intOf(stored.substr(i, 3)) & 0xFF);
    return out;
}
