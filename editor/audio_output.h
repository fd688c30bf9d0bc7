#pragma once
// The editor's preview plays through the shared audio device layer.

#include "document/story_audio.h"

namespace quillforge {

// The process's audio devices (media/audio) as a story model's output.
AudioOutput& mixerAudio();

} // namespace quillforge
