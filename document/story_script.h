// The story of one mod: persons with photos, backgrounds, music, sounds and
// frames, read from and written to the mod's script.xml.
//
// script.xml (root "story"; counts are authoritative, entries are matched by
// position across the whole document):
//   name                       title text
//   characterList @number      character @name @photoNum / photo @desp @dir
//   bgList @number             bg text      (background references)
//   soundList @number          sd text      (sound references)
//   bgmList @number            bgm text     (music references)
//   scriptList @number         st / left @character @photo, right @character
//                              @photo, text @character @sentence,
//                              background @index, musicDir @index, sound @index
// A reference beginning with "/" or "\" is relative to the mod folder; any
// other is a full path not yet exported (isModRelative tells absolute paths
// of this file system apart).
#pragma once

#include "document/property_tree.h"
#include "document/story_audio.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Photo {
    std::string desp; // short description shown in the editor
    std::string dir;  // file reference
    bool operator==(const Photo&) const = default;
};

struct Character {
    std::string name;
    int photoNum = 0; // equals photos.size()
    std::vector<Photo> photos;
    bool operator==(const Character&) const = default;
};

struct Frame {
    int leftCharacter = -1; // index into characters, -1 none
    int leftPhoto = -1;     // index into that person's photos
    int rightCharacter = -1;
    int rightPhoto = -1;
    int textCharacter = 0; // speaker: 0 narration, 1 left, 2 right
    std::string sentence;  // bytes of the narrow code page
    int background = 0;    // index into backgrounds
    int music = 0;         // index into musics
    int sound = -1;        // index into sounds, negative for none
    bool operator==(const Frame&) const = default;
};

// The records both programs read from script.xml.
struct StoryRecords {
    std::string title;
    int characterCount = 0; // equals characters.size()
    int frameCount = 0;     // equals frames.size()
    std::vector<Character> characters;
    std::vector<Frame> frames;
    std::vector<std::string> backgrounds;
    std::vector<std::string> musics;
    std::vector<std::string> sounds;
    bool operator==(const StoryRecords&) const = default;
};

// Fills out from a loaded document, selecting each path once. Fails (out
// untouched) when a count is missing, not a number, negative or larger than
// the entries present, or when an entry read lacks its attribute or a number.
// Elements beyond a count are ignored.
bool readStory(const PropertyTree& root, StoryRecords& out);

// readStory of the script.xml at path, read piece by piece: the frames'
// elements are never in memory all at once. Fails as loadTree and readStory
// would.
bool loadStoryFile(const std::string& path, StoryRecords& out);

// The document for records, in the order script.xml is written. Negative
// sounds are written as -1; each person's photoNum is the photos written.
std::unique_ptr<PropertyTree> storyTree(const StoryRecords& records);

// What the player writes before a frame's sentence: the left person's name
// and ": " when the speaker (textCharacter) is 1, the right person's when it
// is 2; empty for narration, any other speaker, or a person index outside
// characters.
std::string speakerPrefixOf(const StoryRecords& story, const Frame& frame);

// Each byte as three decimal digits and "_": "abc" -> "097_098_099_".
std::string encodeSentence(const std::string& sentence);
std::string decodeSentence(const std::string& stored);

// The editor's model of one mod.
class StoryScript : public StoryRecords {
public:
    // The mod storyRoot + modName; its preview plays through audio, which
    // must outlive the model (null: silent).
    StoryScript(std::string storyRoot, std::string modName, PreviewAudio* audio = nullptr);

    std::string storyRoot;
    std::string modName;
    int previousFrame = -1;
    int currentFrame = -1;
    std::uint32_t musicDevice = 0;
    bool musicPlaying = false;
    bool bgmEnabled = false;

    // Reads storyRoot + modName + "//script.xml". On failure (a modName that
    // would lead out of the story root, see isModFolderName, among them)
    // prints "Script.xml load failed...\n" and keeps every record. Only the
    // records stay: the document itself is gone once they are read.
    bool load();
    // Writes the records there; the old file survives a failed save. Never
    // for a modName that would lead out of the story root.
    bool save();
    // load and save with another file of the script's format (a stored path).
    bool loadFrom(const std::string& path);
    bool saveTo(const std::string& path);
    // Inserts a copy of the current frame after it, without sentence and sound,
    // and makes it current. False when no frame is current.
    bool addFrame();
    // Removes the current frame unless it is the only one.
    bool deleteFrame();
    // Makes frame index current and previews its sound and, while bgmEnabled,
    // its music. False (nothing changed) for an index outside the frames.
    bool goToFrame(int index, bool restartMusic);
    // Plays entry index of sounds once from its start; ignored when out of range.
    void playSound(int index);
    // Closes the music preview, as a change of mod or the window's end needs.
    void stopMusic();
    // The stored reference as a path from the working directory: below the
    // mod folder for mod-relative references (see isModRelative), else as is.
    std::string resolveAssetPath(const std::string& reference) const;

private:
    PreviewAudio* audio_;
};
