# The demo product: two sample plug-in DLLs, and the demo installer
# (bin/nerro-demo-setup.exe) made with nerro-pack from demo/product, the
# plug-ins and nerro-uninstall.exe. Included from installer/setup.cmake in the
# Windows tree.
foreach(plugin NerroBlur:nerro_blur NerroSharpen:nerro_sharpen)
  string(REPLACE ":" ";" parts ${plugin})
  list(GET parts 0 output)
  list(GET parts 1 source)
  add_library(demo_${source} SHARED ${CMAKE_CURRENT_LIST_DIR}/plugins/${source}.cpp)
  set_target_properties(demo_${source} PROPERTIES
    OUTPUT_NAME ${output} PREFIX "" SUFFIX ".8bf"
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/demo-plugins)
  # Small sample files: no debugging symbols in them.
  target_link_options(demo_${source} PRIVATE -s)
endforeach()

# The pack tool that builds the installer: a native one when given (fast),
# else the Windows one under Wine.
set(default_pack_tool "")
if(EXISTS ${PROJECT_SOURCE_DIR}/build/native/bin/nerro-pack)
  set(default_pack_tool ${PROJECT_SOURCE_DIR}/build/native/bin/nerro-pack)
endif()
set(NERRO_HOST_PACK_TOOL "${default_pack_tool}" CACHE FILEPATH
  "A native nerro-pack for building the demo installer (empty: nerro-pack.exe under Wine)")
set(demo_product ${CMAKE_BINARY_DIR}/demo-product)
set(demo_setup ${CMAKE_BINARY_DIR}/bin/nerro-demo-setup.exe)
set(demo_sources
  ${CMAKE_CURRENT_LIST_DIR}/product/Nerro.ini
  ${CMAKE_CURRENT_LIST_DIR}/product/logo.bmp
  ${CMAKE_CURRENT_LIST_DIR}/product/English.clg
  ${CMAKE_CURRENT_LIST_DIR}/product/Japanese.clg
  ${CMAKE_CURRENT_LIST_DIR}/product/Russian.clg
  ${CMAKE_CURRENT_LIST_DIR}/product/readme.txt)
if(NERRO_HOST_PACK_TOOL)
  set(pack_command ${NERRO_HOST_PACK_TOOL} build ${demo_product} -o ${demo_setup}
                   --stub $<TARGET_FILE:nerro-setup>)
  set(pack_depends ${NERRO_HOST_PACK_TOOL})
else()
  set(pack_command ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:nerro-pack> build
                   Z:${demo_product} -o Z:${demo_setup} --stub Z:$<TARGET_FILE:nerro-setup>)
  set(pack_depends nerro-pack)
endif()
add_custom_command(OUTPUT ${demo_setup}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${demo_product}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${demo_product}
  COMMAND ${CMAKE_COMMAND} -E copy ${demo_sources} ${demo_product}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:demo_nerro_blur> $<TARGET_FILE:demo_nerro_sharpen>
          ${demo_product}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:nerro-uninstall> ${demo_product}/nerro-uninstall.exe
  COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=1700000000 ${pack_command}
  DEPENDS ${demo_sources} nerro-setup nerro-uninstall demo_nerro_blur demo_nerro_sharpen
          ${pack_depends}
  COMMENT "Building the demo installer nerro-demo-setup.exe"
  VERBATIM)
add_custom_target(nerro-demo-setup ALL DEPENDS ${demo_setup})

# The demo installer signed with a throw-away self-signed certificate (made
# here with openssl, signed by nerro-pack through osslsigncode), for the test
# that a signed installer installs. Only with the native tool and both programs.
find_program(NERRO_OPENSSL openssl)
find_program(NERRO_OSSLSIGNCODE osslsigncode)
if(NERRO_HOST_PACK_TOOL AND NERRO_OPENSSL AND NERRO_OSSLSIGNCODE)
  set(demo_signing ${CMAKE_BINARY_DIR}/demo-signing)
  set(demo_signed_setup ${CMAKE_BINARY_DIR}/bin/nerro-demo-setup-signed.exe)
  add_custom_command(OUTPUT ${demo_signed_setup}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${demo_signing}
    COMMAND ${NERRO_OPENSSL} req -x509 -newkey rsa:2048 -nodes -keyout ${demo_signing}/key.pem
            -out ${demo_signing}/cert.pem -days 2 -subj /CN=Nerro\ Demo\ Test\ Vendor
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=1700000000 ${NERRO_HOST_PACK_TOOL} build
            ${demo_product} -o ${demo_signed_setup} --stub $<TARGET_FILE:nerro-setup>
            --sign-cert ${demo_signing}/cert.pem --sign-key ${demo_signing}/key.pem
    DEPENDS ${demo_setup} nerro-setup ${NERRO_HOST_PACK_TOOL}
    COMMENT "Building the signed demo installer nerro-demo-setup-signed.exe"
    VERBATIM)
  add_custom_target(nerro-demo-setup-signed ALL DEPENDS ${demo_signed_setup})
endif()
