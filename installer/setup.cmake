# nerro-setup.exe: the installer program (main dialog, start-up, resources),
# and the demo product built with it. Included from windows.cmake in the
# Windows tree.
enable_language(RC)

add_library(nerro_setup_dialogs STATIC
  ${CMAKE_CURRENT_LIST_DIR}/initial_path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/installer_dlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/proposed_path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/silent_install.cpp
  ${CMAKE_CURRENT_LIST_DIR}/setup_pack_check.cpp
)
target_link_libraries(nerro_setup_dialogs PUBLIC nerro_install nerro_chooser nerro_ui nerro_win32)

# The application object must be linked in whole (its start-up hardening
# runs from a static initialiser), so it is one of the program's own sources.
add_executable(nerro-setup WIN32
  ${CMAKE_CURRENT_LIST_DIR}/setup_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/installer_app.cpp
  ${PROJECT_SOURCE_DIR}/resources/nerro_setup.rc
)
set_target_properties(nerro-setup PROPERTIES OUTPUT_NAME nerro-setup${NERRO_PROGRAM_SUFFIX})
target_include_directories(nerro-setup PRIVATE ${PROJECT_SOURCE_DIR}/resources)
# The installer only reads packs: without libzstd's compressor; and its
# terminate handler leaves out the C++ demangler.
target_link_libraries(nerro-setup PRIVATE nerro_zstd_reader_only nerro_terminate_handler
  nerro_setup_dialogs)
set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/nerro_setup.rc PROPERTIES
  OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/resources/nerro-setup.manifest;${PROJECT_SOURCE_DIR}/resources/setup_large.ico;${PROJECT_SOURCE_DIR}/resources/setup_small.ico;${PROJECT_SOURCE_DIR}/resources/resource_ids.h")

include(${PROJECT_SOURCE_DIR}/demo/demo.cmake)
