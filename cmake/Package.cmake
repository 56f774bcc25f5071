# Installing and packaging. The program finds its data beside its executable,
# so the executables, solvane.dat and solvane.mp3 go together into
# lib/solvane; bin/ holds links to the executables.
set(SOLVANE_INSTALL_DIR lib/solvane)
install(TARGETS solvane solvane-render solvane-live solvane-pack pack-data
        RUNTIME DESTINATION ${SOLVANE_INSTALL_DIR})
# solvane-pack puts the audio library into each release's data and runs the
# demo for its checks with the script beside it.
install(FILES $<TARGET_FILE:solvane_audio> ${CMAKE_SOURCE_DIR}/tools/pack/preflight-run.sh
        DESTINATION ${SOLVANE_INSTALL_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/web/solvane.html ${CMAKE_SOURCE_DIR}/web/solvane.css
              ${CMAKE_SOURCE_DIR}/web/solvane.js DESTINATION ${SOLVANE_INSTALL_DIR}/web)
install(FILES ${CMAKE_BINARY_DIR}/solvane.dat ${CMAKE_BINARY_DIR}/solvane.mp3
        DESTINATION ${SOLVANE_INSTALL_DIR})
install(CODE [[
  foreach(program solvane solvane-render solvane-live solvane-pack)
    set(link "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin/${program}")
    file(MAKE_DIRECTORY "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin")
    file(CREATE_LINK "../lib/solvane/${program}" "${link}" SYMBOLIC)
    message(STATUS "Installing: ${link} -> ../lib/solvane/${program}")
  endforeach()
]])

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME solvane)
set(CPACK_PACKAGE_VERSION 0.9.0)
set(CPACK_PACKAGE_CONTACT "Solvane developers <solvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Real-time audiovisual demo engine with its bundled demo")
set(CPACK_PACKAGE_DESCRIPTION
    "Plays a piece of music while it renders a scripted timeline of visual effects at 640 x 480, from plain-text scripts; with the bundled demo \"First Light\" the offline renderer solvane-render and the live author tool solvane-live.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The executables' libraries are found by dpkg-shlibdeps; the audio library
# travels inside solvane.dat, so its SDL2_mixer (with its decoders) is named
# here, as is the dialog's font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-mixer-2.0-0, fonts-dejavu-core")
include(CPack)
