#pragma once
// The editor's commands on the story model: save, add and delete a frame, add
// backgrounds, music, sounds, persons and photos. Each acts on a StoryScript
// (and, for the image test, reads the chosen file) and returns the one log
// line the window shows, with the boxes the window must refill. None of them
// touches a control or writes a file; Save's writing is StoryScript::save.
//
// Adding a file records the file's full path as chosen; Export copies it into
// the mod later (editor/mod_export.h).

#include <string>

#include "document/story_script.h"

namespace quillforge {

// Open-file dialog filters.
inline constexpr const char* kAllFilesFilter = "All Files (*.*)|*.*||";
inline constexpr const char* kPngFileFilter = "PNG file (*.png)|*.png||";

// Boxes a command has left out of date.
enum Refresh : unsigned {
    kRefreshNothing = 0,
    kRefreshFrame = 1u << 0,            // every control of the current frame
    kRefreshBackgroundBox = 1u << 1,    // Back, keeping its selection
    kRefreshMusicBox = 1u << 2,         // BGM, keeping its selection
    kRefreshSoundBox = 1u << 3,         // Sound, keeping its selection ("None" stays "None")
    kRefreshPersonBoxes = 1u << 4,      // Left, Right and Add Photo, keeping their selections
    kRefreshPhotoBoxes = 1u << 5,       // the photo boxes of the sides showing `person`
    kRefreshModBox = 1u << 6,           // Mod, still on the mod being edited
};

struct CommandOutcome {
    std::string logLine;                // UTF-8; empty when there is nothing to report
    unsigned refresh = kRefreshNothing;
    int person = -1;                    // for kRefreshPhotoBoxes
};

// An outcome that reports line and asks for the given refreshes.
CommandOutcome said(std::string line, unsigned refresh = kRefreshNothing);

enum class AssetList { Background, Music, Sound };

// Why a text cannot serve as a name. The format keeps names and references as
// single words (they read back to their first white space), and person and
// mod names become folder names, so a separator or "." / ".." would lead out
// of the folder they belong in.
enum class NameFault { None, WhiteSpace, Separator, DotName };

bool hasWhiteSpace(const std::string& text);
// The first fault of name in the order white space, separator, dot name.
// An empty name has none.
NameFault folderNameFault(const std::string& name);

// True when path (a stored reference or full path) decodes as a picture.
bool isReadableImage(const std::string& path);

// "Story save success...:-)" or "Story save failed...T_T".
const char* saveLogLine(bool saved);
// Save in a window that opened its mod read-only.
inline constexpr const char* kSaveRefusedLine = "Story save failed, another editor has this mod...T_T";

// Inserts a copy of the current frame after it, without sentence and sound,
// and makes it current. A story without frames gets its first frame.
CommandOutcome addFrameCommand(StoryScript& story);
// Removes the current frame unless it is the only one.
CommandOutcome deleteFrameCommand(StoryScript& story);
// Appends path unchanged to the list. Backgrounds must be readable pictures;
// paths with white space are refused. No frame changes.
CommandOutcome addAssetCommand(StoryScript& story, AssetList list, const std::string& path);
// Gives person one more photo: description fileNameOf(path), reference path.
// person must name a person; path must be a readable picture without white space.
CommandOutcome addPhotoCommand(StoryScript& story, int person, const std::string& path);
// Appends a person with the mod's default photo. The name (story bytes) must
// be new (byte-wise, case-sensitive) and usable as a folder name; an empty
// name is accepted.
CommandOutcome addPersonCommand(StoryScript& story, const std::string& name);

// The part of path after its last "\" or "/" (all of it without either).

} // namespace quillforge
