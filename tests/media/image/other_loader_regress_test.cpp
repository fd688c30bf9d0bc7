// Pictures that once brought the whole program down in the generic loader.
#include "media/image/image_loader.h"
#include "tests/media/image/damaged_dicom.h"
#include "tests/player/temp_dir.h"

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

TEST(OtherLoaderRegress, DamagedDicomIsRefusedInsteadOfAbortingTheProcess)
{
    TempDir dir;
    const std::vector<unsigned char>& found = kDamagedDicom;
    for (const char* name : {"found.jpg", "found.img", "found"})
        EXPECT_TRUE(loadOtherImage(dir.write(name, found)).empty()) << name;

    std::vector<unsigned char> plain(128, 0);
    for (char c : {'D', 'I', 'C', 'M', '\x02', '\0', '\x10', '\0', 'U', 'L', '\xff', '\xff'})
        plain.push_back(static_cast<unsigned char>(c));
    EXPECT_TRUE(loadOtherImage(dir.write("plain.bmp", plain)).empty());

    // The same guard serves code that calls OpenCV directly; real pictures pass.
    EXPECT_TRUE(readWithOpenCv(dir.write("direct.jpg", found), cv::IMREAD_COLOR).empty());
    cv::imwrite(dir.file("real.bmp"), cv::Mat(2, 3, CV_8UC3, cv::Scalar(1, 2, 3)));
    EXPECT_EQ(readWithOpenCv(dir.file("real.bmp"), cv::IMREAD_COLOR).size(), cv::Size(3, 2));
    EXPECT_TRUE(readWithOpenCv(dir.file("missing.bmp"), cv::IMREAD_COLOR).empty());
}
