#include "w32/scene.h"

std::int32_t SceneWidth = 800;
std::int32_t SceneHeight = 600;
