// The story folder tree both programs share: the story root below the working
// directory, one folder per mod, the template files and the start-up file
// that names the mod opened first.
//
// Paths are plain concatenations of the prefixes below with names and stored
// references; they keep their stored form ("\" and doubled separators
// included) until toFsPath maps them right before they reach the file system.
#pragma once

#include "media/path.h"

#include <string>
#include <vector>

// Story root as each program spells it.
inline const std::string kEditorStoryRoot = ".\\story\\";
inline const std::string kPlayerStoryRoot = ".//story//";
inline const std::string kStartupFileName = "startup.txt";
// Start-up file as each program spells it.
inline const std::string kEditorStartupFile = kEditorStoryRoot + kStartupFileName;
inline const std::string kPlayerStartupFile = "./story/startup.txt";

// Files copied from the story root into every new mod.
const std::vector<std::string>& modTemplateFiles();

// Whether a stored file reference names a file of the mod folder (modFolder
// is story root + mod name). References beginning with "\" or "//" do. One
// beginning with a single "/" is also what an absolute path looks like here,
// as the editor's file dialogs return them: it counts as mod-relative only
// when modFolder + reference exists, else as a full path.
bool isModRelative(const std::string& reference, const std::string& modFolder);

// The file a stored reference names for the mod folder modFolder (story root
// + mod name): modFolder + reference when the reference is mod-relative, else
// the reference itself. Still a stored path (see toFsPath).
std::string resolveReference(const std::string& modFolder, const std::string& reference);

// storyRoot + modName + "//script.xml".
std::string scriptPathOf(const std::string& storyRoot, const std::string& modName);

// Whether name can be a mod: one folder of the story root once mapped for
// the file system (not empty, no "\" or "/", not "." or "..").
bool isModFolderName(const std::string& name);

// First word of the start-up file (empty for an empty file); false when it
// is no regular file of at most kMaxStartupBytes or cannot be read, with the
// reason in why when given.
bool readStartupMod(const std::string& startupFile, std::string& modName, std::string* why = nullptr);
inline bool readEditorStartupMod(std::string& modName) { return readStartupMod(kEditorStartupFile, modName); }
inline bool readPlayerStartupMod(std::string& modName, std::string* why = nullptr)
{
    return readStartupMod(kPlayerStartupFile, modName, why);
}

// Replaces the start-up file with modName alone (no line end), by a new file
// renamed over it; false when the file cannot be written.
bool writeStartupMod(const std::string& modName, const std::string& startupFile = kEditorStartupFile);

// Names of the sub-folders of storyRoot in the file system's order; ordinary
// files are skipped, and so are folders whose name is no mod name (see
// isModFolderName), which go to refused when given. Empty when the root
// cannot be read.
std::vector<std::string> listMods(const std::string& storyRoot = kEditorStoryRoot,
                                  std::vector<std::string>* refused = nullptr);

// Directory creation; false when it already exists or cannot be made.
bool createFolder(const std::string& path);

// Copies a regular file; false (and nothing changed) when from is no regular
// file or cannot be read, or when anything, a link included, is at to.
bool copyFileNoOverwrite(const std::string& from, const std::string& to);
