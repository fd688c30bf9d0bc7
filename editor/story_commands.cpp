#include "editor/story_commands.h"

#include <algorithm>

#include <opencv2/imgcodecs.hpp>

#include "media/image/image_loader.h"

#include "document/property_tree.h"
#include "document/story_folder.h"
#include "editor/text_codec.h"

namespace quillforge {

namespace {

const char* personNameFaultLine(NameFault fault)
{
    switch (fault) {
    case NameFault::WhiteSpace: return "Person name can not contain white space...T_T";
    case NameFault::Separator: return "Person name can not contain / or \\...T_T";
    case NameFault::DotName: return "Person name can not be . or .....T_T";
    case NameFault::None: break;
    }
    return "";
}

constexpr const char* kPathWhiteSpaceLine = "File path can not contain white space...T_T";
constexpr const char* kNotAnImageLine = "File format not supported.";

} // namespace

bool hasWhiteSpace(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), isBlank);
}

NameFault folderNameFault(const std::string& name)
{
    if (hasWhiteSpace(name)) return NameFault::WhiteSpace;
    if (name.find_first_of("/\\") != std::string::npos) return NameFault::Separator;
    if (name == "." || name == "..") return NameFault::DotName;
    return NameFault::None;
}

bool isReadableImage(const std::string& path)
{
    // Decoded in colour and dropped at once: only readability matters here.
    return !path.empty() && !readWithOpenCv(toFsPath(path), cv::IMREAD_COLOR).empty();
}

const char* saveLogLine(bool saved)
{
    return saved ? "Story save success...:-)" : "Story save failed...T_T";
}

CommandOutcome addFrameCommand(StoryScript& story)
{
    if (story.frames.empty()) {
        // Nothing to copy: the first frame shows the first background and
        // music, nobody, and no sound.
        story.frames.emplace_back();
        story.frameCount = 1;
        story.currentFrame = 0;
        return said("Frame added...:-)", kRefreshFrame);
    }
    if (!story.addFrame()) return said("Frame add failed, no frame is current...T_T");
    return said("Frame added...:-)", kRefreshFrame);
}

CommandOutcome deleteFrameCommand(StoryScript& story)
{
    if (!story.deleteFrame()) return said("No more frames, can not delete...T_T");
    return said("Frame deleted...:-)", kRefreshFrame);
}

CommandOutcome addAssetCommand(StoryScript& story, AssetList list, const std::string& path)
{
    if (hasWhiteSpace(path)) return said(kPathWhiteSpaceLine);
    switch (list) {
    case AssetList::Background:
        if (!isReadableImage(path)) return said(kNotAnImageLine);
        story.backgrounds.push_back(path);
        return said("New bg added.", kRefreshBackgroundBox);
    case AssetList::Music: story.musics.push_back(path); return said("New bgm added.", kRefreshMusicBox);
    case AssetList::Sound: story.sounds.push_back(path); return said("New sound added.", kRefreshSoundBox);
    }
    return {};
}

CommandOutcome addPhotoCommand(StoryScript& story, int person, const std::string& path)
{
    if (person < 0 || static_cast<size_t>(person) >= story.characters.size())
        return said("No person to add the photo to...T_T");
    if (hasWhiteSpace(path)) return said(kPathWhiteSpaceLine);
    if (!isReadableImage(path)) return said(kNotAnImageLine);
    Character& who = story.characters[person];
    // The description is story text; the file name is file-system bytes.
    who.photos.push_back(Photo{fileNameToGb(fileNameOf(path)), path});
    who.photoNum = static_cast<int>(who.photos.size());
    CommandOutcome outcome = said("New person image added.", kRefreshPhotoBoxes);
    outcome.person = person;
    return outcome;
}

CommandOutcome addPersonCommand(StoryScript& story, const std::string& name)
{
    for (const Character& existing : story.characters)
        if (existing.name == name) return said("Person name already exist...T_T");
    if (NameFault fault = folderNameFault(name); fault != NameFault::None) return said(personNameFaultLine(fault));
    story.characters.push_back(Character{name, 1, {Photo{"default", "//defaultPhoto.png"}}});
    story.characterCount = static_cast<int>(story.characters.size());
    return said("Person added...:-)", kRefreshPersonBoxes);
}

CommandOutcome said(std::string line, unsigned refresh)
{
    CommandOutcome outcome;
    outcome.logLine = std::move(line);
    outcome.refresh = refresh;
    return outcome;
}

} // namespace quillforge
