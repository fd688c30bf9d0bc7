#pragma once
// The stories the generator writes: the template a new mod starts from, and
// the demo mod "Lantern".

#include "document/story_script.h"

#include <string>

inline const std::string kDemoModName = "Lantern";

// One person with the default photo, one frame, every list holding its default.
StoryRecords templateStory();

// Fourteen frames of a girl, her grandfather and the lantern festival. Fails
// (false) when a sentence cannot be put into GB 2312.
bool demoStory(StoryRecords& out);

// UTF-8 text as GB 2312 (EUC-CN) bytes; false when a character has no code.
bool toGb2312(const std::string& utf8, std::string& out);
