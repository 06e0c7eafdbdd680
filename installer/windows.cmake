# The Windows half of the installer: host detection, the install worker with
# its folders and shortcuts, and the install record. Included from
# CMakeLists.txt in the Windows tree only.
add_library(nerro_install STATIC
  ${CMAKE_CURRENT_LIST_DIR}/file_replace.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host_detect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/install_journal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/installed_product.cpp
  ${CMAKE_CURRENT_LIST_DIR}/install_log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/install_payload.cpp
  ${CMAKE_CURRENT_LIST_DIR}/install_progress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/install_record.cpp
  ${CMAKE_CURRENT_LIST_DIR}/install_worker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shortcut.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vendor_hosts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows_names.cpp
)
target_link_libraries(nerro_install PUBLIC nerro_config nerro_pack nerro_win32 advapi32 shell32 ole32 uuid)

# The installer program itself (dialogs, start-up, resources) and the demo
# product live in a file of their own.
include(${CMAKE_CURRENT_LIST_DIR}/setup.cmake)
