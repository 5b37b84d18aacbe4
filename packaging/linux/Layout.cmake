# Where `cmake --install` (and the .deb made from it) puts the Linux
# program: the executables in bin/, the files they read in
# share/tolvanire-uninstaller/ and winehost.exe in
# libexec/tolvanire-uninstaller/. The program finds the last two from its
# own folder (platform/InstallLayout.h), through the relative paths that
# TOLVANIRE_LAYOUT_DEFINES hands to it; the build tree keeps everything
# beside the executables instead. Included before the product folders.
include(GNUInstallDirs)
set(TOLVANIRE_APP_NAME tolvanire-uninstaller)
set(TOLVANIRE_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/${TOLVANIRE_APP_NAME})
set(TOLVANIRE_INSTALL_HOSTDIR ${CMAKE_INSTALL_LIBEXECDIR}/${TOLVANIRE_APP_NAME})
file(RELATIVE_PATH data_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/${TOLVANIRE_APP_NAME})
file(RELATIVE_PATH host_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBEXECDIR}/${TOLVANIRE_APP_NAME})
set(TOLVANIRE_LAYOUT_DEFINES TOLVANIRE_DATA_FROM_BIN="${data_from_bin}" TOLVANIRE_HOST_FROM_BIN="${host_from_bin}")
