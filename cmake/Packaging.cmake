# Two Debian packages from one build tree (`cpack -G DEB` in the build
# directory): scenewalk, the player, and quillforge, the editor, which
# depends on it. Library dependencies come from dpkg-shlibdeps; the others
# are what the programs load at run time without linking it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillforge)
set(CPACK_PACKAGE_VENDOR "The Quillforge developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${QS_MAINTAINER}")
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/packages")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL scenewalk quillforge)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QS_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QS_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_SCENEWALK_PACKAGE_NAME scenewalk)
set(CPACK_DEBIAN_SCENEWALK_PACKAGE_SECTION misc)
# The player's message boxes ("Story finished!") draw with the X core fonts;
# lintian wants a font package recommended, not depended on.
set(CPACK_DEBIAN_SCENEWALK_PACKAGE_RECOMMENDS "xfonts-base")
set(CPACK_DEBIAN_SCENEWALK_DESCRIPTION "player for illustrated stories told frame by frame
Scenewalk plays the stories written with Quillforge in an 800 x 600 OpenGL
window: pictures fade from frame to frame, the sentence appears like a
typewriter, music and sound effects play along. Chinese sentences are drawn
with a dot-matrix font made from GNU Unifont.")

set(CPACK_DEBIAN_QUILLFORGE_PACKAGE_NAME quillforge)
set(CPACK_DEBIAN_QUILLFORGE_PACKAGE_SECTION misc)
# Qt finds its X11 platform plugin at run time; scenewalk-render starts a
# private Xvfb.
set(CPACK_DEBIAN_QUILLFORGE_PACKAGE_DEPENDS "scenewalk (= ${PROJECT_VERSION}), qt6-qpa-plugins, xvfb")
set(CPACK_DEBIAN_QUILLFORGE_DESCRIPTION "editor for illustrated stories told frame by frame
Quillforge is the story editor of Scenewalk. In one window an author picks
or creates a story, adds persons with their photos, backgrounds, music and
sounds, and edits the story frame by frame with a preview of each frame,
then exports it and chooses the story the player starts. A demo story and
the templates new stories start from are included.")

include(CPack)
