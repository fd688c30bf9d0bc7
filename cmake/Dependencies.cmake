# Every third-party library comes from a Debian package (scripts/packages-build.txt).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(Boost REQUIRED)
find_package(PNG REQUIRED)
find_package(OpenCV REQUIRED COMPONENTS core imgproc imgcodecs)
find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
find_package(GLUT REQUIRED)
find_package(GLEW REQUIRED)
find_package(GTest REQUIRED)
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Test)
if(QS_BENCH)
    find_package(benchmark REQUIRED)
endif()

pkg_check_modules(TINYXML REQUIRED IMPORTED_TARGET tinyxml)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(SDL2_MIXER REQUIRED IMPORTED_TARGET SDL2_mixer)

# One imported target per dependency, so the folders link by name.
add_library(dep::tinyxml ALIAS PkgConfig::TINYXML)
add_library(dep::sdl2 ALIAS PkgConfig::SDL2)
add_library(dep::sdl2_mixer ALIAS PkgConfig::SDL2_MIXER)
pkg_check_modules(TURBOJPEG REQUIRED IMPORTED_TARGET libturbojpeg)
add_library(dep::turbojpeg ALIAS PkgConfig::TURBOJPEG)
# The programs link OpenCV's core and imgproc only; its codecs (and the many
# libraries they load) come in through media/image's plug-in, or directly for
# tools and tests that write pictures (dep::opencv_codecs).
add_library(dep_opencv INTERFACE)
target_include_directories(dep_opencv INTERFACE ${OpenCV_INCLUDE_DIRS})
target_link_libraries(dep_opencv INTERFACE opencv_core opencv_imgproc)
add_library(dep::opencv ALIAS dep_opencv)
add_library(dep_opencv_codecs INTERFACE)
target_link_libraries(dep_opencv_codecs INTERFACE opencv_imgcodecs)
add_library(dep::opencv_codecs ALIAS dep_opencv_codecs)
add_library(dep_gl INTERFACE)
target_link_libraries(dep_gl INTERFACE OpenGL::GL OpenGL::GLU GLUT::GLUT GLEW::GLEW)
add_library(dep::gl ALIAS dep_gl)
