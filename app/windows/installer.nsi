; The per-user installer of Mervale: no administrator rights, the program under the user's local
; application data, a Start menu entry, and an uninstaller that takes all of it away again.
; Built by scripts/windows-release.sh: makensis -DVERSION=... -DSTAGE=<folder with mervale.exe
; and Languages> -DICON=<mervale.ico> -DOUTFILE=<installer path> installer.nsi (paths of the build
; machine, with forward slashes).

; The program is 64-bit only, and so is the installer (no 32-bit Wine is needed to test it).
Target amd64-unicode
!include "MUI2.nsh"

!define PRODUCT "Mervale"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The program writes this value when the user asks for autostart; it is the program's own entry.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "Spanish"

Section "Mervale"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${STAGE}/mervale.exe"
  SetOutPath "$INSTDIR\Languages"
  File "${STAGE}/Languages/*.txt"
  SetOutPath "$INSTDIR"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\mervale.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\mervale.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  ; Autostart of the copy being removed would start nothing at the next logon.
  ReadRegStr $0 HKCU "${RUN_KEY}" "${PRODUCT}"
  StrCmp $0 "$INSTDIR\mervale.exe" 0 +2
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\Languages\*.txt"
  RMDir "$INSTDIR\Languages"
  Delete "$INSTDIR\mervale.exe"
  Delete "$INSTDIR\uninstall.exe"
  ; Only an emptied folder goes: anything else the user put there stays.
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The settings, profiles and exclusion list in the application data stay: they are the
  ; user's work, and a new installation takes them up again.
SectionEnd
