#include "wglh/arcball.h"

#include <cmath>

namespace {
constexpr float kEpsilon = 2.384185791015625e-06f; // 2^-19
}

void ArcBall::SetBounds(int width, int height)
{
    dragging = 0;
    left = top = 0;
    right = width - 1 != 0 ? width - 1 : 1;
    bottom = height - 1 != 0 ? height - 1 : 1;
    centerX = static_cast<float>(width - 1) * 0.5f;
    centerY = static_cast<float>(height - 1) * 0.5f;
}

void ArcBall::Map(int px, int py, float out[3]) const
{
    // Bounds not yet set would divide by zero and poison the rotation with NaN.
    const float halfW = right - left != 0 ? static_cast<float>(right - left) * 0.5f : 0.5f;
    const float halfH = bottom - top != 0 ? static_cast<float>(bottom - top) * 0.5f : 0.5f;
    const float sx = (static_cast<float>(px) - centerX) / halfW;
    const float sy = -((static_cast<float>(py) - centerY) / halfH);
    const float d = sx * sx + sy * sy;
    if (d - 1.0f > -kEpsilon) {
        const float length = std::sqrt(d);
        out[0] = sx / length;
        out[1] = sy / length;
        out[2] = 0.0f;
    } else {
        out[0] = sx;
        out[1] = sy;
        out[2] = std::sqrt(1.0f - d);
    }
}

void ArcBall::Begin(int px, int py)
{
    Map(px, py, start);
    for (int i = 0; i < 4; ++i) saved[i] = current[i];
    drag[0] = drag[1] = drag[2] = 0.0f;
    drag[3] = 1.0f;
    dragging = 1;
}

void ArcBall::Drag(int px, int py)
{
    if (!dragging) return;
    Map(px, py, end);
    drag[0] = start[1] * end[2] - start[2] * end[1];
    drag[1] = start[2] * end[0] - start[0] * end[2];
    drag[2] = start[0] * end[1] - start[1] * end[0];
    drag[3] = start[0] * end[0] + start[1] * end[1] + start[2] * end[2];

    // current = drag (x) saved
    const float s1 = drag[3], s2 = saved[3];
    const float* u1 = drag;
    const float* u2 = saved;
    float q[4];
    q[3] = s1 * s2 - (u1[0] * u2[0] + u1[1] * u2[1] + u1[2] * u2[2]);
    q[0] = s1 * u2[0] + s2 * u1[0] + (u1[1] * u2[2] - u1[2] * u2[1]);
    q[1] = s1 * u2[1] + s2 * u1[1] + (u1[2] * u2[0] - u1[0] * u2[2]);
    q[2] = s1 * u2[2] + s2 * u1[2] + (u1[0] * u2[1] - u1[1] * u2[0]);
    const float norm2 = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
    if (norm2 > kEpsilon) {
        const float length = std::sqrt(norm2);
        for (float& c : q) c /= length;
    }
    for (int i = 0; i < 4; ++i) current[i] = q[i];

    const float x = q[0], y = q[1], z = q[2], w = q[3];
    matrix[0] = 1 - 2 * y * y - 2 * z * z;
    matrix[1] = 2 * x * y + 2 * z * w;
    matrix[2] = 2 * x * z - 2 * y * w;
    matrix[4] = 2 * x * y - 2 * z * w;
    matrix[5] = 1 - 2 * x * x - 2 * z * z;
    matrix[6] = 2 * y * z + 2 * x * w;
    matrix[8] = 2 * x * z + 2 * y * w;
    matrix[9] = 2 * y * z - 2 * x * w;
    matrix[10] = 1 - 2 * x * x - 2 * y * y;
    matrix[3] = matrix[7] = matrix[11] = matrix[12] = matrix[13] = matrix[14] = 0.0f;
    matrix[15] = 1.0f;
}
