# The device image: a device root laid out once per build by the image
# builder, from the built libraries and programs and the files the image
# ships. `make run` lays out the user's own root with the same builder; the
# program tests take a copy of this one instead of running the builder each.
# It is made again only when one of its inputs changes.
set(CELVANE_DEVICE_IMAGE_DIR ${CMAKE_BINARY_DIR}/device-image)
set(_image_builder ${CMAKE_SOURCE_DIR}/scripts/make-device-root)
set(_image_stamp ${CMAKE_BINARY_DIR}/device-image.stamp)

set(_image_targets)
foreach(target TWDiag QXCopy sim SMARTIO KEYBDDR VornDSP VornIO VornSPI VornI2C Blankbus
               Pagejet QXMandarinDll QXEnglishDll celvane-registry celvane-tones
               celvane-factory-setups sim_scene)
    if(TARGET ${target})
        list(APPEND _image_targets ${target})
    endif()
endforeach()
file(GLOB _image_files CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/screens/help/*.txt ${CMAKE_SOURCE_DIR}/language/help/*.txt
    ${CMAKE_SOURCE_DIR}/sim/gps/logs/*)

add_custom_command(OUTPUT ${_image_stamp}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${CELVANE_DEVICE_IMAGE_DIR}.new
    COMMAND ${_image_builder} ${CMAKE_BINARY_DIR}/bin ${CELVANE_DEVICE_IMAGE_DIR}.new
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${CELVANE_DEVICE_IMAGE_DIR}
    COMMAND ${CMAKE_COMMAND} -E rename ${CELVANE_DEVICE_IMAGE_DIR}.new ${CELVANE_DEVICE_IMAGE_DIR}
    COMMAND ${CMAKE_COMMAND} -E touch ${_image_stamp}
    DEPENDS ${_image_builder} ${_image_targets} ${_image_files}
    COMMENT "Laying out the device image"
    VERBATIM)
add_custom_target(device-image ALL DEPENDS ${_image_stamp})
