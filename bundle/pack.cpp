#include "bundle/pack.h"

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace bundle {

namespace {

// A stored reference as a path below the mod: "\" and "/" both separate,
// empty and "." parts drop out; empty when it is a full path or climbs out.
std::string modPathOf(const std::string& reference)
{
    if (reference.empty() || (reference[0] != '/' && reference[0] != '\\')) return {};
    std::string out, part;
    auto flush = [&] {
        if (part == "..") return false;
        if (!part.empty() && part != ".") out += (out.empty() ? "" : "/") + part;
        part.clear();
        return true;
    };
    for (char c : reference) {
        if (c == '/' || c == '\\') {
            if (!flush()) return {};
        } else {
            part += c;
        }
    }
    return flush() ? out : std::string();
}

std::string countText(int n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

std::vector<std::string> filesOfMod(const std::string& modFolder, const StoryRecords& story)
{
    std::error_code ec;
    const fs::path mod = fs::canonical(modFolder, ec);
    if (ec) return {};
    std::vector<std::string> names = {"script.xml", "content.png", "contentN.png"};
    for (const auto* list : {&story.backgrounds, &story.musics, &story.sounds})
        for (const std::string& r : *list) names.push_back(modPathOf(r));
    for (const Character& c : story.characters)
        for (const Photo& p : c.photos) names.push_back(modPathOf(p.dir));

    std::vector<std::string> files;
    std::set<std::string> seen;
    const std::string inside = mod.string() + "/";
    for (const std::string& name : names) {
        if (name.empty() || !isSafePath(name) || name == kManifestName || !seen.insert(name).second) continue;
        // Only regular files that really lie in the mod, links resolved.
        const fs::path real = fs::canonical(mod / name, ec);
        if (ec || real.string().compare(0, inside.size(), inside) != 0 || !fs::is_regular_file(real, ec)) continue;
        files.push_back(name);
    }
    return files;
}

PackResult packMod(const std::string& modFolder, const std::string& outFile, const PackOptions& options,
                   PackReport& report, std::string& reason)
{
    std::error_code ec;
    if (!fs::is_directory(modFolder, ec)) {
        reason = modFolder + ": no such folder";
        return PackResult::Failed;
    }
    const std::string mod = fs::canonical(modFolder, ec).filename().string();
    if (!isSafeModName(mod)) {
        reason = "the mod name \"" + mod + "\" holds white space or characters a reader's story folder cannot take";
        return PackResult::Refused;
    }
    StoryRecords story;
    for (const storycheck::Finding& f : storycheck::checkScriptLoad(modFolder, story))
        if (f.severity == storycheck::Severity::Error) {
            report.findings.push_back(f);
            reason = "the player cannot read script.xml, so no reader could play the bundle";
            return PackResult::Refused;
        }
    report.findings = storycheck::checkModFolder(modFolder, options.check);
    // next.png comes with the reader's player, not with the bundle.
    std::erase_if(report.findings, [](const storycheck::Finding& f) {
        return f.rule == "template" && fs::path(f.file).filename() == "next.png";
    });

    int notExported = 0;
    std::vector<std::string> errors;
    for (const storycheck::Finding& f : report.findings) {
        if (f.rule == "not-exported") ++notExported;
        if (f.severity == storycheck::Severity::Error) errors.push_back(storycheck::formatText({f}));
    }
    for (std::string& e : errors)
        if (!e.empty() && e.back() == '\n') e.pop_back();
    if (notExported > 0) {
        reason = countText(notExported, "reference is", "references are") +
                 " not exported: their files lie outside the mod, where a reader cannot get them; "
                 "Export the mod in Quillforge first";
        return PackResult::Refused;
    }
    if (!errors.empty() && !options.force) {
        reason = "the checker found " + countText(static_cast<int>(errors.size()), "error", "errors") +
                 "; fix them, or pack anyway with --force";
        return PackResult::Refused;
    }

    Manifest& manifest = report.manifest;
    manifest = {};
    manifest.mod = mod;
    manifest.frames = story.frameCount;
    manifest.tool = options.tool;
    if (options.force) manifest.errors = errors;
    if (!writeBundle(modFolder, filesOfMod(modFolder, story), manifest, outFile, reason)) return PackResult::Failed;
    return PackResult::Packed;
}

} // namespace bundle
