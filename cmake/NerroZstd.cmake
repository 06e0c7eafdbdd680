# libzstd as the imported target zstd::libzstd.
#   native trees: Debian's libzstd-dev (scripts/setup.sh installs it)
#   Windows trees: the static library that scripts/build-zstd.sh builds once
#                  per clone into build/third-party/zstd-<i686|x86_64>/
#                  (NERRO_ZSTD_DIR names another folder of that layout)
if(TARGET zstd::libzstd)
  return()
endif()

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(zstd_arch x86_64)
  else()
    set(zstd_arch i686)
  endif()
  set(NERRO_ZSTD_DIR "${PROJECT_SOURCE_DIR}/build/third-party/zstd-${zstd_arch}"
      CACHE PATH "libzstd built for this Windows tree (include/, lib/libzstd.a)")
  if(NOT EXISTS "${NERRO_ZSTD_DIR}/lib/libzstd.a" OR NOT EXISTS "${NERRO_ZSTD_DIR}/include/zstd.h")
    message(FATAL_ERROR "libzstd for ${zstd_arch} is missing in ${NERRO_ZSTD_DIR}: "
                        "run scripts/setup.sh (or scripts/build-zstd.sh)")
  endif()
  add_library(zstd::libzstd STATIC IMPORTED GLOBAL)
  set_target_properties(zstd::libzstd PROPERTIES
    IMPORTED_LOCATION "${NERRO_ZSTD_DIR}/lib/libzstd.a"
    INTERFACE_INCLUDE_DIRECTORIES "${NERRO_ZSTD_DIR}/include")
else()
  find_path(ZSTD_INCLUDE_DIR zstd.h REQUIRED)
  find_library(ZSTD_LIBRARY zstd REQUIRED)
  add_library(zstd::libzstd UNKNOWN IMPORTED GLOBAL)
  set_target_properties(zstd::libzstd PROPERTIES
    IMPORTED_LOCATION "${ZSTD_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${ZSTD_INCLUDE_DIR}")
endif()
