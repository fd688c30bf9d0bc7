// The checker's rules: one pass over the records in the order the player
// meets them, then the files they name.
#include "check/check_local.h"

#include "document/story_folder.h"
#include "document/xml_binding.h"
#include "media/image/image_loader.h"
#include "media/text/glyph_record.h"
#include "media/text/text_layout.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

namespace fs = std::filesystem;

namespace storycheck {

namespace {

std::string joinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder == ".") return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string parentOf(const std::string& folder)
{
    const std::string parent = fs::path(folder).parent_path().string();
    return parent.empty() ? "." : parent;
}

std::string plural(long n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string inQuotes(const std::string& text)
{
    return "\"" + text + "\"";
}

struct Place {
    int line = 0;
    int column = 0;
};

Place placeOf(const PropertyTree* node)
{
    return node ? Place{node->line, node->column} : Place{};
}

template <typename T>
const PropertyTree* nodeAt(const std::vector<T>& nodes, std::size_t i)
{
    return i < nodes.size() ? nodes[i] : nullptr;
}

// The elements of script.xml in the order the reader takes its values from
// them: entry i of a list is the i-th such element of the whole document.
struct Places {
    const PropertyTree* root = nullptr;
    NodeList persons, photos, backgrounds, sounds, musics;
    std::map<std::string, NodeList> fields; // "left", "right", "text", "background", ...

    explicit Places(const PropertyTree* tree) : root(tree)
    {
        if (!tree) return;
        persons = selectNodes("characterList.character", {tree});
        for (const PropertyTree* person : persons)
            for (const auto& child : person->children)
                if (child->name == "photo") photos.push_back(child.get());
        backgrounds = selectNodes("bgList.bg", {tree});
        sounds = selectNodes("soundList.sd", {tree});
        musics = selectNodes("bgmList.bgm", {tree});
        for (const PropertyTree* st : selectNodes("scriptList.st", {tree}))
            for (const auto& child : st->children) fields[child->name].push_back(child.get());
    }
    Place field(const std::string& name, std::size_t frame) const
    {
        auto it = fields.find(name);
        return it == fields.end() ? Place{} : placeOf(nodeAt(it->second, frame));
    }
};

// ---- why the reader refused a document

struct Reason {
    std::string message;
    const PropertyTree* node = nullptr;
};

std::optional<Reason> countProblem(const PropertyTree& root, const char* list, const char* entry, const char* what,
                                   int& count)
{
    const NodeList lists = selectNodes(list, {&root});
    if (lists.empty()) return Reason{std::string("there is no <") + list + "> element", &root};
    const auto it = lists[0]->attributes.find("number");
    if (it == lists[0]->attributes.end())
        return Reason{std::string("<") + list + "> has no number attribute", lists[0]};
    if (!parseInt(wordOf(it->second), count) || count < 0)
        return Reason{std::string("<") + list + " number=" + inQuotes(it->second) + "> is not a count", lists[0]};
    const std::size_t held = selectNodes(std::string(list) + "." + entry, {&root}).size();
    if (static_cast<std::size_t>(count) > held)
        return Reason{std::string("<") + list + "> promises " + plural(count, what, what) + " but holds " +
                          std::to_string(held),
                      lists[0]};
    return std::nullopt;
}

std::optional<Reason> attributeProblem(const PropertyTree* node, const char* element, const char* key, bool number)
{
    if (!node) return Reason{std::string("an <") + element + "> element is missing", nullptr};
    const auto it = node->attributes.find(key);
    if (it == node->attributes.end())
        return Reason{std::string("<") + element + "> has no " + key + " attribute", node};
    int value = 0;
    if (number && !parseInt(it->second, value))
        return Reason{std::string("<") + element + " " + key + "=" + inQuotes(it->second) + "> is not a number", node};
    return std::nullopt;
}

// The first thing that makes readStory refuse the document, as the reader
// walks it (counts first, then persons, then frames).
Reason whyRefused(const PropertyTree& root, const Places& places)
{
    if (selectNodes("name", {&root}).empty())
        return {root.name.empty() ? "the file holds no elements" : "the story has no <name> element", &root};
    int persons = 0, frames = 0, ignored = 0;
    if (auto r = countProblem(root, "characterList", "character", "persons", persons)) return *r;
    if (auto r = countProblem(root, "scriptList", "st", "frames", frames)) return *r;
    if (auto r = countProblem(root, "bgList", "bg", "backgrounds", ignored)) return *r;
    if (auto r = countProblem(root, "soundList", "sd", "sounds", ignored)) return *r;
    if (auto r = countProblem(root, "bgmList", "bgm", "music files", ignored)) return *r;
    std::size_t photo = 0;
    for (int i = 0; i < persons; ++i) {
        const PropertyTree* person = nodeAt(places.persons, static_cast<std::size_t>(i));
        if (auto r = attributeProblem(person, "character", "name", false)) return *r;
        if (auto r = attributeProblem(person, "character", "photoNum", true)) return *r;
        const int photoNum = intOf(person->attributes.at("photoNum"));
        if (photoNum < 0) return {"<character photoNum> is negative", person};
        for (int k = 0; k < photoNum; ++k, ++photo) {
            const PropertyTree* p = nodeAt(places.photos, photo);
            if (!p) return {"person " + std::to_string(i) + " promises more photos than the document holds", person};
            if (auto r = attributeProblem(p, "photo", "desp", false)) return *r;
            if (auto r = attributeProblem(p, "photo", "dir", false)) return *r;
        }
    }
    static const std::pair<const char*, const char*> keys[] = {
        {"left", "character"},   {"left", "photo"},     {"right", "character"},
        {"right", "photo"},      {"text", "character"}, {"text", "sentence"},
        {"background", "index"}, {"musicDir", "index"}, {"sound", "index"}};
    for (int i = 0; i < frames; ++i)
        for (const auto& [element, key] : keys) {
            auto it = places.fields.find(element);
            const PropertyTree* node = it == places.fields.end() ? nullptr : nodeAt(it->second, i);
            if (!node) return {"frame " + std::to_string(i + 1) + " has no <" + element + "> element", nullptr};
            if (auto r = attributeProblem(node, element, key, std::string(key) != "sentence")) return *r;
        }
    return {"the reader refuses the document", &root};
}

// ---- the checks of one mod

enum class Sprite { None, Background, Portrait };

// One entry of a file list (a background, a photo, a music or sound file).
struct Reference {
    std::string stored;
    std::string what; // "background 3", "photo 1 of person 0 "Mei"", ...
    Place place;
    bool audio = false;
    Sprite sprite = Sprite::None;
    int firstFrame = 0; // 1-based; 0 when no frame uses it
    int uses = 0;

    void use(int frame)
    {
        if (uses++ == 0) firstFrame = frame;
    }
};

struct Shared {
    const Options& options;
    Decoders decoders;
    std::map<std::string, GlyphFile> glyphs; // by path
    bool audioNoted = false;
    std::vector<Finding>& out;

    Shared(const Options& o, std::vector<Finding>& findings) : options(o), decoders(o), out(findings) {}

    const GlyphFile& glyphFile(const std::string& path)
    {
        GlyphFile& g = glyphs[path];
        if (g.path.empty()) {
            g.path = path;
            g.loaded = readRegularFile(path, static_cast<std::uint64_t>(glyph::kFullFileSize), g.bytes);
        }
        return g;
    }
};

// What lies at a mod-relative path: which of the lexical components exist
// with other case, when the path itself does not.
std::optional<std::string> otherCase(const std::string& folder, const std::vector<std::string>& parts)
{
    std::string at = folder;
    std::string found;
    bool differs = false;
    for (const std::string& part : parts) {
        std::string next = joinPath(at, part);
        if (probeFile(next).kind == FileKind::Missing) {
            std::error_code ec;
            std::optional<std::string> match;
            int seen = 0;
            for (fs::directory_iterator it(at, ec), end; !ec && it != end && seen < 100000; it.increment(ec), ++seen) {
                const std::string name = it->path().filename().string();
                if (name.size() == part.size() &&
                    std::equal(name.begin(), name.end(), part.begin(), [](char a, char b) {
                        return std::tolower(static_cast<unsigned char>(a)) ==
                               std::tolower(static_cast<unsigned char>(b));
                    })) {
                    match = name;
                    break;
                }
            }
            if (!match) return std::nullopt;
            next = joinPath(at, *match);
            differs = true;
            found = found.empty() ? *match : found + "/" + *match;
        } else {
            found = found.empty() ? part : found + "/" + part;
        }
        at = next;
    }
    return differs ? std::optional<std::string>(found) : std::nullopt;
}

class ModCheck {
public:
    ModCheck(Shared& shared, std::string folder, bool templateStory)
        : s_(shared), folder_(withoutTrailingSlashes(std::move(folder))), template_(templateStory)
    {
        script_ = joinPath(folder_, "script.xml");
        modName_ = fs::path(folder_).filename().string();
        storyRoot_ = template_ ? folder_ : parentOf(folder_);
    }

    // The records from script.xml on disk; false (after a load finding) when
    // the programs' reader refuses them.
    bool load(StoryRecords& story, std::unique_ptr<PropertyTree>& tree)
    {
        const FileInfo info = probeFile(script_);
        std::string bytes;
        if (info.kind == FileKind::Missing) {
            add(Severity::Error, "load", {}, 0,
                "script.xml is missing: the player prints \"Script.xml load failed...\" and shows no frame");
            return false;
        }
        if (info.kind != FileKind::Regular) {
            add(Severity::Error, "load", {}, 0, std::string("script.xml is ") + kindName(info.kind) + ", not a file");
            return false;
        }
        if (info.size > kMaxScriptBytes) {
            add(Severity::Error, "load", {}, 0,
                "script.xml is " + std::to_string(info.size >> 20) + " MB, more than the " +
                    std::to_string(kMaxScriptBytes >> 20) + " MB the checker reads; no story is that long");
            return false;
        }
        if (!readRegularFile(script_, kMaxScriptBytes, bytes)) {
            add(Severity::Error, "load", {}, 0, "script.xml cannot be read");
            return false;
        }
        XmlLoadError error;
        if (!loadTreeFromBytes(tree, bytes, &error)) {
            add(Severity::Error, "load", {error.line, error.column}, 0,
                "script.xml is not XML the programs can read: " + error.message);
            return false;
        }
        if (!readStory(*tree, story)) {
            const Places places(tree.get());
            const Reason why = whyRefused(*tree, places);
            add(Severity::Error, "load", placeOf(why.node), 0,
                "the programs refuse this story: " + why.message +
                    " (the player prints \"Script.xml load failed...\" and shows no frame)");
            return false;
        }
        return true;
    }

    void check(const StoryRecords& story, const PropertyTree* tree, bool withNextMarker)
    {
        const Places places(tree);
        story_ = &story;
        if (story.frames.empty())
            add(Severity::Warning, "load", placeOf(places.root), 0,
                "the story has no frames: the player shows the text box alone and the first click ends it");
        collectReferences(story, places);
        checkFrames(story, places);
        for (Reference& r : refs_) checkReference(r);
        reportLargePictures();
        checkTemplates(story, withNextMarker);
        if (!template_) reportUnusedFiles();
    }

    void checkUnloaded(bool withNextMarker)
    {
        StoryRecords none;
        story_ = &none;
        checkTemplates(none, withNextMarker);
        story_ = nullptr;
    }

    void add(Severity severity, const char* rule, Place place, int frame, std::string message)
    {
        s_.out.push_back({script_, place.line, place.column, severity, rule, frame, std::move(message)});
    }
    void addFile(const std::string& file, Severity severity, const char* rule, int frame, std::string message)
    {
        s_.out.push_back({file, 0, 0, severity, rule, frame, std::move(message)});
    }

private:
    void collectReferences(const StoryRecords& story, const Places& places)
    {
        auto list = [&](const std::vector<std::string>& entries, const NodeList& nodes, const char* what, bool audio,
                        Sprite sprite, std::vector<std::size_t>& index) {
            for (std::size_t i = 0; i < entries.size(); ++i) {
                index.push_back(refs_.size());
                refs_.push_back({entries[i], std::string(what) + " " + std::to_string(i), placeOf(nodeAt(nodes, i)),
                                 audio, sprite});
            }
        };
        list(story.backgrounds, places.backgrounds, "background", false, Sprite::Background, backgroundRefs_);
        list(story.musics, places.musics, "music", true, Sprite::None, musicRefs_);
        list(story.sounds, places.sounds, "sound", true, Sprite::None, soundRefs_);
        std::size_t photo = 0;
        for (std::size_t c = 0; c < story.characters.size(); ++c) {
            const Character& person = story.characters[c];
            photoRefs_.emplace_back();
            for (std::size_t k = 0; k < person.photos.size(); ++k, ++photo) {
                photoRefs_.back().push_back(refs_.size());
                refs_.push_back({person.photos[k].dir,
                                 "photo " + std::to_string(k) + " of " + personName(static_cast<int>(c)),
                                 placeOf(nodeAt(places.photos, photo)), false, Sprite::Portrait});
            }
        }
    }

    std::string personName(int c) const
    {
        return "person " + std::to_string(c) + " " +
               inQuotes(toUtf8(story_->characters[static_cast<std::size_t>(c)].name));
    }

    static std::string listSize(std::size_t n, const char* one, const char* many)
    {
        return "the story has " + plural(static_cast<long>(n), one, many);
    }

    void checkPortrait(const StoryRecords& story, const Places& places, std::size_t i, bool left)
    {
        const Frame& f = story.frames[i];
        const int person = left ? f.leftCharacter : f.rightCharacter;
        const int photo = left ? f.leftPhoto : f.rightPhoto;
        const char* side = left ? "left" : "right";
        const int frame = static_cast<int>(i) + 1;
        const Place place = places.field(side, i);
        if (person < 0) return;
        if (static_cast<std::size_t>(person) >= story.characters.size()) {
            add(Severity::Error, "bad-index", place, frame,
                std::string(side) + " person " + std::to_string(person) + " does not exist (" +
                    listSize(story.characters.size(), "person", "persons") + "): the player shows no " + side +
                    " portrait");
            return;
        }
        const auto& photos = story.characters[static_cast<std::size_t>(person)].photos;
        if (photo < 0 || static_cast<std::size_t>(photo) >= photos.size()) {
            add(Severity::Error, "bad-index", place, frame,
                std::string(side) + " photo " + std::to_string(photo) + " of " + personName(person) +
                    " does not exist (" + plural(static_cast<long>(photos.size()), "photo", "photos") +
                    "): the player shows no " + side + " portrait");
            return;
        }
        refs_[photoRefs_[static_cast<std::size_t>(person)][static_cast<std::size_t>(photo)]].use(frame);
    }

    void checkFrames(const StoryRecords& story, const Places& places)
    {
        for (std::size_t i = 0; i < story.frames.size(); ++i) {
            const Frame& f = story.frames[i];
            const Frame* old = i > 0 ? &story.frames[i - 1] : nullptr;
            const int frame = static_cast<int>(i) + 1;
            auto valid = [](int index, std::size_t size) {
                return index >= 0 && static_cast<std::size_t>(index) < size;
            };
            // Background and music act where they change; a sound plays at every frame naming one.
            if (valid(f.background, story.backgrounds.size()))
                refs_[backgroundRefs_[static_cast<std::size_t>(f.background)]].use(frame);
            else if (!old || old->background != f.background)
                add(Severity::Error, "bad-index", places.field("background", i), frame,
                    "background " + std::to_string(f.background) + " does not exist (" +
                        listSize(story.backgrounds.size(), "background", "backgrounds") +
                        "): the player shows a black background");
            if (valid(f.music, story.musics.size()))
                refs_[musicRefs_[static_cast<std::size_t>(f.music)]].use(frame);
            else if (!old || old->music != f.music)
                add(Severity::Error, "bad-index", places.field("musicDir", i), frame,
                    "music " + std::to_string(f.music) + " does not exist (" +
                        listSize(story.musics.size(), "music file", "music files") +
                        "): the player stops the music and plays none");
            if (valid(f.sound, story.sounds.size()))
                refs_[soundRefs_[static_cast<std::size_t>(f.sound)]].use(frame);
            else if (f.sound >= 0)
                add(Severity::Error, "bad-index", places.field("sound", i), frame,
                    "sound " + std::to_string(f.sound) + " does not exist (" +
                        listSize(story.sounds.size(), "sound", "sounds") + "): the player plays no sound");
            checkPortrait(story, places, i, true);
            checkPortrait(story, places, i, false);
            checkSpeaker(story, places, i);
            checkText(story, places, i);
        }
    }

    void checkSpeaker(const StoryRecords& story, const Places& places, std::size_t i)
    {
        const Frame& f = story.frames[i];
        const int frame = static_cast<int>(i) + 1;
        const Place place = places.field("text", i);
        if (f.textCharacter == 1 || f.textCharacter == 2) {
            const bool left = f.textCharacter == 1;
            const int person = left ? f.leftCharacter : f.rightCharacter;
            if (person < 0)
                add(Severity::Error, "bad-index", place, frame,
                    std::string("the speaker is the ") + (left ? "left" : "right") +
                        " person, but nobody stands on the " + (left ? "left" : "right") +
                        ": the sentence shows without a name");
        } else if (f.textCharacter != 0) {
            add(Severity::Error, "bad-index", place, frame,
                "speaker " + std::to_string(f.textCharacter) +
                    " is none of 0 (narration), 1 (left) and 2 (right): the text box keeps the previous frame's "
                    "picture and no name is shown");
        }
    }

    // ---- text: the player's lines and glyphs

    const GlyphFile& glyphs()
    {
        if (!glyphs_) {
            const std::string path =
                s_.options.glyphFile.empty() ? joinPath(parentOf(storyRoot_), "raw/1.bin") : s_.options.glyphFile;
            probeFile(path); // a dependency of this mod's findings
            glyphs_ = &s_.glyphFile(path);
        }
        return *glyphs_;
    }

    // Why the player draws the character at text[i] (a lead byte) as nothing,
    // or empty when it draws a glyph. next is the byte after it on the line,
    // -1 when the line ends there.
    std::string blankCharacter(const std::string& text, std::size_t i, int next)
    {
        const auto c1 = static_cast<unsigned char>(text[i]);
        char hex[64];
        if (next <= 0) {
            std::snprintf(hex, sizeof hex, "lone lead byte 0x%02X", c1);
            return hex;
        }
        const auto c2 = static_cast<unsigned char>(next);
        if (!glyph::isTrailByte(c2)) {
            std::snprintf(hex, sizeof hex, "bytes 0x%02X 0x%02X (no GB 2312 character)", c1, c2);
            return hex;
        }
        const GlyphFile& g = glyphs();
        if (!g.loaded) return {}; // reported once for the mod
        const auto offset = static_cast<std::size_t>(glyph::recordOffset(c1, c2));
        bool blank = offset + glyph::kRecordSize > g.bytes.size();
        if (!blank) {
            // The ideographic space is blank by design.
            blank = !(c1 == 0xA1 && c2 == 0xA1) &&
                    std::all_of(g.bytes.begin() + static_cast<long>(offset),
                                g.bytes.begin() + static_cast<long>(offset) + glyph::kRecordSize,
                                [](char b) { return b == 0; });
        }
        if (!blank) return {};
        const std::string shown = toUtf8(text.substr(i, 2));
        // Codes GB 2312 leaves empty convert to the private use area (U+E000
        // to U+F8FF, UTF-8 EE 80 80 to EF A3 BF), which shows as nothing.
        const auto b0 = shown.empty() ? 0 : static_cast<unsigned char>(shown[0]);
        const auto b1 = shown.size() < 2 ? 0 : static_cast<unsigned char>(shown[1]);
        const bool privateUse = shown.size() == 3 && (b0 == 0xEE || (b0 == 0xEF && b1 <= 0xA3));
        if (privateUse || shown.find("\\x") != std::string::npos) {
            std::snprintf(hex, sizeof hex, "code %02X%02X (no character there)", c1, c2);
            return hex;
        }
        std::snprintf(hex, sizeof hex, " (%02X%02X)", c1, c2);
        return inQuotes(shown) + hex;
    }

    void checkText(const StoryRecords& story, const Places& places, std::size_t i)
    {
        const Frame& f = story.frames[i];
        const int frame = static_cast<int>(i) + 1;
        const std::string prefix = speakerPrefixOf(story, f);
        const std::string text = prefix + f.sentence;
        const std::vector<LabelLine> lines = labelLines(text, 1.0f, text_layout::kLineWidth, text_layout::kFirstLineY);
        const std::size_t drawn = lines.size() - (lines.back().length == 0 ? 1 : 0);
        if (drawn > static_cast<std::size_t>(text_layout::kTextBoxLines))
            add(Severity::Warning, "overflow", places.field("text", i), frame,
                std::string(prefix.empty() ? "the sentence" : "the sentence with its speaker's name") + " takes " +
                    std::to_string(drawn) + " lines; the text box holds " + std::to_string(text_layout::kTextBoxLines) +
                    ", so " +
                    plural(static_cast<long>(drawn) - text_layout::kTextBoxLines, "line falls", "lines fall") +
                    " below it");

        bool wide = false;
        std::vector<std::string> inSentence;
        std::size_t blanks = 0;
        std::vector<std::string> inName;
        for (const LabelLine& line : lines) {
            const std::size_t end = std::min(line.start + line.length, text.size());
            for (std::size_t k = line.start; k < end;) {
                const auto c = static_cast<unsigned char>(text[k]);
                std::string problem;
                std::size_t step = 1;
                if (c == 0) {
                    if (k + 1 < end)
                        problem = "a zero byte, after which the player draws nothing more of the line (" +
                                  plural(static_cast<long>(end - k - 1), "byte", "bytes") + ")";
                    step = end - k;
                } else if (glyph::isLeadByte(c)) {
                    wide = true;
                    problem = blankCharacter(text, k, k + 1 < end ? static_cast<unsigned char>(text[k + 1]) : -1);
                    step = 2;
                }
                if (!problem.empty()) {
                    const bool name = k < prefix.size();
                    const std::size_t at = name ? k : k - prefix.size();
                    std::string where = problem + " at byte " + std::to_string(at + 1);
                    if (name)
                        inName.push_back(std::move(where));
                    else {
                        if (inSentence.size() < 3) inSentence.push_back(std::move(where));
                        ++blanks;
                    }
                }
                k += step;
            }
        }
        auto joined = [](const std::vector<std::string>& parts) {
            std::string s;
            for (const std::string& p : parts) s += (s.empty() ? "" : "; ") + p;
            return s;
        };
        if (blanks > 0)
            add(Severity::Warning, "missing-glyph", places.field("text", i), frame,
                "the player draws " + plural(static_cast<long>(blanks), "character", "characters") +
                    " of the sentence as nothing: " + joined(inSentence) +
                    (blanks > inSentence.size() ? "; and " + std::to_string(blanks - inSentence.size()) + " more"
                                                : ""));
        if (!inName.empty()) {
            const int person = f.textCharacter == 1 ? f.leftCharacter : f.rightCharacter;
            if (namesReported_.insert(person).second)
                add(Severity::Warning, "missing-glyph",
                    placeOf(nodeAt(places.persons, static_cast<std::size_t>(person))), frame,
                    "the player draws part of the name of " + personName(person) + " as nothing: " + joined(inName));
        }
        if (wide && !glyphs().loaded && !glyphFileReported_) {
            glyphFileReported_ = true;
            add(Severity::Warning, "missing-glyph", places.field("text", i), frame,
                "the glyph file " + glyphs().path +
                    " cannot be read, so its characters cannot be checked; where the player finds no glyph file it "
                    "prints \"File not exist!\" and draws every double-byte character as nothing");
        }
    }

    // ---- files

    // The lexical components of a mod-relative reference; false when ".."
    // climbs out of the mod.
    static bool componentsOf(const std::string& stored, std::vector<std::string>& parts)
    {
        std::string part;
        auto flush = [&]() {
            if (part == "..") {
                if (parts.empty()) return false;
                parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            part.clear();
            return true;
        };
        for (char c : stored) {
            if (c == '/' || c == '\\') {
                if (!flush()) return false;
            } else {
                part += c;
            }
        }
        return flush();
    }

    Decoder decoderFor(const Reference& r) const
    {
        if (r.audio) return Decoder::Audio;
        // The player picks the loader by the extension of the very string it opens.
        const std::string playerPath = kPlayerStoryRoot + modName_ + r.stored;
        return isPngPath(playerPath) ? Decoder::Png : isTgaPath(playerPath) ? Decoder::Tga : Decoder::Other;
    }

    std::string unusedNote(const Reference& r) const { return r.uses == 0 ? " (no frame uses it)" : ""; }
    Severity severityOf(const Reference& r) const { return r.uses > 0 ? Severity::Error : Severity::Warning; }

    void checkReference(Reference& r)
    {
        const std::string name = r.what + " " + inQuotes(r.stored);
        if (r.stored.empty()) {
            add(severityOf(r), "missing-file", r.place, r.firstFrame, r.what + " names no file" + unusedNote(r));
            return;
        }
        if (r.stored[0] != '/' && r.stored[0] != '\\') {
            add(severityOf(r), "not-exported", r.place, r.firstFrame,
                name + " is a full path: the player looks only inside the mod and will " +
                    (r.audio ? "play nothing" : "show nothing") + "; Export the mod" + unusedNote(r));
            return;
        }
        std::vector<std::string> parts;
        if (!componentsOf(r.stored, parts)) {
            add(severityOf(r) == Severity::Error ? Severity::Warning : Severity::Note, "path-escape", r.place,
                r.firstFrame,
                name +
                    " leaves the mod folder through \"..\": a reader who gets the mod alone finds nothing there; "
                    "the checker does not follow it" +
                    unusedNote(r));
            return;
        }
        const std::string key = joinPath("", [&] {
            std::string k;
            for (const std::string& p : parts) k += (k.empty() ? "" : "/") + p;
            return k;
        }());
        const std::string fsPath = toFsPath(folder_ + r.stored);
        const FileInfo info = probeFile(fsPath);
        if (info.kind == FileKind::Missing && !isModRelative(r.stored, folder_) && r.stored[0] == '/' &&
            (r.stored.size() < 2 || r.stored[1] != '/') && probeFile(r.stored).kind != FileKind::Missing) {
            add(severityOf(r), "not-exported", r.place, r.firstFrame,
                name + " is a full path: the player looks only inside the mod and will " +
                    (r.audio ? "play nothing" : "show nothing") + "; Export the mod" + unusedNote(r));
            return;
        }
        used_.insert(key);
        if (info.kind == FileKind::Missing) {
            std::string message = name + " does not exist in the mod";
            if (auto other = otherCase(folder_, parts))
                message += "; " + inQuotes(*other) + " differs only in case, and names are case-sensitive here";
            add(severityOf(r), "missing-file", r.place, r.firstFrame,
                message + ": the player " + (r.audio ? "plays nothing" : "shows nothing") + unusedNote(r));
            return;
        }
        if (info.kind != FileKind::Regular) {
            add(severityOf(r), "missing-file", r.place, r.firstFrame,
                name + " is " + kindName(info.kind) + ", not a file: the player " +
                    (r.audio ? "plays nothing" : "shows nothing") + unusedNote(r));
            return;
        }
        std::error_code ec;
        const fs::path real = fs::canonical(fsPath, ec);
        const fs::path mod = fs::canonical(folder_, ec);
        const std::string modText = mod.string() + "/";
        if (!ec && real.string().compare(0, modText.size(), modText) != 0) {
            add(Severity::Warning, "path-escape", r.place, r.firstFrame,
                name + " leads out of the mod through a link, to " + real.string() + "; the checker does not open it" +
                    unusedNote(r));
            return;
        }
        checkContent(r, fsPath, info, key);
    }

    void checkContent(const Reference& r, const std::string& fsPath, const FileInfo& info, const std::string& key)
    {
        const Decoder decoder = decoderFor(r);
        const std::string name = r.what + " " + inQuotes(r.stored);
        auto [seen, first] = decoded_.try_emplace(key + "\t" + std::to_string(static_cast<int>(decoder)));
        Decoded& d = seen->second;
        if (first) {
            d.reference = &r;
            if (info.size == 0) {
                d.failed = true;
                add(severityOf(r), "undecodable", r.place, r.firstFrame,
                    name + " is an empty file: the player " + (r.audio ? "plays nothing" : "shows nothing"));
            } else if (info.size > kMaxMediaBytes) {
                d.failed = true;
                add(Severity::Warning, "undecodable", r.place, r.firstFrame,
                    name + " is " + std::to_string(info.size >> 20) + " MB; the checker does not decode files above " +
                        std::to_string(kMaxMediaBytes >> 20) +
                        " MB, and the player decodes it whole at the frame "
                        "change");
            } else if (decoder == Decoder::Audio && !s_.decoders.audioAvailable()) {
                d.failed = true;
                if (!s_.audioNoted) {
                    s_.audioNoted = true;
                    add(Severity::Note, "undecodable", r.place, r.firstFrame,
                        "no audio device could be opened, so music and sounds were not decoded");
                }
            } else {
                d.result = s_.decoders.decode(fsPath, info, decoder);
                if (!d.result.ok) {
                    d.failed = true;
                    add(severityOf(r), "undecodable", r.place, r.firstFrame,
                        name + " cannot be decoded: " + d.result.problem + "; the player " +
                            (r.audio ? "plays nothing" : "shows nothing") + unusedNote(r));
                }
            }
        }
        if (r.sprite == Sprite::Background)
            d.largestSprite = {800, 600};
        else if (r.sprite == Sprite::Portrait && d.largestSprite.first < 325)
            d.largestSprite = {325, 487};
    }

    void reportLargePictures()
    {
        for (const auto& [key, d] : decoded_) {
            if (d.failed || d.largestSprite.first == 0) continue;
            const double spriteArea = 1.0 * d.largestSprite.first * d.largestSprite.second;
            const double area = 1.0 * d.result.width * d.result.height;
            // Four times the pixels: at least twice the size each way.
            if (area < 4 * spriteArea) continue;
            const Reference& r = *d.reference;
            char ms[32];
            std::snprintf(ms, sizeof ms, "%.0f", d.result.milliseconds);
            add(Severity::Note, "large-picture", r.place, r.firstFrame,
                r.what + " " + inQuotes(r.stored) + " is " + std::to_string(d.result.width) + " x " +
                    std::to_string(d.result.height) + " pixels, " +
                    std::to_string(static_cast<long>(area / spriteArea)) + " times the " +
                    std::to_string(d.largestSprite.first) + " x " + std::to_string(d.largestSprite.second) +
                    " it is shown at; decoding it took " + ms + " ms here, paid at every frame change that shows it");
        }
    }

    // content.png and contentN.png of the mod, next.png of the story root.
    void checkTemplates(const StoryRecords& story, bool withNextMarker)
    {
        const bool speaks = std::any_of(story.frames.begin(), story.frames.end(),
                                        [](const Frame& f) { return f.textCharacter == 1 || f.textCharacter == 2; });
        checkTemplate(folder_, "contentN.png", true, "the text box at the start and for narration");
        checkTemplate(folder_, "content.png", speaks, "the text box while a person speaks");
        if (withNextMarker)
            checkTemplate(storyRoot_, "next.png", true, "the next-frame marker, taken from the story root");
        used_.insert("content.png");
        used_.insert("contentN.png");
    }

    void checkTemplate(const std::string& folder, const char* file, bool needed, const char* role)
    {
        const std::string path = joinPath(folder, file);
        const FileInfo info = probeFile(path);
        const Severity severity = needed ? Severity::Error : Severity::Warning;
        if (info.kind == FileKind::Missing) {
            addFile(path, severity, "template", 0, std::string(file) + " is missing: the player shows no " + role);
            return;
        }
        if (info.kind != FileKind::Regular) {
            addFile(path, severity, "template", 0, std::string(file) + " is " + kindName(info.kind) + ", not a file");
            return;
        }
        if (info.size == 0 || info.size > kMaxMediaBytes) {
            addFile(path, severity, "undecodable", 0,
                    std::string(file) + (info.size == 0 ? " is an empty file" : " is too large to check"));
            return;
        }
        const DecodeResult& result = s_.decoders.decode(path, info, Decoder::Png);
        if (!result.ok)
            addFile(path, severity, "undecodable", 0,
                    std::string(file) + " cannot be decoded: " + result.problem + "; the player shows no " + role);
    }

    void reportUnusedFiles()
    {
        std::set<std::string> templates(modTemplateFiles().begin(), modTemplateFiles().end());
        std::vector<std::string> unused;
        std::error_code ec;
        fs::recursive_directory_iterator it(folder_, fs::directory_options::skip_permission_denied, ec);
        int seen = 0;
        for (fs::recursive_directory_iterator end; !ec && it != end && seen < 200000; it.increment(ec), ++seen) {
            std::error_code typeError;
            if (it->is_directory(typeError)) continue;
            const std::string rel = it->path().lexically_relative(folder_).generic_string();
            if (used_.count(rel) || (it.depth() == 0 && templates.count(rel))) continue;
            unused.push_back(rel);
        }
        std::sort(unused.begin(), unused.end());
        for (const std::string& rel : unused)
            addFile(joinPath(folder_, rel), Severity::Note, "unused-file", 0,
                    inQuotes(rel) + ": nothing in the story refers to this file");
    }

    struct Decoded {
        const Reference* reference = nullptr;
        DecodeResult result;
        bool failed = false;
        std::pair<int, int> largestSprite{0, 0};
    };

    Shared& s_;
    std::string folder_, script_, modName_, storyRoot_;
    bool template_;
    const StoryRecords* story_ = nullptr;
    std::vector<Reference> refs_;
    std::vector<std::size_t> backgroundRefs_, musicRefs_, soundRefs_;
    std::vector<std::vector<std::size_t>> photoRefs_;
    std::set<std::string> used_;
    std::map<std::string, Decoded> decoded_;
    std::set<int> namesReported_;
    bool glyphFileReported_ = false;
    const GlyphFile* glyphs_ = nullptr;
};

// Findings of one mod (or template) in file order, the script first.
void sortFrom(std::vector<Finding>& findings, std::size_t from, const std::string& script)
{
    std::stable_sort(findings.begin() + static_cast<long>(from), findings.end(),
                     [&](const Finding& a, const Finding& b) {
                         const bool sa = a.file == script, sb = b.file == script;
                         if (sa != sb) return sa;
                         if (a.file != b.file) return a.file < b.file;
                         if (a.line != b.line) return a.line < b.line;
                         return a.column < b.column;
                     });
}

void checkModFindings(Shared& shared, const std::string& folder, bool withNextMarker, bool templateStory);

void checkModOnDisk(Shared& shared, const std::string& folder, bool withNextMarker, bool templateStory)
{
    const std::size_t from = shared.out.size();
    // While script.xml, every file it names, the glyph file and the mod's
    // listing are unchanged, the findings are too.
    const std::string key = std::string("mod\t") + folder + "\t" + (withNextMarker ? "1" : "0") +
                            (templateStory ? "1" : "0") + "\t" + shared.options.glyphFile;
    if (shared.decoders.cachedFindings(key, folder, shared.out)) return;
    DependencyLog log;
    setDependencyLog(&log);
    checkModFindings(shared, folder, withNextMarker, templateStory);
    setDependencyLog(nullptr);
    if (!shared.audioNoted)
        shared.decoders.storeFindings(
            key, folder, log, std::vector<Finding>(shared.out.begin() + static_cast<long>(from), shared.out.end()));
}

void checkModFindings(Shared& shared, const std::string& folder, bool withNextMarker, bool templateStory)
{
    const std::size_t from = shared.out.size();
    ModCheck mod(shared, folder, templateStory);
    StoryRecords story;
    std::unique_ptr<PropertyTree> tree;
    // A story the programs refuse has no references to follow; its load
    // finding is the one that matters.
    if (mod.load(story, tree)) mod.check(story, tree.get(), withNextMarker);
    sortFrom(shared.out, from, joinPath(withoutTrailingSlashes(folder), "script.xml"));
}

bool hasBlank(const std::string& name)
{
    return std::any_of(name.begin(), name.end(), [](char c) { return isBlank(c); });
}

void checkRoot(Shared& shared, const std::string& rootPath)
{
    const std::string root = withoutTrailingSlashes(rootPath);
    std::vector<std::string> mods = listMods(root);
    std::sort(mods.begin(), mods.end());
    const std::string startup = joinPath(root, kStartupFileName);
    const FileInfo info = probeFile(startup);
    std::string text;
    if (info.kind == FileKind::Missing) {
        shared.out.push_back({startup, 0, 0, Severity::Error, "startup", 0,
                              "startup.txt is missing: the player shows \"Story xml is missing. Program will exit!\" "
                              "and the editor does not start"});
    } else if (info.kind != FileKind::Regular || !readRegularFile(startup, 4096, text)) {
        shared.out.push_back(
            {startup, 0, 0, Severity::Error, "startup", 0,
             std::string("startup.txt is ") + kindName(info.kind) + ", not a file the programs can read"});
    } else {
        const std::string name = wordOf(text);
        if (name.empty())
            shared.out.push_back({startup, 0, 0, Severity::Error, "startup", 0,
                                  "startup.txt names no mod: the player finds no script.xml and shows no frame"});
        else if (std::find(mods.begin(), mods.end(), name) == mods.end())
            shared.out.push_back(
                {startup, 0, 0, Severity::Error, "startup", 0,
                 "startup.txt names " + inQuotes(name) + ", which is no mod folder here: the player shows no frame"});
    }
    if (mods.empty())
        shared.out.push_back(
            {root, 0, 0, Severity::Error, "startup", 0, "the story root holds no mod folder: the editor ends at once"});
    for (const std::string& mod : mods) {
        if (hasBlank(mod))
            shared.out.push_back(
                {joinPath(root, mod), 0, 0, Severity::Warning, "startup", 0,
                 "the mod name " + inQuotes(mod) + " holds white space, so startup.txt cannot name it"});
        checkModOnDisk(shared, joinPath(root, mod), false, false);
    }
    // The template story is what every new mod starts from; next.png is checked here, once.
    const std::size_t from = shared.out.size();
    ModCheck templ(shared, root, true);
    StoryRecords story;
    std::unique_ptr<PropertyTree> tree;
    if (probeFile(joinPath(root, "script.xml")).kind != FileKind::Missing && templ.load(story, tree))
        templ.check(story, tree.get(), true);
    else
        templ.checkUnloaded(true);
    sortFrom(shared.out, from, joinPath(root, "script.xml"));
}

bool looksLikeRoot(const std::string& folder)
{
    if (probeFile(joinPath(folder, kStartupFileName)).kind != FileKind::Missing) return true;
    if (probeFile(joinPath(folder, "script.xml")).kind != FileKind::Missing) return false;
    for (const std::string& mod : listMods(folder))
        if (probeFile(joinPath(joinPath(folder, mod), "script.xml")).kind != FileKind::Missing) return true;
    return false;
}

} // namespace

const char* severityName(Severity severity)
{
    switch (severity) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Note: return "note";
    }
    return "error";
}

bool checkPath(const std::string& path, const Options& options, std::vector<Finding>& findings, std::string& reason)
{
    const FileInfo info = probeFile(path);
    if (info.kind == FileKind::Missing) {
        reason = path + ": no such folder";
        return false;
    }
    if (info.kind != FileKind::Directory) {
        reason = path + ": " + (info.kind == FileKind::Unreadable ? "cannot be read" : "not a folder");
        return false;
    }
    std::error_code ec;
    fs::directory_iterator probe(path, ec);
    if (ec) {
        reason = path + ": " + ec.message();
        return false;
    }
    Shared shared(options, findings);
    if (looksLikeRoot(path))
        checkRoot(shared, path);
    else
        checkModOnDisk(shared, path, true, false);
    return true;
}

std::vector<Finding> checkModFolder(const std::string& modFolder, const Options& options)
{
    std::vector<Finding> findings;
    Shared shared(options, findings);
    checkModOnDisk(shared, modFolder, true, false);
    return findings;
}

std::vector<Finding> checkScriptLoad(const std::string& modFolder, StoryRecords& story)
{
    std::vector<Finding> findings;
    Options options;
    options.useCache = false;
    Shared shared(options, findings);
    ModCheck mod(shared, modFolder, false);
    std::unique_ptr<PropertyTree> tree;
    if (!mod.load(story, tree)) story = {};
    return findings;
}

std::vector<Finding> checkStory(const StoryRecords& story, const std::string& modFolder, const Options& options)
{
    std::vector<Finding> findings;
    {
        Shared shared(options, findings);
        ModCheck mod(shared, modFolder, false);
        mod.check(story, nullptr, true);
    }
    // In memory there are no places; frame order reads best.
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        const bool fa = a.frame > 0, fb = b.frame > 0;
        if (fa != fb) return fa;
        return a.frame < b.frame;
    });
    return findings;
}

} // namespace storycheck
