#pragma once
// The demo's people and the player's interface pictures, all BGRA with
// transparent surroundings.

#include <opencv2/core.hpp>

enum class MeiMood { Smile, Worried, Surprised };
enum class BoMood { Calm, Laugh };

constexpr int kPortraitWidth = 325; // the player's portrait sprite size
constexpr int kPortraitHeight = 487;

cv::Mat paintMei(MeiMood mood); // the girl: black hair in two buns, red dress
cv::Mat paintBo(BoMood mood);   // her grandfather: white beard, blue robe
cv::Mat paintDefaultPhoto();    // the template photo: a plain grey figure

// 800 x 150 text boxes: with a pointer towards the left speaker (the player
// mirrors it for the right one), and the plain narration box.
cv::Mat paintSpeechBox();
cv::Mat paintNarrationBox();

cv::Mat paintNextMarker(); // 20 x 20 arrow pointing down
