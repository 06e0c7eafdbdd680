# nerro_optimize_for_size(<targets...>)
# nerro_optimize_sources_for_size(<folder> <sources...>)
#
# The Windows programs' code that runs a few times per installation (the
# dialogs and widgets, the configuration, the install and uninstall steps, the
# Win32 layer) is built for size: the installer stub travels in every product,
# and -Os takes a fifth of it. The codecs keep the tree's optimisation, and so
# do the pack's reading and check value and the foundation's byte streams and
# work queue of the file writers: they handle every byte of the payload. The
# cold sources of those two libraries (the INI reader and its collection, the
# pack's index, temporary files and signature) are named one by one.
function(nerro_optimize_for_size)
  foreach(target IN LISTS ARGN)
    target_compile_options(${target} PRIVATE -Os)
  endforeach()
endfunction()

# folder: the one under the project root whose CMakeLists.txt adds the sources.
function(nerro_optimize_sources_for_size folder)
  list(TRANSFORM ARGN PREPEND "${PROJECT_SOURCE_DIR}/${folder}/" OUTPUT_VARIABLE sources)
  set_property(SOURCE ${sources} DIRECTORY "${PROJECT_SOURCE_DIR}/${folder}"
    APPEND PROPERTY COMPILE_OPTIONS -Os)
endfunction()
