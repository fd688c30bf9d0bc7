// Arcball: turns a drag across a window rectangle into a rotation, by
// mapping both points onto a unit sphere over the rectangle. Points on or
// outside the rim map onto the rim (z = 0). Quaternions are (x, y, z, w).
#pragma once

#include <cstdint>

struct ArcBall {
    float start[3] = {0, 0, 0};
    float end[3] = {0, 0, 0};
    float current[4] = {0, 0, 0, 1};
    float saved[4] = {0, 0, 0, 1};
    float drag[4] = {0, 0, 0, 1};
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    float centerX = 0, centerY = 0;
    // Column-major, as glMultMatrixf takes it.
    float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::int32_t dragging = 0;

    // Maps over a width x height window; ends any drag.
    void SetBounds(int width, int height);
    // The sphere point under window point (px, py), y growing downwards.
    void Map(int px, int py, float out[3]) const;
    void Begin(int px, int py);
    // Rotation from the drag's start to (px, py), applied on top of the
    // rotation the drag began with; nothing unless dragging.
    void Drag(int px, int py);
    void End() { dragging = 0; }
};
