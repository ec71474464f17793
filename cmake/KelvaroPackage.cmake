# How Kelvaro is installed, laid out as Debian's policy has it, and the Debian package:
# `cpack -G DEB` in the build folder makes kelvaro_<version>_amd64.deb of what cmake --install
# installs, its dependencies found by dpkg-shlibdeps.
include(GNUInstallDirs)

# Manual pages and the change log are installed compressed with gzip -9n: no file name and no
# time stamp in the header, so every build gives the same bytes.
find_program(KELVARO_GZIP gzip REQUIRED)
function(kelvaro_install_gzipped source destination)
  get_filename_component(name ${source} NAME)
  set(compressed ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${KELVARO_GZIP} -9nc ${source} > ${compressed}
    DEPENDS ${source} VERBATIM)
  add_custom_target(gzip_${name} ALL DEPENDS ${compressed})
  install(FILES ${compressed} DESTINATION ${destination})
endfunction()

set(KELVARO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kelvaro)
kelvaro_install_gzipped(${CMAKE_CURRENT_LIST_DIR}/../package/changelog ${KELVARO_DOC_DIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../package/copyright DESTINATION ${KELVARO_DOC_DIR})

# A program, installed in bin. A stripped install (cpack, cmake --install --strip) also drops
# the sections that only say which compiler made it.
function(kelvaro_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(CODE "set(kelvaro_program \"${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${target}>\")")
  install(CODE "set(kelvaro_objcopy \"${CMAKE_OBJCOPY}\")")
  install(CODE [[
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND "${kelvaro_objcopy}" --remove-section=.comment
        --remove-section=.note "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${kelvaro_program}"
        COMMAND_ERROR_IS_FATAL ANY)
    endif()
  ]])
endfunction()

set(CPACK_PACKAGE_NAME kelvaro)
set(CPACK_PACKAGE_VENDOR Kelvaro)
set(CPACK_PACKAGE_CONTACT "Kelvaro developers <kelvaro@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calculator for real and complex matrices")
# Lines of at most 80 characters, as the package's description is shown in a terminal.
set(CPACK_PACKAGE_DESCRIPTION
  "Kelvaro computes with real and complex matrices typed as plain text: sums and
products, inverse, determinant, rank, powers, norms and the LU, QR, Cholesky,
eigenvalue and singular value decompositions. kelvaro is the desktop window,
kelvaro-cli the same calculator for scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's skin is drawn for Liberation Sans; the computed dependencies are added to this.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://kelvaro.example.org/)
include(CPack)
