#pragma once
// Mod creation from the story root's templates, and Export, which makes a mod
// self-contained: every file the story still names by an outside path is
// copied into the mod's asset folders and the reference becomes mod-relative
// ("//character/<person>/<file>", "//sound/<file>", "//bg/<file>",
// "//bgm/<file>"). Export changes only the model and the copied files; the
// new references reach script.xml with the next save.
//
// Copies never overwrite. A file whose name is taken in the mod folder by a
// different file is copied under the next free name "<stem>_2<.ext>",
// "<stem>_3<.ext>" ...; when it is taken by an identical file, that file is
// used. A file that exists but cannot be copied keeps its reference, so the
// author can mend the cause and export again.
//
// A mod may come from a stranger, and so may its script.xml: Export copies
// only regular files, writes only into real folders of the mod (a link where
// an asset folder should be keeps that folder's files out and is reported),
// never writes through a link, and names in its log line how many copied
// files came from outside the author's home folder and the mod folder.

#include <string>
#include <vector>

#include "document/story_folder.h"
#include "document/story_script.h"
#include "editor/story_commands.h"

namespace quillforge {

// Creates storyRoot + name with a copy of each template file of the story
// root and appends name to modList. Refused: a name already in modList
// (byte-wise, case-sensitive), a name with white space, a separator, or "."
// or "..". The file system decides the rest: an empty name or one that
// differs from an existing folder only in letter case on a case-insensitive
// file system fails as a folder that cannot be created. Missing templates are
// skipped silently; one that exists and cannot be copied is reported.
CommandOutcome addModCommand(const std::string& name, std::vector<std::string>& modList,
                             const std::string& storyRoot = kEditorStoryRoot);

// What an export did, beyond its log line.
struct ExportReport {
    int copied = 0;                          // files copied into the mod
    int reused = 0;                          // references pointed at identical files already there
    int renamed = 0;                         // copies stored under a name other than their own
    int missing = 0;                         // outside files that did not exist (rewritten anyway)
    std::vector<std::string> notCopied;      // references kept: their file exists but could not be copied
    std::vector<std::string> refusedPersons; // names (story bytes) no folder can be made of
    std::vector<std::string> linkedFolders;  // asset folders ("bg", "character/Ann") that are links
    int fromOutsideHome = 0;                 // copies of files outside the home folder and the mod
};

// Exports the mod story.modName below storyRoot. Persons whose name cannot be
// a folder name keep their photo references and are reported.
CommandOutcome exportModCommand(StoryScript& story, const std::string& storyRoot = kEditorStoryRoot,
                                ExportReport* report = nullptr);

// fileName with each blank replaced by "_", so a stored reference stays one word.
std::string singleWordFileName(const std::string& fileName);

// The n-th name tried for fileName: n = 1 gives fileName, n = 2 "<stem>_2<.ext>".
std::string numberedFileName(const std::string& fileName, int n);

// True when both paths name readable regular files of identical content.
bool sameFileContent(const std::string& a, const std::string& b);

} // namespace quillforge
