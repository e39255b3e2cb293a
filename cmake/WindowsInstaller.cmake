# The Windows installer and the portable zip: `cpack -G "NSIS;ZIP"` in a Windows build tree
# with the window (scripts/test-windows.sh makes both). They hold the two programs, the Qt
# libraries and plugins the window loads, the MinGW runtime libraries Qt's need, and the
# licences: the project's and Qt's, with where Qt's source comes from.

# Qt's prefix, from the library CMake finds.
find_package(Qt6 REQUIRED COMPONENTS Core)
get_target_property(qu_qt_core Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(qu_qt_bin ${qu_qt_core} DIRECTORY)
get_filename_component(qu_qt_prefix ${qu_qt_bin} DIRECTORY)

install(FILES ${qu_qt_bin}/Qt6Core.dll ${qu_qt_bin}/Qt6Gui.dll ${qu_qt_bin}/Qt6Widgets.dll
        DESTINATION bin)
# Beside the program, where Qt looks for its plugins first.
install(FILES ${qu_qt_prefix}/plugins/platforms/qwindows.dll DESTINATION bin/platforms)
install(FILES ${qu_qt_prefix}/plugins/styles/qwindowsvistastyle.dll DESTINATION bin/styles)

# Qt's libraries share the compiler's runtime libraries; the programs link them statically.
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                  OUTPUT_VARIABLE qu_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE ${qu_runtime} OR NOT EXISTS ${qu_runtime})
    message(FATAL_ERROR "The compiler has no ${runtime}")
  endif()
  install(FILES ${qu_runtime} DESTINATION bin)
  # Debian ships them with their debugging sections, ten times their size.
  install(CODE "execute_process(COMMAND ${CMAKE_STRIP} --strip-debug
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/${runtime}\")")
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${qu_qt_prefix}/licenses/Qt-LGPL-3.0-only.txt ${qu_qt_prefix}/licenses/Qt-SOURCE.txt
        DESTINATION licenses)

set(CPACK_PACKAGE_NAME QU-Vellumar)
set(CPACK_PACKAGE_VENDOR "The QU-Vellumar authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Reshape a roller-coaster track's Bezier path")
set(CPACK_PACKAGE_INSTALL_DIRECTORY QU-Vellumar)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY QU-Vellumar)
set(CPACK_PACKAGE_FILE_NAME qu-vellumar-${PROJECT_VERSION}-windows-x64)
set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# The Start-menu entry: bin/qu-vellumar.exe, named QU-Vellumar.
set(CPACK_PACKAGE_EXECUTABLES qu-vellumar QU-Vellumar)

set(CPACK_NSIS_PACKAGE_NAME QU-Vellumar)
# The key where an install records its folder ($INSTDIR, under SHCTX), and which the uninstaller
# removes.
set(qu_install_key "Software\\\\${CPACK_PACKAGE_VENDOR}\\\\${CPACK_PACKAGE_INSTALL_REGISTRY_KEY}")
# A 64-bit installer for 64-bit programs: it installs into the folder for them and writes the
# registry's 64-bit view (and runs where only 64-bit Windows programs do, as under wine64).
# An install over an earlier one updates it in its folder: InstallDirRegKey proposes that folder
# (an explicit /D= overrides it, for a first install), the folder page says so and takes no
# other, and the section below holds to it when /D= named another. The registry is read with
# HKLM before the installer chooses between HKLM and HKCU (SHCTX), with SHCTX after that.
set(CPACK_NSIS_DEFINES "
  Target amd64-unicode
  InstallDirRegKey HKLM '${qu_install_key}' ''

  Var QU_DIRECTORY_TEXT
  !define MUI_DIRECTORYPAGE_TEXT_TOP '$QU_DIRECTORY_TEXT$_CLICK'
  !define MUI_CUSTOMFUNCTION_GUIINIT quDirectoryText

  # The folder page's text, set before any page shows: the system's own text, whose last
  # sentence ($_CLICK, empty until a page shows) the page adds; over an earlier install, that
  # it is updated where it is.
  Function quDirectoryText
    Push $0
    ReadRegStr $0 SHCTX '${qu_install_key}' ''
    StrCmp $0 '' quFirstInstall
      StrCpy $QU_DIRECTORY_TEXT '$(^NameDA) is already installed in $0. Setup will update it in that folder. To install it in another folder, uninstall it first. '
      Goto quTextChosen
    quFirstInstall:
      StrCpy $QU_DIRECTORY_TEXT '$(^DirText)'
    quTextChosen:
    Pop $0
  FunctionEnd

  # Over an earlier install only its folder is accepted: Next stays disabled for any other.
  Function .onVerifyInstDir
    Push $0
    ReadRegStr $0 SHCTX '${qu_install_key}' ''
    StrCmp $0 '' quFolderAccepted
    StrCmp $0 $INSTDIR quFolderAccepted
      Pop $0
      Abort
    quFolderAccepted:
    Pop $0
  FunctionEnd
")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_DISPLAY_NAME QU-Vellumar)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/app/icons/qu-vellumar.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/app/icons/qu-vellumar.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME bin\\\\qu-vellumar.exe)
# Files are replaced in place: the earlier version is never uninstalled first, which a Cancel
# afterwards would leave with neither version installed.
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL OFF)
set(CPACK_NSIS_MODIFY_PATH OFF)
# Track files open in the window, with its icon. SHChangeNotify tells Explorer at once.
set(qu_file_type QUVellumar.Track)
# A silent install, or one with /D=, over an earlier install goes into that one's folder too.
# The folder /D= named was just made the output folder, so created and made the current one:
# once the output folder is the earlier install's, it goes again if empty.
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS "
  Push $0
  ReadRegStr $0 SHCTX '${qu_install_key}' ''
  StrCmp $0 '' quFolderChosen
  StrCmp $0 $INSTDIR quFolderChosen
    SetOutPath $0
    RMDir $INSTDIR
    StrCpy $INSTDIR $0
  quFolderChosen:
  Pop $0
")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
  WriteRegStr SHCTX 'Software\\\\Classes\\\\.qutrack' '' '${qu_file_type}'
  WriteRegStr SHCTX 'Software\\\\Classes\\\\${qu_file_type}' '' 'Quenlor Track'
  WriteRegStr SHCTX 'Software\\\\Classes\\\\${qu_file_type}\\\\DefaultIcon' '' '$INSTDIR\\\\bin\\\\qu-vellumar.exe,0'
  WriteRegStr SHCTX 'Software\\\\Classes\\\\${qu_file_type}\\\\shell\\\\open\\\\command' '' '\\\"$INSTDIR\\\\bin\\\\qu-vellumar.exe\\\" \\\"%1\\\"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
")
# The key under the vendor's name is removed here rather than after this, so that its
# now empty parent can go too.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
  DeleteRegKey SHCTX 'Software\\\\Classes\\\\.qutrack'
  DeleteRegKey SHCTX 'Software\\\\Classes\\\\${qu_file_type}'
  DeleteRegKey SHCTX '${qu_install_key}'
  DeleteRegKey /ifempty SHCTX 'Software\\\\${CPACK_PACKAGE_VENDOR}'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
")

include(CPack)
