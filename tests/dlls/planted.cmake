# Stand-ins for the platform DLLs loaded at run time, for the planted-library
# tests, kept out of bin/ so that nothing else can load them by accident.
set(BOOTWRIGHT_PLANTED_TARGETS)
foreach(library cabinet comctl32 msi version urlmon winhttp)
    add_library(planted_${library} SHARED ${CMAKE_CURRENT_LIST_DIR}/planted_library.cpp)
    set_target_properties(planted_${library} PROPERTIES PREFIX "" OUTPUT_NAME ${library}
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/planted)
    list(APPEND BOOTWRIGHT_PLANTED_TARGETS planted_${library})
endforeach()
