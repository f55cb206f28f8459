# Where `cmake --install` puts the program and what a desktop needs to offer
# it: the desktop entry, the icon in the hicolor theme, the AppStream
# metainfo and the man page (compressed, as Debian keeps them).
include(GNUInstallDirs)
set(MMS_DATA ${PROJECT_SOURCE_DIR}/data)

install(TARGETS ModbusMasterSimulator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${MMS_DATA}/modbus-master-simulator.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${MMS_DATA}/modbus-master-simulator.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${MMS_DATA}/icons/modbus-master-simulator.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${MMS_DATA}/icons/hicolor/${size}x${size}/apps/modbus-master-simulator.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

set(MMS_MAN_PAGE ${CMAKE_CURRENT_BINARY_DIR}/ModbusMasterSimulator.1.gz)
add_custom_command(OUTPUT ${MMS_MAN_PAGE}
                   COMMAND gzip -9 -n -c ${MMS_DATA}/ModbusMasterSimulator.1 > ${MMS_MAN_PAGE}
                   DEPENDS ${MMS_DATA}/ModbusMasterSimulator.1 VERBATIM)
add_custom_target(man_page ALL DEPENDS ${MMS_MAN_PAGE})
install(FILES ${MMS_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/modbus-master-simulator)
