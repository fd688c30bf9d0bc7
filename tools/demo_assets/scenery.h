#pragma once
// The demo's backgrounds, 800 x 600 opaque BGR pictures.

#include <opencv2/core.hpp>

cv::Mat paintMeadow();    // a summer day: river valley, the house on the hill
cv::Mat paintDusk();      // the same valley at sunset
cv::Mat paintNight();     // moonlit night, lit windows, fireflies by the river
cv::Mat paintLanterns();  // festival night: lanterns rising over the hills
cv::Mat paintDefaultBg(); // the template background of a new story: a lone tree
