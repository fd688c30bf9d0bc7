// The logical scene size in pixels. RunMainWindow sets 800 x 600 before the
// window exists; the overlay, the scene pass and the stereo targets read it.
#pragma once

#include <cstdint>

extern std::int32_t SceneWidth;
extern std::int32_t SceneHeight;
