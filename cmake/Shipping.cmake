# What ships is the program the tests run: every build is optimised for size,
# keeps only the functions and data something uses, and strips its symbols.
# The C and C++ runtimes are linked statically (top-level CMakeLists), so a
# setup executable needs no DLL beyond the system's.
# -DBOOTWRIGHT_LEAN=OFF builds with the toolchain's usual flags and symbols,
# for a debugger.
option(BOOTWRIGHT_LEAN "Optimise for size and strip every program" ON)
if(BOOTWRIGHT_LEAN)
    add_compile_options(-Os -ffunction-sections -fdata-sections)
    add_link_options(-Wl,--gc-sections -s)
endif()
