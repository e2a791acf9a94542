# The Debian packages (scripts/package.sh): est-server, the application server as a systemd
# service, and suite, the desktop with its module package. Each keeps its binary and its own
# copies of the project's shared libraries in /usr/lib/<package> (the suite loads the module
# package from beside itself), with a link in /usr/bin.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE) # packaging builds only what it installs
set(pkg ${PROJECT_SOURCE_DIR}/packaging)
set_target_properties(est-server suite estdataset esthost Pkg_est25000
                      PROPERTIES INSTALL_RPATH "$ORIGIN")

# A link in /usr/bin to the binary in /usr/lib/<name>, made in the build tree and installed as is.
function(est_bin_link name component)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/links)
  file(CREATE_LINK ../lib/${name}/${name} ${CMAKE_BINARY_DIR}/links/${name} SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/links/${name} DESTINATION bin COMPONENT ${component})
endfunction()

install(TARGETS est-server estdataset RUNTIME DESTINATION lib/est-server COMPONENT server
        LIBRARY DESTINATION lib/est-server COMPONENT server)
est_bin_link(est-server server)
install(FILES ${pkg}/est-server/est-server.service DESTINATION lib/systemd/system
        COMPONENT server)
install(FILES ${pkg}/est-server/est-server.conf DESTINATION /etc/est-server COMPONENT server)
install(FILES ${PROJECT_SOURCE_DIR}/docs/install.md DESTINATION share/doc/est-server
        COMPONENT server)

install(TARGETS suite estdataset esthost Pkg_est25000 RUNTIME DESTINATION lib/suite COMPONENT suite
        LIBRARY DESTINATION lib/suite COMPONENT suite)
est_bin_link(suite suite)
install(FILES ${pkg}/suite/est-suite.desktop DESTINATION share/applications COMPONENT suite)
install(FILES ${pkg}/suite/est-suite.svg DESTINATION share/icons/hicolor/scalable/apps
        COMPONENT suite)
install(FILES ${pkg}/suite/suite.ini DESTINATION /etc/xdg/est COMPONENT suite)
# The help pages are inside the module package; a copy to read without the suite.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/est25000/ajuda DESTINATION share/doc/suite
        COMPONENT suite)
install(FILES ${PROJECT_SOURCE_DIR}/docs/install.md DESTINATION share/doc/suite COMPONENT suite)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Equipe de estoque <estoque@localhost>")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_COMPONENTS_ALL server suite)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The libraries' Debian packages, found by dpkg-shlibdeps; the project's own are private.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# What the loader does not show: Qt's database drivers (and, for the desktop, its display
# plugins), the tools of the maintainer scripts.
set(CPACK_DEBIAN_SERVER_PACKAGE_NAME est-server)
set(CPACK_DEBIAN_SERVER_DESCRIPTION
    "Servidor de aplicação das amostras para processamento
Serve as telas de estoque da suíte por HTTP (TLS opcional), sobre SQLite ou PostgreSQL,
como serviço systemd com usuário próprio; faz cópias do banco em serviço e atualiza o
esquema (est-server --migrate).")
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, adduser")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
    ${pkg}/est-server/postinst ${pkg}/est-server/prerm ${pkg}/est-server/postrm
    ${pkg}/est-server/conffiles)
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_SUITE_PACKAGE_NAME suite)
set(CPACK_DEBIAN_SUITE_DESCRIPTION
    "Suíte ERP: telas de estoque, com as amostras para processamento
O desktop da filial com o pacote da tela de amostras para processamento e suas páginas de
ajuda. Fala com o est-server da filial ou, sem ele, com um servidor próprio num banco
SQLite do usuário.")
set(CPACK_DEBIAN_SUITE_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, qt6-qpa-plugins")
set(CPACK_DEBIAN_SUITE_PACKAGE_CONTROL_EXTRA ${pkg}/suite/conffiles)
include(CPack)
