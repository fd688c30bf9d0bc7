# Install rules: `cmake --install` into any prefix (DESTDIR respected) lays
# out the programs, their commands, data, menu entries, icons, AppStream
# metadata, manual pages and licence. Every file belongs to the component of
# the Debian package that ships it (cmake/Packaging.cmake): scenewalk, the
# player with what it reads, or quillforge, the editor with the story data
# and the authors' tools.
include(GNUInstallDirs)

set(QS_HOMEPAGE "https://quillforge.example.org/" CACHE STRING "Project home page, for the packages and AppStream")
set(QS_MAINTAINER "The Quillforge developers <maintainers@quillforge.example.org>"
    CACHE STRING "Package maintainer, 'Name <address>'")
set(QS_RELEASE_DATE "2026-12-07")
set(QS_RELEASE_RFC2822 "Mon, 07 Dec 2026 00:00:00 +0000")

if(NOT DEFINED CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS)
    set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
        OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()

# The launchers find these two from their own place (launcher/CMakeLists.txt).
set(QS_PROGRAM_DIR "${CMAKE_INSTALL_LIBEXECDIR}/quillforge")
set(QS_DATA_DIR "${CMAKE_INSTALL_DATADIR}/quillforge")
set(QS_STAGE_DIR "${CMAKE_BINARY_DIR}/install-files")

# Programs and commands. The authors' tools are installed once the branches
# that add them have landed; each has a manual page in data/man.
install(TARGETS scenewalk DESTINATION "${QS_PROGRAM_DIR}" COMPONENT scenewalk)
install(TARGETS quillforge DESTINATION "${QS_PROGRAM_DIR}" COMPONENT quillforge)
# OpenCV's codecs as the plug-in both programs load from their own folder.
install(TARGETS qs_opencv_codecs LIBRARY DESTINATION "${QS_PROGRAM_DIR}" COMPONENT scenewalk)
install(TARGETS scenewalk_launcher DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT scenewalk)
install(TARGETS quillforge_launcher DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT quillforge)
set(QS_COMMANDS scenewalk quillforge)
# scenewalk-play is the reader's, in the player's package; the rest are the authors'.
foreach(tool quillforge-check scenewalk-render quillforge-pack scenewalk-play)
    set(component quillforge)
    if(tool STREQUAL "scenewalk-play")
        set(component scenewalk)
    endif()
    # As targets, so the packages get them stripped like the programs.
    if(TARGET ${tool})
        install(TARGETS ${tool} DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT ${component})
        list(APPEND QS_COMMANDS ${tool})
    endif()
endforeach()

# Read-only data. The story files come from the sources, never from the run
# directory, where a developer's own mods and edits live.
set(QS_STORY_SOURCE "${PROJECT_SOURCE_DIR}/data/story")
install(FILES "${QS_STORY_SOURCE}/next.png" DESTINATION "${QS_DATA_DIR}/story" COMPONENT scenewalk)
file(GLOB QS_STORY_TOP LIST_DIRECTORIES false CONFIGURE_DEPENDS "${QS_STORY_SOURCE}/*")
list(REMOVE_ITEM QS_STORY_TOP "${QS_STORY_SOURCE}/next.png")
install(FILES ${QS_STORY_TOP} DESTINATION "${QS_DATA_DIR}/story" COMPONENT quillforge)
file(GLOB QS_STORY_MODS LIST_DIRECTORIES true CONFIGURE_DEPENDS "${QS_STORY_SOURCE}/*")
foreach(entry ${QS_STORY_MODS})
    if(IS_DIRECTORY "${entry}")
        install(DIRECTORY "${entry}" DESTINATION "${QS_DATA_DIR}/story" COMPONENT quillforge)
    endif()
endforeach()
install(FILES "${QS_RUN_DIR}/raw/1.bin" DESTINATION "${QS_DATA_DIR}/raw" COMPONENT scenewalk)
install(DIRECTORY "${PROJECT_SOURCE_DIR}/data/shader/" DESTINATION "${QS_DATA_DIR}/shader" COMPONENT scenewalk)

# Menu entries, icons, AppStream metadata.
foreach(prog scenewalk quillforge)
    install(FILES "${PROJECT_SOURCE_DIR}/data/desktop/${prog}.desktop"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/applications" COMPONENT ${prog})
    foreach(size scalable 48x48 128x128 256x256)
        set(ext png)
        if(size STREQUAL "scalable")
            set(ext svg)
        endif()
        install(FILES "${QS_ICON_DIR}/${size}/apps/${prog}.${ext}"
                DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps" COMPONENT ${prog})
    endforeach()
    configure_file("${PROJECT_SOURCE_DIR}/data/metainfo/org.example.${prog}.metainfo.xml"
                   "${QS_STAGE_DIR}/org.example.${prog}.metainfo.xml" @ONLY)
    install(FILES "${QS_STAGE_DIR}/org.example.${prog}.metainfo.xml"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo" COMPONENT ${prog})
endforeach()

# The story bundle type, opened by scenewalk-play (the desktop entry above).
install(FILES "${PROJECT_SOURCE_DIR}/data/mime/scenewalk.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/mime/packages" COMPONENT scenewalk)

# Manual pages and the licence and changelog files, gzipped as Debian ships
# them (man and every pager read them so).
find_program(QS_GZIP gzip REQUIRED)
configure_file("${PROJECT_SOURCE_DIR}/data/debian/copyright" "${QS_STAGE_DIR}/copyright" @ONLY)
set(QS_STAGED)
foreach(cmd ${QS_COMMANDS})
    set(page "${QS_STAGE_DIR}/${cmd}.1.gz")
    add_custom_command(OUTPUT "${page}"
        COMMAND ${QS_GZIP} -9nc "${PROJECT_SOURCE_DIR}/data/man/${cmd}.1" > "${page}"
        DEPENDS "${PROJECT_SOURCE_DIR}/data/man/${cmd}.1")
    list(APPEND QS_STAGED "${page}")
    set(component quillforge)
    if(cmd STREQUAL "scenewalk" OR cmd STREQUAL "scenewalk-play")
        set(component scenewalk)
    endif()
    install(FILES "${page}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1" COMPONENT ${component})
endforeach()
foreach(QS_PACKAGE scenewalk quillforge)
    configure_file("${PROJECT_SOURCE_DIR}/data/debian/changelog.in" "${QS_STAGE_DIR}/${QS_PACKAGE}/changelog" @ONLY)
    set(log "${QS_STAGE_DIR}/${QS_PACKAGE}/changelog.gz")
    add_custom_command(OUTPUT "${log}"
        COMMAND ${QS_GZIP} -9nc "${QS_STAGE_DIR}/${QS_PACKAGE}/changelog" > "${log}"
        DEPENDS "${QS_STAGE_DIR}/${QS_PACKAGE}/changelog")
    list(APPEND QS_STAGED "${log}")
    install(FILES "${QS_STAGE_DIR}/copyright" "${log}"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/${QS_PACKAGE}" COMPONENT ${QS_PACKAGE})
endforeach()
add_custom_target(install_files ALL DEPENDS ${QS_STAGED})
