// What scenewalk-play sets up before the player starts: the story (a bundle
// verified into the reader's library, or a mod folder as it is) and a working
// folder of its own, so the reader's per-user story folder and startup.txt
// are never touched.
#pragma once

#include <filesystem>
#include <string>

namespace play {

struct Story {
    std::string mod;              // the mod's name, as startup.txt gives it
    std::filesystem::path folder; // the mod folder the player reads
    bool extracted = false;       // a bundle was extracted now (not reused)
};

// base is the player's per-user folder ($XDG_DATA_HOME/scenewalk). A regular
// file is a bundle: verified and kept in base/stories/<mod> (see
// bundle::installBundle). A folder is a mod, played where it lies once the
// programs' reader takes its script.xml. False with a one-line reason.
bool prepareStory(const std::string& argument, const std::filesystem::path& base, Story& story, std::string& reason);

// Lays out base/play/<mod>: story/<mod> (a link to story.folder),
// story/startup.txt naming it, story/next.png, raw and shader (links into
// dataDir, which holds story/next.png, raw/ and shader/). Each name is
// replaced whole, so a run never sees half of it. The folder, or empty with
// a reason.
std::filesystem::path layOutWorkFolder(const std::filesystem::path& base, const std::filesystem::path& dataDir,
                                       const Story& story, std::string& reason);

} // namespace play
