; The Windows installer of zekt-programmer, made by packaging/windows/make-installer:
;   makensis -DVERSION=1.1.0 -DSTAGE=<staged folder> -DFILELIST=<uninstall list>
;            -DICON=<.ico> -DOUTFILE=<setup.exe> [-DSIGN=<signing command>] installer.nsi
; For every user of the machine: the program in Program Files, the shortcuts
; in the all-users Start menu, and a data folder in ProgramData
; (%ProgramData%\zekt-programmer) where the window starts and the maker's
; firmware goes (WORK). Silent with /S; /D=FOLDER (last, unquoted) installs
; elsewhere. The uninstaller removes what was installed and leaves the data
; folder and the operators' journals and settings in %APPDATA% (they are
; the workshop's).
Target amd64-unicode
!include "MUI2.nsh"
!include "x64.nsh"

!define NAME "zekt-programmer"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"
!define MENU "$SMPROGRAMS\ZEKT Программатор"
; $APPDATA is ProgramData once the shell context is "all".
!define DATA "$APPDATA\${NAME}"
!ifndef COMPRESSOR
  !define COMPRESSOR "/SOLID lzma"
!endif

Name "ZEKT Программатор ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${NAME}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor ${COMPRESSOR}
!ifdef SIGN
  !uninstfinalize '"${SIGN}" "%1"'
!endif

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "ZEKT Programmer"
VIAddVersionKey /LANG=0 "FileDescription" "ZEKT Programmer ${VERSION} setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "ZEKT"
VIAddVersionKey /LANG=0 "LegalCopyright" "GPL-3.0-or-later"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_TITLE "ZEKT Программатор установлен"
!define MUI_FINISHPAGE_TEXT "Программа установлена в папку $INSTDIR.$\r$\n$\r$\n\
Стандартные программы изготовителя радиостанции положите в папку ${DATA}\WORK: \
окно запускается в ${DATA} и берёт их оттуда. Операторы могут только читать WORK.$\r$\n$\r$\n\
USB-драйвер программатора (D2XX, библиотека ftd2xx.dll) ставится отдельно, \
установщиком изготовителя микросхемы USB. Без него окно открывается, \
файлы и журнал работают, а программатор недоступен."
!define MUI_FINISHPAGE_NOREBOOTSUPPORT

!insertmacro MUI_PAGE_LICENSE "${STAGE}\licenses\LICENSES.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

; An upgrade: the installed version's own uninstaller removes its files
; first (run in place, so that it can be waited for), then the new version
; goes in. The data folder is not touched.
Function RemoveInstalledVersion
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  StrCmp $0 "" done
  IfFileExists "$0\uninstall.exe" 0 done
  ExecWait '"$0\uninstall.exe" /S _?=$0'
  Delete "$0\uninstall.exe"
  RMDir "$0"
  done:
FunctionEnd

; The operators (the Users group) may keep files in the data folder; WORK
; holds the maker's firmware, read-only for them. An IT person may narrow
; this to a group of their own afterwards.
Function MakeDataFolder
  CreateDirectory "${DATA}\WORK"
  nsExec::Exec 'icacls "${DATA}" /grant *S-1-5-32-545:(OI)(CI)M'
  Pop $0
  nsExec::Exec 'icacls "${DATA}\WORK" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F \
    *S-1-5-32-544:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX'
  Pop $0
FunctionEnd

Section "Программа"
  Call RemoveInstalledVersion
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  Call MakeDataFolder
  ; The shortcuts start the window in the data folder, where WORK is.
  SetOutPath "${DATA}"
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
  !include "${FILELIST}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir /r "${MENU}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
