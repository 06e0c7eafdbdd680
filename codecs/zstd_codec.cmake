# The zstd codec joins the codecs library, over libzstd (cmake/NerroZstd.cmake).
# Decoder and compressor are separate objects: a program that only decodes
# links only libzstd's decoder.
include(${PROJECT_SOURCE_DIR}/cmake/NerroZstd.cmake)
target_sources(nerro_codecs PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/zstd_decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zstd_compressor.cpp)
target_link_libraries(nerro_codecs PUBLIC zstd::libzstd)
