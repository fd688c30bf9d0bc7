// Story bundles: one mod in one ZIP file (".swstory"), as an author sends it
// and a reader opens it.
//
// Contract
// - A bundle holds the mod's files below their mod-relative paths ("bg/a.jpg",
//   "/" separated) and manifest.json at the top, which lists every other file
//   with its size and SHA-256 (see Manifest). Nothing else is allowed in it.
// - Readers treat a bundle as hostile: every name, type, size and hash is
//   checked against the limits and the manifest before it is trusted, files
//   are written only below the folder given, and a refusal comes with one
//   line of reason. Nothing is extracted in place: extraction fills a fresh
//   temporary folder beside the target, which replaces the target only once
//   every file is verified.
// - Failures are false results with a reason; nothing throws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bundle {

inline constexpr int kFormatVersion = 1;
inline constexpr const char* kManifestName = "manifest.json";
inline constexpr const char* kExtension = ".swstory";

struct FileEntry {
    std::string path; // mod-relative, "/" separated, e.g. "bg/dusk.jpg"
    std::uint64_t size = 0;
    std::string sha256; // 64 lower-case hex digits
    bool operator==(const FileEntry&) const = default;
};

struct Manifest {
    int format = kFormatVersion;
    std::string mod;                 // the mod folder's name
    int frames = 0;                  // frame count of its script.xml
    std::string tool;                // "quillforge-pack 1.0"
    std::vector<std::string> errors; // checker errors of a mod packed anyway
    std::vector<FileEntry> files;    // every file but the manifest, in bundle order
    bool operator==(const Manifest&) const = default;
};

std::string manifestJson(const Manifest& manifest);
// Strict: unknown format versions, missing or mistyped fields, unsafe paths
// or mod names, and duplicate files are refused with the reason.
bool parseManifest(std::string_view json, Manifest& manifest, std::string& reason);

// A name safe to write below a folder: relative, UTF-8, no "." or ".."
// component, no "\", no control characters, nothing empty.
bool isSafePath(std::string_view path);
// A mod name the player's startup.txt can name and a folder can hold: one
// safe path component without white space, not starting with ".".
bool isSafeModName(std::string_view name);
bool isValidUtf8(std::string_view text);

// SHA-256 as hex, of a file's bytes (empty when it cannot be read) or of bytes.
std::string sha256OfFile(const std::string& path);
std::string sha256Of(std::string_view bytes);

// ---- writing

// Writes modFolder's files (mod-relative paths, "/" separated) and a manifest
// made from manifest (its files list is filled in) to outFile, through a
// temporary file beside it. Pictures and audio, already compressed, are
// stored; the rest is deflated.
bool writeBundle(const std::string& modFolder, const std::vector<std::string>& files, Manifest& manifest,
                 const std::string& outFile, std::string& reason);

// ---- reading

struct Limits {
    std::uint64_t maxEntries = 10000;
    std::uint64_t maxTotalBytes = 2ull << 30; // uncompressed
    std::uint64_t maxRatio = 200;             // uncompressed bytes per bundle byte
};

struct Inspection {
    Manifest manifest;
    std::string manifestText; // manifest.json as stored
    std::uint64_t bundleBytes = 0;
};

// Reads the bundle's directory and manifest without extracting anything and
// checks every entry against the limits and the manifest.
bool inspectBundle(const std::string& file, Inspection& inspection, std::string& reason, const Limits& limits = {});

// Writes the bundle's files into folder, an existing empty folder, checking
// each one's size and hash as it goes; an empty folder checks them only. On
// failure folder may hold part of them; the caller removes it.
bool extractBundle(const std::string& file, const Inspection& inspection, const std::string& folder,
                   std::string& reason, const Limits& limits = {});

struct Installed {
    std::string modFolder; // library/<mod>
    Manifest manifest;
    bool extracted = false; // false: an earlier extraction was reused
};

// Verifies the bundle and makes library/<mod> hold its mod: an earlier
// extraction of the same manifest whose files still match it is reused (the
// bundle is verified all the same), anything else
// is replaced by a fresh extraction once that is complete, and a script.xml
// that the programs' reader refuses (the checker's load rule) is refused
// before it replaces anything. library is created when missing.
bool installBundle(const std::string& file, const std::string& library, Installed& installed, std::string& reason,
                   const Limits& limits = {});

} // namespace bundle
