; The per-user installer of Mervale: no administrator rights, the program under the user's local
; application data, a Start menu entry, and an uninstaller that takes all of it away again. Both
; end a running Mervale first, after asking.
; Built by scripts/windows-release.sh: makensis -INPUTCHARSET UTF8 -DVERSION=... -DSTAGE=<folder
; with mervale.exe, Languages, LICENSE.txt, NOTICE.txt and licenses> -DICON=<mervale.ico>
; -DOUTFILE=<installer path> installer.nsi (paths of the build machine, with forward slashes).

; The program is 64-bit only, and so is the installer (no 32-bit Wine is needed to test it).
Target amd64-unicode
!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"

!define PRODUCT "Mervale"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The program writes this value when the user asks for autostart; it is the program's own entry.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; A running Mervale keeps a hidden window of this class, titled "mervale-" and the user name; a
; close message to it ends the program as its "Exit" does.
!define INSTANCE_CLASS "MervaleInstance"
!define SYNCHRONIZE 0x00100000

; The outermost folder that the installation makes for $INSTDIR; empty when $INSTDIR was there.
Var CreatedFolder

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

LangString ProgramRunning ${LANG_ENGLISH} "Mervale is running. Close it and go on?"
LangString ProgramRunning ${LANG_GERMAN} "Mervale läuft. Beenden und fortfahren?"
LangString ProgramRunning ${LANG_FRENCH} "Mervale est en cours d'exécution. Le fermer et continuer ?"
LangString ProgramRunning ${LANG_SPANISH} "Mervale se está ejecutando. ¿Cerrarlo y continuar?"

; A running Mervale holds its files: asked first, it is ended as its "Exit" ends it, and waited for.
; A refusal stops the installer or uninstaller before it has changed anything.
!macro CLOSE_RUNNING_PROGRAM PREFIX
Function ${PREFIX}CloseRunningProgram
  ReadEnvStr $1 USERNAME
  FindWindow $0 "${INSTANCE_CLASS}" "mervale-$1"
  ${If} $0 == 0
    Return
  ${EndIf}
  MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION "$(ProgramRunning)" /SD IDOK IDOK close
  Abort
close:
  System::Call "user32::GetWindowThreadProcessId(p r0, *i .r2)"
  System::Call "kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r2) p .r3"
  SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
  System::Call "kernel32::WaitForSingleObject(p r3, i 15000)"
  System::Call "kernel32::CloseHandle(p r3)"
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING_PROGRAM ""
!insertmacro CLOSE_RUNNING_PROGRAM "un."

Function FindCreatedFolder
  StrCpy $CreatedFolder ""
  StrCpy $0 "$INSTDIR"
  ${Do}
    ${If} $0 == ""
    ${OrIf} ${FileExists} "$0\*.*"
      ${Break}
    ${EndIf}
    StrCpy $CreatedFolder $0
    ${GetParent} $0 $0
  ${Loop}
FunctionEnd

Section "Mervale"
  SetShellVarContext current
  Call CloseRunningProgram
  Call FindCreatedFolder
  SetOutPath "$INSTDIR"
  File "${STAGE}/mervale.exe"
  SetOutPath "$INSTDIR\Languages"
  File "${STAGE}/Languages/*.txt"
  SetOutPath "$INSTDIR\licenses"
  File "${STAGE}/licenses/*.txt"
  SetOutPath "$INSTDIR"
  File "${STAGE}/LICENSE.txt"
  File "${STAGE}/NOTICE.txt"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\mervale.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; A new installation into the folder of an earlier one keeps the earlier record.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $CreatedFolder != ""
    WriteRegStr HKCU "${UNINSTALL_KEY}" "CreatedFolder" "$CreatedFolder"
  ${ElseIf} $0 != $INSTDIR
    DeleteRegValue HKCU "${UNINSTALL_KEY}" "CreatedFolder"
  ${EndIf}

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
  Call un.CloseRunningProgram
  ; Autostart of the copy being removed would start nothing at the next logon. The program writes
  ; the path quoted; earlier versions wrote it bare.
  ReadRegStr $0 HKCU "${RUN_KEY}" "${PRODUCT}"
  ${If} $0 == '"$INSTDIR\mervale.exe"'
  ${OrIf} $0 == "$INSTDIR\mervale.exe"
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  ${EndIf}

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\Languages\*.txt"
  RMDir "$INSTDIR\Languages"
  Delete "$INSTDIR\licenses\*.txt"
  RMDir "$INSTDIR\licenses"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\NOTICE.txt"
  Delete "$INSTDIR\mervale.exe"
  Delete "$INSTDIR\uninstall.exe"
  ; Only an emptied folder goes: anything else the user put there stays.
  RMDir "$INSTDIR"
  ; So do the folders the installer made above it, up to the outermost one, when that one holds
  ; the program's folder.
  ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "CreatedFolder"
  StrLen $3 $1
  StrCpy $4 "$INSTDIR" $3
  ${If} $1 != ""
  ${AndIf} $4 == $1
    StrCpy $2 "$INSTDIR"
    ${DoWhile} $2 != $1
      ${GetParent} $2 $2
      StrLen $5 $2
      ${If} $5 < $3
        ${Break}
      ${EndIf}
      RMDir $2
    ${Loop}
  ${EndIf}
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The settings, profiles and exclusion list in the application data stay: they are the
  ; user's work, and a new installation takes them up again.
SectionEnd
