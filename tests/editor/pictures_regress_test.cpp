// Picture files that once aborted the editor: every place it decodes a
// picture chosen by the user gives "no picture" for them instead.
#include "editor/cvv_image.h"
#include "editor/preview_compositor.h"
#include "editor/story_commands.h"
#include "tests/player/image/damaged_dicom.h"
#include "tests/player/image/temp_dir.h"

#include <gtest/gtest.h>

TEST(EditorPicturesRegress, ADamagedDicomFileIsNoPictureAnywhere)
{
    TempDir dir;
    const std::string file = dir.write("background.jpg", kDamagedDicom);

    EXPECT_FALSE(quillforge::isReadableImage(file));
    CvvImage image;
    EXPECT_FALSE(image.loadFile(file, 1));
    EXPECT_FALSE(image.loadFileRegion(file, 1, 0, 0, 0, 0));
    quillforge::PictureCache cache(0);
    EXPECT_TRUE(cache.scaledBackground(file).empty());
}
