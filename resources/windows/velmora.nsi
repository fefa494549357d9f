; The Windows installer: a per-user install that needs no administrator. It
; puts velmora.exe under the user's own programs folder, adds a Start-menu
; entry and an uninstaller registered for the user, and offers Velmora in
; "Open with" for .jpg and .jpeg without taking over their default program.
;
;   makensis -DVERSION=0.1.3.4 -DEXE=velmora.exe -DOUTFILE=velmora-0.1.3.4-setup.exe velmora.nsi
; 64-bit like the program it installs (and Wine without its 32-bit half runs it).
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define APP_EXE "velmora.exe"
!define PROG_ID "Velmora.jpeg"
!define CLASSES "Software\Classes"
!define APP_KEY "${CLASSES}\Applications\${APP_EXE}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"

Name "Velmora"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Velmora"
Icon "${__FILEDIR__}\velmora.ico"
UninstallIcon "${__FILEDIR__}\velmora.ico"
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Velmora"
VIAddVersionKey /LANG=1033 "FileDescription" "Velmora setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "BRESKO"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) BRESKO"

!include "MUI2.nsh"
!define MUI_ICON "${__FILEDIR__}\velmora.ico"
!define MUI_UNICON "${__FILEDIR__}\velmora.ico"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

Section "Velmora"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "/oname=${APP_EXE}" "${EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Velmora.lnk" "$INSTDIR\${APP_EXE}"

  ; "Open with": the application with the types it takes, and a ProgID listed
  ; beside the types' own. The types' default value, their default program,
  ; is never written.
  WriteRegStr HKCU "${APP_KEY}" "FriendlyAppName" "Velmora"
  WriteRegStr HKCU "${APP_KEY}\DefaultIcon" "" "$INSTDIR\${APP_EXE},0"
  WriteRegStr HKCU "${APP_KEY}\shell\open\command" "" '"$INSTDIR\${APP_EXE}" "%1"'
  WriteRegStr HKCU "${APP_KEY}\SupportedTypes" ".jpg" ""
  WriteRegStr HKCU "${APP_KEY}\SupportedTypes" ".jpeg" ""
  WriteRegStr HKCU "${CLASSES}\${PROG_ID}" "" "JPEG image"
  WriteRegStr HKCU "${CLASSES}\${PROG_ID}\DefaultIcon" "" "$INSTDIR\${APP_EXE},0"
  WriteRegStr HKCU "${CLASSES}\${PROG_ID}\shell\open\command" "" '"$INSTDIR\${APP_EXE}" "%1"'
  WriteRegStr HKCU "${CLASSES}\.jpg\OpenWithProgids" "${PROG_ID}" ""
  WriteRegStr HKCU "${CLASSES}\.jpeg\OpenWithProgids" "${PROG_ID}" ""

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Velmora"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "BRESKO"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${APP_EXE},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

  ; SHCNE_ASSOCCHANGED: Explorer rereads the associations.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

; The settings in %APPDATA%\BRESKO are the user's and stay.
Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\Velmora.lnk"
  Delete "$INSTDIR\${APP_EXE}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  DeleteRegKey HKCU "${APP_KEY}"
  DeleteRegKey HKCU "${CLASSES}\${PROG_ID}"
  DeleteRegValue HKCU "${CLASSES}\.jpg\OpenWithProgids" "${PROG_ID}"
  DeleteRegKey /ifempty HKCU "${CLASSES}\.jpg\OpenWithProgids"
  DeleteRegKey /ifempty HKCU "${CLASSES}\.jpg"
  DeleteRegValue HKCU "${CLASSES}\.jpeg\OpenWithProgids" "${PROG_ID}"
  DeleteRegKey /ifempty HKCU "${CLASSES}\.jpeg\OpenWithProgids"
  DeleteRegKey /ifempty HKCU "${CLASSES}\.jpeg"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
