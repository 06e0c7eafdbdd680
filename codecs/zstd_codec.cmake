# The zstd codec joins the codecs library, over libzstd (cmake/NerroZstd.cmake).
# Decoder and compressor are separate objects; a program that only reads packs
# links nerro_zstd_reader_only as well (its zstdCompress stands in for the
# real one), and so carries only libzstd's decoder.
include(${PROJECT_SOURCE_DIR}/cmake/NerroZstd.cmake)
target_sources(nerro_codecs PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/zstd_decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zstd_compressor.cpp)
target_link_libraries(nerro_codecs PUBLIC zstd::libzstd)

add_library(nerro_zstd_reader_only OBJECT ${CMAKE_CURRENT_LIST_DIR}/zstd_reader_only.cpp)
target_include_directories(nerro_zstd_reader_only PRIVATE ${PROJECT_SOURCE_DIR})
