#pragma once
// The story checker: what the player will make of every value of a mod,
// found before a reader does. It reads script.xml with the programs' own
// reader, decodes each picture with the loader the player would choose for
// it and each audio file with the player's audio layer, lays out each
// sentence by the player's own line rules and looks every double-byte
// character up in the real glyph file.
//
// Contract
// - A finding names a file, a place in it (1-based line and column of the
//   element in script.xml; 0 when no place applies, as for a story checked
//   in memory), a severity, a rule id, the 1-based frame number the editor
//   shows (0 when no frame applies) and a message in UTF-8 for the author.
// - Rule ids: load, not-exported, missing-file, undecodable, path-escape,
//   bad-index, missing-glyph, overflow, template, startup, unused-file,
//   large-picture.
// - Nothing outside the mod is opened on behalf of a reference (".." that
//   leaves the mod and links that lead out are findings), only regular files
//   are opened, script.xml and pictures above a size limit are not read, and
//   each distinct file is decoded once per run. Decoding results are kept in
//   a cache keyed by path, size and modification time.
// - Audio is decoded through AudioPlayer; set SDL_AUDIODRIVER (dummy serves)
//   before the first check when no sound card is wanted.
// - Not thread-safe: one check at a time per process.

#include "document/story_script.h"

#include <string>
#include <vector>

namespace storycheck {

enum class Severity { Error, Warning, Note };

// "error", "warning", "note".
const char* severityName(Severity severity);

struct Finding {
    std::string file;
    int line = 0;
    int column = 0;
    Severity severity = Severity::Error;
    std::string rule;
    int frame = 0;
    std::string message;
    bool operator==(const Finding&) const = default;
};

struct Options {
    // The player's glyph file; empty: raw/1.bin beside the story root, where
    // the player finds it when it runs in the story root's parent.
    std::string glyphFile;
    bool useCache = true;
    // Empty: $XDG_CACHE_HOME/quillforge, else $HOME/.cache/quillforge.
    std::string cacheFolder;
};

// A mod folder (it holds script.xml and no startup.txt) or a story root
// (every mod folder in it, its template story and files, and startup.txt).
// Findings name files by path below the given one. False, with a one-line
// reason, when path is no folder that can be read.
bool checkPath(const std::string& path, const Options& options, std::vector<Finding>& findings, std::string& reason);

// One mod folder from disk, its story root being the folder above it.
std::vector<Finding> checkModFolder(const std::string& modFolder, const Options& options);

// The load rule alone: what the programs' reader makes of modFolder's
// script.xml, without opening any file it names. No error findings means the
// reader takes it, and story holds its records.
std::vector<Finding> checkScriptLoad(const std::string& modFolder, StoryRecords& story);

// Records held in memory (an editor's model) against the files of the mod
// folder on disk. Findings carry frame numbers but no places in script.xml.
std::vector<Finding> checkStory(const StoryRecords& story, const std::string& modFolder, const Options& options);

struct Counts {
    int errors = 0;
    int warnings = 0;
    int notes = 0;
};
Counts countFindings(const std::vector<Finding>& findings);

// "2 errors, 1 warning, 3 notes" (zero counts left out); "no problems" for none.
std::string countsText(const Counts& counts);

// One line per finding in the compiler convention,
// "file:line:column: severity: frame N: message [rule]".
std::string formatText(const std::vector<Finding>& findings);
// One JSON document: {"findings": [{file, line, column, severity, rule,
// frame, message}...], "errors": n, "warnings": n, "notes": n}. Bytes that
// are not UTF-8 become U+FFFD.
std::string formatJson(const std::vector<Finding>& findings);

} // namespace storycheck
