# The folder chooser and its shell tree, on the widgets of this folder.
# Included from CMakeLists.txt in the Windows tree.
add_library(nerro_chooser STATIC
  ${CMAKE_CURRENT_LIST_DIR}/folder_chooser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell_id_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell_tree.cpp
)
target_link_libraries(nerro_chooser PUBLIC nerro_ui nerro_win32 shell32 ole32)
