# Small Windows Installer packages the product tests install for real, built
# from tests/data/msi/*.wxs into bin/testdata/ with wixl.
find_program(WIXL_EXECUTABLE wixl REQUIRED)

file(GLOB TEST_PACKAGE_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/data/msi/*.wxs)
set(TEST_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/bin/testdata)
set(TEST_PACKAGES)
foreach(source ${TEST_PACKAGE_SOURCES})
    get_filename_component(name ${source} NAME_WLE)
    set(package ${TEST_PACKAGE_DIRECTORY}/${name}.msi)
    add_custom_command(OUTPUT ${package}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${TEST_PACKAGE_DIRECTORY}
        COMMAND ${WIXL_EXECUTABLE} -a x64 -o ${package} ${source}
        DEPENDS ${source}
        COMMENT "Building test package ${name}.msi"
        VERBATIM)
    list(APPEND TEST_PACKAGES ${package})
endforeach()
add_custom_target(test_packages DEPENDS ${TEST_PACKAGES})
