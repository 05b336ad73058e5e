# The Debian package: `cpack -G DEB` in a build folder makes lumivo_<version>_amd64.deb with the
# station, its launcher, the demo tool, the user unit, the autostart entry and both kiosk sessions
# under /usr (and /etc/xdg/autostart), its library dependencies found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumivo)
set(CPACK_PACKAGE_VENDOR "Zantor")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Verificador de precios para tiendas con bases de datos del ERP")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Estación de consulta de precios: el cliente escanea un código y ve el nombre, el precio, las\n"
    "listas de precios, los descuentos por volumen, las existencias y las ofertas del artículo,\n"
    "leídos de las bases de datos Firebird del ERP. Incluye sesiones de quiosco para X y Wayland.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Zantor <soporte@zantor.com.mx>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the libraries do not say: Qt's Spanish for the standard dialogs, the spoken price's engine.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-speech-speechd-plugin, speech-dispatcher-espeak-ng, x11-xserver-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "lightdm, cage, qt6-wayland, xwayland")
# The autostart entry belongs in /etc, outside the package's /usr prefix.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/EtcFueraDeUsr.cmake)
include(CPack)
