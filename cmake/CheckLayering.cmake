cmake_minimum_required(VERSION 3.25)
# Checks that the subsystems under src/ use only the ones below them, in includes and in links, and that the
# desktop platform's own helpers (X11 traps and connections, AT-SPI wrappers, Wayland protocol code) stay
# inside it. Run as: cmake -DSOURCE_DIR=<project> -P CheckLayering.cmake
#
# Bottom to top, as src/CMakeLists.txt adds them; a subsystem may use those before it.
set(layers Foundation Platform GlobalShortcuts Screenshots Support Clipboard Keyboard Picker Views Updates App)
# The library each subsystem builds, where it differs from its folder's name.
set(target_App AppCore)
# Headers of the desktop platform that no other folder may include; its tests may.
set(desktop_private X11ErrorTrap.h X11Connection.h X11EventWatch.h AtspiRef.h AtspiSession.h
                    DataControlProtocol.h WaylandConnection.h)
# Known upward uses still to be moved, as "File: Subsystem".
set(allowed "src/Support/AppSettings.h: Clipboard")

set(failures "")
foreach(layer IN LISTS layers)
    list(FIND layers ${layer} rank)
    file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/src/${layer}/*.h ${SOURCE_DIR}/src/${layer}/*.cpp)
    foreach(file IN LISTS files)
        # The platform's implementations and the program's start are where the platforms are chosen.
        if(file MATCHES "^src/Platform/(Desktop|Simulated)/" OR file STREQUAL "src/App/main.cpp")
            continue()
        endif()
        file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^#include \"[A-Za-z]+/")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^#include \"([A-Za-z]+)/.*" "\\1" used "${line}")
            list(FIND layers ${used} usedRank)
            if(line MATCHES "^#include \"Platform/(Desktop|Simulated)/")
                list(APPEND failures "${file} includes a platform implementation: ${line}")
            elseif(usedRank GREATER rank AND NOT "${file}: ${used}" IN_LIST allowed)
                list(APPEND failures "${file} (${layer}) uses ${used}, which sits above it: ${line}")
            endif()
        endforeach()
    endforeach()

    # Links: a subsystem's library names only libraries of the subsystems below it.
    set(target ${layer})
    if(DEFINED target_${layer})
        set(target ${target_${layer}})
    endif()
    file(READ ${SOURCE_DIR}/src/${layer}/CMakeLists.txt cmake)
    string(REGEX MATCHALL "target_link_libraries\\(${target}[ \n][^)]*\\)" links "${cmake}")
    foreach(other IN LISTS layers)
        list(FIND layers ${other} otherRank)
        set(otherTarget ${other})
        if(DEFINED target_${other})
            set(otherTarget ${target_${other}})
        endif()
        if(otherRank GREATER rank AND links MATCHES "[ \n]${otherTarget}[ \n)]")
            list(APPEND failures "${target} links ${otherTarget}, which sits above it")
        endif()
    endforeach()
endforeach()

file(GLOB_RECURSE everything RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp
     ${SOURCE_DIR}/tools/*.h ${SOURCE_DIR}/tools/*.cpp ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/tests/*.h
     ${SOURCE_DIR}/tests/*.cpp)
foreach(file IN LISTS everything)
    if(file MATCHES "^(src/Platform/Desktop|tests/Desktop|tests/Platform)/")
        continue()
    endif()
    foreach(header IN LISTS desktop_private)
        file(STRINGS ${SOURCE_DIR}/${file} found REGEX "^#include \"Platform/Desktop/${header}\"")
        if(found)
            list(APPEND failures "${file} includes the desktop platform's own ${header}")
        endif()
    endforeach()
endforeach()

if(failures)
    list(JOIN failures "\n" text)
    message(FATAL_ERROR "Layering broken:\n${text}")
endif()
message(STATUS "Layering holds")
