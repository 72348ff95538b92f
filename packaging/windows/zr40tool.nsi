; The Windows installer: zr40tool.exe and its language folder under Program Files, a Start-menu
; shortcut, an entry in Add/Remove Programs and the inbound firewall rule for the monitors.
; Built by the windows preset's `installer` target:
;   makensis -DVERSION=1.0.0 -DEXE=.../zr40tool.exe -DLANGDIR=.../language -DOUTFILE=... zr40tool.nsi
; -DSIGN=.../sign.sh signs the setup and the uninstaller it writes, when a certificate is given.
; Silent: setup.exe /S [/D=folder]; uninstall.exe /S. Neither runs while the tool runs (the setup
; then ends with status 2; the uninstaller decides in a copy of itself, whose status it does not
; wait for unless started with _?=FOLDER).
Unicode true
; the 32-bit stub is not what a 64-bit program wants, and it crashes under 64-bit Wine
Target amd64-unicode
SetCompressor /SOLID lzma

!include "LogicLib.nsh"
!include "firewall.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zr40Tool"
; where the copy lies (the package records it too): a reinstall goes there, and the program
; knows its own folder is not for its logs
!define PRODUCT_KEY "Software\Zr40Tool"
; held by every running copy of the tool
!define RUNNING_MUTEX "Global\Zr40ToolRunning"
; Program Files' own ACL for a folder elsewhere: owner Administrators, SYSTEM and Administrators
; full control, Users read and execute, nothing inherited from the parent (on a drive's root,
; every signed-in user may change files, so anyone could replace the program the firewall rule
; trusts, or the uninstaller that runs elevated). Well-known SIDs: the group names are translated.
!define ACL_PROTECT '"$SYSDIR\icacls.exe" "$INSTDIR" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX /T /Q'
!define ACL_OWNER '"$SYSDIR\icacls.exe" "$INSTDIR" /setowner *S-1-5-32-544 /T /Q'

!ifdef SIGN
!finalize 'bash "${SIGN}" "%1"' = 0
!uninstfinalize 'bash "${SIGN}" "%1"' = 0
!endif

Name "Zr40Tool ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Zr40Tool"
InstallDirRegKey HKLM "${PRODUCT_KEY}" "InstallDir"
RequestExecutionLevel admin
ManifestDPIAware true
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; A running program cannot be replaced or removed whole: say so, and end with status 2 (silent
; too) before anything changes.
!macro REFUSE_WHILE_RUNNING
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${RUNNING_MUTEX}") p .r0'
  ${If} $0 != 0
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_ICONSTOP|MB_OK "Zr40Tool is running. Close it, then try again." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
!macroend

Function .onInit
  SetShellVarContext all
  SetRegView 64
  !insertmacro REFUSE_WHILE_RUNNING
FunctionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
  !insertmacro REFUSE_WHILE_RUNNING
FunctionEnd

; $0 is 1 when $INSTDIR lies in $1 (a Program Files folder), else 0.
Function InFolder
  StrLen $2 "$1\"
  StrCpy $3 "$INSTDIR\" $2
  StrCpy $0 0
  ${If} $3 == "$1\"
    StrCpy $0 1
  ${EndIf}
FunctionEnd

; Outside Program Files the folder gets Program Files' protection, or the install stops.
Function ProtectFolder
  StrCpy $1 $PROGRAMFILES64
  Call InFolder
  ${If} $0 == 0
    StrCpy $1 $PROGRAMFILES32
    Call InFolder
  ${EndIf}
  ${If} $0 == 1
    Return
  ${EndIf}
  nsExec::ExecToLog '${ACL_PROTECT}'
  Pop $0
  nsExec::ExecToLog '${ACL_OWNER}'
  Pop $1
  ${If} $0 != 0
  ${OrIf} $1 != 0
    MessageBox MB_ICONSTOP|MB_OK "$INSTDIR cannot be protected against changes by other users (icacls: $0, $1). Choose a folder under $PROGRAMFILES64." /SD IDOK
    RMDir "$INSTDIR"
    SetErrorLevel 2
    Abort
  ${EndIf}
FunctionEnd

Section "Zr40Tool"
  ; a copy in another folder goes first, with its rule and its entry: one copy, one rule
  ReadRegStr $R0 HKLM "${PRODUCT_KEY}" "InstallDir"
  ${If} $R0 != ""
  ${AndIf} $R0 != $INSTDIR
  ${AndIf} ${FileExists} "$R0\uninstall.exe"
    DetailPrint "Removing the copy in $R0"
    ExecWait '"$R0\uninstall.exe" /S _?=$R0'
    ; run in place, it cannot remove itself
    Delete "$R0\uninstall.exe"
    RMDir "$R0"
  ${EndIf}
  CreateDirectory "$INSTDIR"
  Call ProtectFolder
  SetOutPath "$INSTDIR"
  File "/oname=zr40tool.exe" "${EXE}"
  SetOutPath "$INSTDIR\language"
  File "${LANGDIR}/ChineseLanguage.ini"
  File "${LANGDIR}/EnglishLanguage.ini"
  ; a reinstall keeps the language the users chose
  SetOverwrite off
  File "${LANGDIR}/LanguageConfig.ini"
  SetOverwrite on

  ; the shortcut starts the program in its own folder, as the tool expects
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\Zr40Tool"
  ; the program's own icon (its first icon resource) on the shortcut and in Add/Remove Programs
  CreateShortCut "$SMPROGRAMS\Zr40Tool\Zr40Tool.lnk" "$INSTDIR\zr40tool.exe" "" "$INSTDIR\zr40tool.exe" 0

  WriteRegStr HKLM "${PRODUCT_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Zr40Tool"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Zr40Tool"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zr40tool.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; a rule of the same name from an earlier install would otherwise be doubled
  nsExec::ExecToLog '${FIREWALL_DELETE}'
  Pop $0
  nsExec::ExecToLog '${FIREWALL_ADD}'
  Pop $0
  ${If} $0 != 0
    DetailPrint "The firewall rule could not be added (netsh: $0)."
    MessageBox MB_ICONEXCLAMATION|MB_OK "Windows Firewall was not told to let the monitors in (netsh: $0). Allow TCP ports ${FIREWALL_PORTS} for zr40tool.exe by hand." /SD IDOK
  ${EndIf}
SectionEnd

Section "Uninstall"
  nsExec::ExecToLog '${FIREWALL_DELETE}'
  Pop $0
  nsExec::ExecToLog '${FIREWALL_AP_DELETE}'
  Pop $0
  Delete "$SMPROGRAMS\Zr40Tool\Zr40Tool.lnk"
  RMDir "$SMPROGRAMS\Zr40Tool"
  Delete "$INSTDIR\language\ChineseLanguage.ini"
  Delete "$INSTDIR\language\EnglishLanguage.ini"
  Delete "$INSTDIR\language\LanguageConfig.ini"
  RMDir "$INSTDIR\language"
  Delete "$INSTDIR\zr40tool.exe"
  Delete "$INSTDIR\uninstall.exe"
  ; only when empty: logs or settings a user left there are theirs
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${PRODUCT_KEY}"
SectionEnd
