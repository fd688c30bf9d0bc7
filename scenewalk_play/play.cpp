#include "scenewalk_play/play.h"

#include "bundle/bundle.h"
#include "check/story_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace fs = std::filesystem;

namespace play {

namespace {

std::string failure(const char* what, const fs::path& path, const std::error_code& ec)
{
    return std::string("cannot ") + what + " " + path.string() + ": " + ec.message();
}

// Makes link point at target, replacing whatever link was.
std::string replaceLink(const fs::path& target, const fs::path& link)
{
    const fs::path temp = link.string() + ".new-" + std::to_string(::getpid());
    std::error_code ec;
    fs::remove(temp, ec);
    fs::create_symlink(target, temp, ec);
    if (!ec) fs::rename(temp, link, ec);
    if (!ec) return {};
    const std::string error = failure("link", link, ec);
    fs::remove(temp, ec);
    return error;
}

std::string replaceFile(const fs::path& file, const std::string& text)
{
    const fs::path temp = file.string() + ".new-" + std::to_string(::getpid());
    std::FILE* out = std::fopen(temp.c_str(), "wb");
    bool ok = out && std::fwrite(text.data(), 1, text.size(), out) == text.size();
    ok = out && std::fclose(out) == 0 && ok;
    std::error_code ec;
    if (ok) fs::rename(temp, file, ec);
    if (!ok || ec) {
        fs::remove(temp, ec);
        return "cannot write " + file.string();
    }
    return {};
}

} // namespace

bool prepareStory(const std::string& argument, const fs::path& base, Story& story, std::string& reason)
{
    std::error_code ec;
    const auto status = fs::status(argument, ec);
    if (status.type() == fs::file_type::not_found) {
        reason = argument + ": no such file or folder";
        return false;
    }
    if (status.type() == fs::file_type::directory) {
        story.folder = fs::canonical(argument, ec);
        story.mod = story.folder.filename().string();
        story.extracted = false;
        if (!bundle::isSafeModName(story.mod)) {
            reason = "the folder name \"" + story.mod + "\" holds white space or characters startup.txt cannot name";
            return false;
        }
        StoryRecords records;
        for (const storycheck::Finding& f : storycheck::checkScriptLoad(story.folder.string(), records))
            if (f.severity == storycheck::Severity::Error) {
                reason = f.message.rfind("script.xml", 0) == 0 ? f.message : "script.xml: " + f.message;
                return false;
            }
        return true;
    }
    bundle::Installed installed;
    if (!bundle::installBundle(argument, (base / "stories").string(), installed, reason)) return false;
    story.mod = installed.manifest.mod;
    story.folder = installed.modFolder;
    story.extracted = installed.extracted;
    return true;
}

fs::path layOutWorkFolder(const fs::path& base, const fs::path& dataDir, const Story& story, std::string& reason)
{
    const fs::path work = base / "play" / story.mod;
    std::error_code ec;
    fs::create_directories(work / "story", ec);
    if (ec) {
        reason = failure("create the folder", work / "story", ec);
        return {};
    }
    for (const auto& [target, link] :
         {std::pair{story.folder, work / "story" / story.mod},
          std::pair{dataDir / "story" / "next.png", work / "story" / "next.png"},
          std::pair{dataDir / "raw", work / "raw"}, std::pair{dataDir / "shader", work / "shader"}}) {
        if (auto error = replaceLink(target, link); !error.empty()) {
            reason = error;
            return {};
        }
    }
    if (auto error = replaceFile(work / "story" / "startup.txt", story.mod); !error.empty()) {
        reason = error;
        return {};
    }
    return work;
}

} // namespace play
