# TinyXML comes from Debian's source package, unpacked outside the repository
# and built with its own strings (the script says why).
set(TINYXML_SOURCE_DIR ${CMAKE_SOURCE_DIR}/.deps/tinyxml CACHE PATH "TinyXML sources")
set(tinyxml_stl_forced "")
if(EXISTS ${TINYXML_SOURCE_DIR}/tinyxml.h)
    file(STRINGS ${TINYXML_SOURCE_DIR}/tinyxml.h tinyxml_stl_forced REGEX "#define TIXML_USE_STL")
endif()
if(NOT EXISTS ${TINYXML_SOURCE_DIR}/tinyxml.cpp OR tinyxml_stl_forced)
    execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/fetch-tinyxml.sh ${TINYXML_SOURCE_DIR}
                    RESULT_VARIABLE fetch_result)
    if(NOT fetch_result EQUAL 0)
        message(FATAL_ERROR "Could not unpack TinyXML into ${TINYXML_SOURCE_DIR}")
    endif()
endif()
add_library(tinyxml STATIC
    ${TINYXML_SOURCE_DIR}/tinyxml.cpp
    ${TINYXML_SOURCE_DIR}/tinyxmlerror.cpp
    ${TINYXML_SOURCE_DIR}/tinyxmlparser.cpp
    ${TINYXML_SOURCE_DIR}/tinystr.cpp)
target_include_directories(tinyxml SYSTEM PUBLIC ${TINYXML_SOURCE_DIR})

# GoogleTest is built for the Windows target from Debian's googletest sources.
if(BOOTWRIGHT_TESTS)
    set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    include(GoogleTest)
endif()

# zlib compresses the packager's MSZIP cabinets: Debian's MinGW build
# (libz-mingw-w64-dev), linked statically like the runtimes.
find_library(ZLIB_STATIC_LIBRARY NAMES libz.a REQUIRED)
find_path(ZLIB_INCLUDE_DIR zlib.h REQUIRED)
add_library(zlib_static STATIC IMPORTED)
set_target_properties(zlib_static PROPERTIES IMPORTED_LOCATION ${ZLIB_STATIC_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${ZLIB_INCLUDE_DIR})
