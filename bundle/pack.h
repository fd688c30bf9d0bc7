// Packing a mod folder into a bundle for readers, after the story checker
// has looked at it.
#pragma once

#include "bundle/bundle.h"
#include "check/story_check.h"

#include <string>
#include <vector>

namespace bundle {

struct PackOptions {
    bool force = false; // pack despite checker errors, recording them in the manifest
    std::string tool;   // the packing tool and version, for the manifest
    storycheck::Options check;
};

enum class PackResult { Packed, Refused, Failed };

struct PackReport {
    std::vector<storycheck::Finding> findings; // the checker's, every severity
    Manifest manifest;                         // what was written
};

// Packs modFolder (its script.xml, the two text-box pictures and every file of
// the mod its references name) into outFile. Refused, with the reason:
// references that are not exported (a reader could never get their files),
// a script.xml the player cannot read, a mod name a reader's folder or
// startup.txt cannot hold, and, unless options.force, any checker error.
// Failed: the bundle could not be written. Either way no outFile is left.
PackResult packMod(const std::string& modFolder, const std::string& outFile, const PackOptions& options,
                   PackReport& report, std::string& reason);

// The files of modFolder that a pack takes, mod-relative: script.xml,
// content.png, contentN.png and each distinct file a reference names that
// lies inside the mod, in that order. Missing files are left out.
std::vector<std::string> filesOfMod(const std::string& modFolder, const StoryRecords& story);

} // namespace bundle
