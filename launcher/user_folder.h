// The per-user working folder the installed programs run in: story/ filled
// from the installed story data, raw/ and shader/ linked to the installed
// read-only data. The editor and the player share it, so the mod the editor
// sets as start-up is the one the player plays.
#pragma once

#include <filesystem>
#include <string>

namespace launcher {

// Where the installed read-only data lies (share/quillforge): story/ with the
// templates, next.png, startup.txt and the demo mods; raw/; shader/. Parts
// that are not installed (the editor's package brings the templates and the
// demo) are skipped.
struct FolderSetup {
    std::filesystem::path dataDir; // installed data, read only
    std::filesystem::path userDir; // the per-user working folder
};

// $XDG_DATA_HOME, or ~/.local/share; XDG_DATA_HOME is ignored unless
// absolute, as its users expect. Empty when neither it nor a home folder is
// known.
std::filesystem::path dataHome();

// dataHome()/quillforge; empty when dataHome() is.
std::filesystem::path defaultUserDir();

// Makes userDir ready to run in, never overwriting anything in it:
// - story/ and every installed top-level file of story/ that is missing
//   (templates, next.png), each time;
// - the installed mods and then startup.txt while the user's story root has
//   no startup.txt (the first run, or after the user removed it), copying
//   only files that are missing;
// - raw and shader as links to the installed folders, unless something of
//   that name exists (a dangling link, left by an earlier install elsewhere,
//   is replaced).
// Returns an empty string on success, else one line saying what failed.
std::string prepareUserFolder(const FolderSetup& setup);

} // namespace launcher
