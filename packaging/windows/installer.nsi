; The Windows installer of zekt-programmer, made by scripts/windows:
;   makensis -DVERSION=1.0.0 -DSTAGE=<staged folder> -DOUTFILE=<setup.exe> installer.nsi
; Silent with /S; the uninstaller removes what was installed and leaves the
; operators' journals and settings in %APPDATA% (they are the workshop's).
Target amd64-unicode
!include "MUI2.nsh"
!include "x64.nsh"

!define NAME "zekt-programmer"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"
!define MENU "$SMPROGRAMS\ZEKT Программатор"

Name "ZEKT Программатор ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${NAME}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!insertmacro MUI_PAGE_LICENSE "${STAGE}\licenses\LICENSES.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Программа"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The window starts in the operator's documents, where .prg files live.
  SetOutPath "$DOCUMENTS"
  CreateDirectory "${MENU}"
  CreateShortCut "${MENU}\ZEKT Программатор.lnk" "$INSTDIR\zekt-programmer.exe"
  CreateShortCut "${MENU}\Руководство оператора.lnk" "$INSTDIR\guide.ru.md"
  CreateShortCut "${MENU}\Удалить ZEKT Программатор.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "ZEKT Программатор"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "ZEKT"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zekt-programmer.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; Only what the installer put there: a folder the operator chose may hold
  ; other files.
  Delete "$INSTDIR\zekt-programmer.exe"
  Delete "$INSTDIR\zekt-cli.exe"
  Delete "$INSTDIR\Qt6Core.dll"
  Delete "$INSTDIR\Qt6Gui.dll"
  Delete "$INSTDIR\Qt6Widgets.dll"
  Delete "$INSTDIR\libstdc++-6.dll"
  Delete "$INSTDIR\libgcc_s_seh-1.dll"
  Delete "$INSTDIR\libwinpthread-1.dll"
  Delete "$INSTDIR\qt.conf"
  Delete "$INSTDIR\guide.ru.md"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\translations"
  RMDir /r "$INSTDIR\demo"
  RMDir /r "$INSTDIR\licenses"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir /r "${MENU}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
