# Installing and packaging: `cmake --install` puts the programs and their data
# where a Debian desktop expects them (GNUInstallDirs), and `cpack` makes the
# Debian package of them (scripts/paquete.sh). The programs find their data by
# paths relative to their own folder (src/ubicacion), so the tree works
# wherever it is unpacked.

include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The date of this version, for the package's changelog and the metainfo
# (change it with the version in the top CMakeLists).
set(RIMARIO_FECHA_VERSION 2026-12-09)
set(RIMARIO_FECHA_CHANGELOG "Wed, 09 Dec 2026 00:00:00 +0000")
set(CPACK_PACKAGE_CONTACT "Los autores de Rimario <rimario@rimario.es>" CACHE STRING "The package's maintainer")

option(RIMARIO_INSTALAR "Build what installing needs: the default store, the icons, the manual page" ON)
if(RIMARIO_SANITIZERS OR RIMARIO_FUZZ)
  set(RIMARIO_INSTALAR OFF)
endif()

set(fuentes ${PROJECT_SOURCE_DIR}/paquete)
set(hecho ${PROJECT_BINARY_DIR}/paquete)
set(id es.rimario.rimario)

install(TARGETS rimario rimario-ventana rimario-cli rimario-cli-completo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${fuentes}/${id}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${fuentes}/rimario.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${id}.svg)
install(FILES ${fuentes}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/rimario)

set(RIMARIO_FECHA ${RIMARIO_FECHA_VERSION})
configure_file(${fuentes}/${id}.metainfo.xml.in ${hecho}/${id}.metainfo.xml @ONLY)
install(FILES ${hecho}/${id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

if(RIMARIO_INSTALAR)
  set(hechos "")
  # The default word store, from Debian's Spanish word list (package wspanish),
  # made by the rimario-cli just built; no list snapshot is kept meanwhile.
  set(RIMARIO_LISTA_INICIAL /usr/share/dict/spanish CACHE FILEPATH "Word list of the default store")
  add_custom_command(OUTPUT ${hecho}/data.lop
    COMMAND ${CMAKE_COMMAND} -E rm -f ${hecho}/data.lop
    COMMAND ${CMAKE_COMMAND} -E env RIMARIO_CACHE= $<TARGET_FILE:rimario-cli> crear --lista ${RIMARIO_LISTA_INICIAL} ${hecho}/data.lop
    DEPENDS rimario-cli rimario-cli-completo ${RIMARIO_LISTA_INICIAL}
    COMMENT "Default word store from ${RIMARIO_LISTA_INICIAL}" VERBATIM)
  list(APPEND hechos ${hecho}/data.lop)
  install(FILES ${hecho}/data.lop DESTINATION ${CMAKE_INSTALL_DATADIR}/rimario)

  # The icon's bitmaps, drawn from the SVG.
  find_program(RSVG_CONVERT rsvg-convert REQUIRED)
  foreach(lado 16 22 24 32 48 64 128 256)
    set(png ${hecho}/iconos/${lado}/${id}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${hecho}/iconos/${lado}
      COMMAND ${RSVG_CONVERT} -w ${lado} -h ${lado} -o ${png} ${fuentes}/rimario.svg
      DEPENDS ${fuentes}/rimario.svg VERBATIM)
    list(APPEND hechos ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${lado}x${lado}/apps)
  endforeach()

  # rimario-cli's manual page, from its --help and --version; and the
  # package's changelog. Both compressed as Debian keeps them.
  find_program(HELP2MAN help2man REQUIRED)
  find_program(GZIP gzip REQUIRED)
  add_custom_command(OUTPUT ${hecho}/rimario-cli.1.gz
    COMMAND ${HELP2MAN} --no-info --no-discard-stderr --locale=C.UTF-8 --section=1
            --include=${fuentes}/rimario-cli.h2m --output=${hecho}/rimario-cli.1 $<TARGET_FILE:rimario-cli>
    COMMAND ${GZIP} -9nf ${hecho}/rimario-cli.1
    DEPENDS rimario-cli rimario-cli-completo ${fuentes}/rimario-cli.h2m VERBATIM)
  list(APPEND hechos ${hecho}/rimario-cli.1.gz)
  install(FILES ${hecho}/rimario-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  # The window's page is written by hand (the window has no --help); the two
  # programs the others become point to their pages.
  configure_file(${fuentes}/rimario.1.in ${hecho}/rimario.1 @ONLY)
  file(WRITE ${hecho}/rimario-ventana.1 ".so man1/rimario.1\n")
  file(WRITE ${hecho}/rimario-cli-completo.1 ".so man1/rimario-cli.1\n")
  foreach(pagina rimario rimario-ventana rimario-cli-completo)
    add_custom_command(OUTPUT ${hecho}/${pagina}.1.gz
      COMMAND ${GZIP} -9nc ${hecho}/${pagina}.1 > ${hecho}/${pagina}.1.gz
      DEPENDS ${hecho}/${pagina}.1 VERBATIM)
    list(APPEND hechos ${hecho}/${pagina}.1.gz)
    install(FILES ${hecho}/${pagina}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()

  configure_file(${fuentes}/changelog.in ${hecho}/changelog @ONLY)
  add_custom_command(OUTPUT ${hecho}/changelog.gz
    COMMAND ${GZIP} -9nc ${hecho}/changelog > ${hecho}/changelog.gz
    DEPENDS ${hecho}/changelog VERBATIM)
  list(APPEND hechos ${hecho}/changelog.gz)
  install(FILES ${hecho}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/rimario)

  add_custom_target(rimario_instalable ALL DEPENDS ${hechos})
endif()

# The Debian package: its dependencies are those of the libraries the programs
# link (dpkg-shlibdeps) and what the window reads at run time: the offline
# thesaurus and dictionary, Qt's Spanish, the browser's helper process, Qt's
# platform plugins.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rimario)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Spanish rhyming dictionary for poets")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Rimario finds the words of its word store that rhyme with a word typed or
picked: by an ending of 2 to 7 letters, by the last vowels, or by consonant
or assonant rhyme from the stressed vowel, and tells the syllables and the
stress of each. It keeps an archived definition with each word and looks
words up in online services or, offline, in the installed Spanish thesaurus
and Spanish-English dictionary. Its interface is in Spanish.

rimario-cli answers the same searches on the command line.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "mythes-es, dict-freedict-spa-eng, qt6-translations-l10n, libqt6webenginecore6-bin, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
