# Every external library the project uses, found once and exposed as targets.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(ZLIB REQUIRED)
find_package(JPEG REQUIRED)
find_package(Cups REQUIRED)
find_package(double-conversion CONFIG REQUIRED)

pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo cairo-pdf cairo-ps)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(TIFF REQUIRED IMPORTED_TARGET libtiff-4)
pkg_check_modules(GIF REQUIRED IMPORTED_TARGET libgif)
pkg_check_modules(GSF REQUIRED IMPORTED_TARGET libgsf-1)
pkg_check_modules(AGG REQUIRED libagg)

# libcups and libgsf are opened on first use (platform/RuntimeLibrary.h), not
# when a program starts: the core library takes their headers only. Code that
# calls them directly (tests, fixtures) links Cups::Cups or PkgConfig::GSF.
add_library(kvn::cups_headers INTERFACE IMPORTED)
target_include_directories(kvn::cups_headers SYSTEM INTERFACE ${CUPS_INCLUDE_DIR})
add_library(kvn::gsf_headers INTERFACE IMPORTED)
target_include_directories(kvn::gsf_headers SYSTEM INTERFACE ${GSF_INCLUDE_DIRS})
target_compile_options(kvn::gsf_headers INTERFACE ${GSF_CFLAGS_OTHER})

# AGG ships a static archive and headers that warn under C++20: include as SYSTEM.
add_library(kvn::agg INTERFACE IMPORTED)
target_include_directories(kvn::agg SYSTEM INTERFACE ${AGG_INCLUDE_DIRS})
find_library(AGG_PIC_LIBRARY NAMES agg_pic REQUIRED)
target_link_libraries(kvn::agg INTERFACE ${AGG_PIC_LIBRARY})

# libuemf has no pkg-config file.
find_path(UEMF_INCLUDE_DIR uemf.h REQUIRED)
find_library(UEMF_LIBRARY NAMES uemf REQUIRED)
add_library(kvn::uemf INTERFACE IMPORTED)
target_include_directories(kvn::uemf SYSTEM INTERFACE ${UEMF_INCLUDE_DIR})
target_link_libraries(kvn::uemf INTERFACE ${UEMF_LIBRARY})

# wxWidgets has no imported target in CMake 3.25.
find_package(wxWidgets 3.2 REQUIRED COMPONENTS core base)
add_library(kvn::wx INTERFACE IMPORTED)
target_include_directories(kvn::wx SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(kvn::wx INTERFACE ${wxWidgets_DEFINITIONS})
separate_arguments(_wx_cxx_flags UNIX_COMMAND "${wxWidgets_CXX_FLAGS}")
target_compile_options(kvn::wx INTERFACE ${_wx_cxx_flags})
target_link_libraries(kvn::wx INTERFACE ${wxWidgets_LIBRARIES})

if(KVN_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()
if(KVN_BUILD_BENCH)
  find_package(benchmark QUIET)
endif()
