; The Windows installer: zr40tool.exe and its language folder under Program Files, a Start-menu
; shortcut, an entry in Add/Remove Programs and the inbound firewall rule for the monitors.
; Built by the windows preset's `installer` target:
;   makensis -DVERSION=1.0.0 -DEXE=.../zr40tool.exe -DLANGDIR=.../language -DOUTFILE=... zr40tool.nsi
; -DSIGN=.../sign.sh signs the setup and the uninstaller it writes, when a certificate is given.
; Silent: setup.exe /S [/D=folder]; uninstall.exe /S.
Unicode true
; the 32-bit stub is not what a 64-bit program wants, and it crashes under 64-bit Wine
Target amd64-unicode
SetCompressor /SOLID lzma

!include "LogicLib.nsh"
!include "firewall.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zr40Tool"

!ifdef SIGN
!finalize 'bash "${SIGN}" "%1"' = 0
!uninstfinalize 'bash "${SIGN}" "%1"' = 0
!endif

Name "Zr40Tool ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Zr40Tool"
RequestExecutionLevel admin
ManifestDPIAware true
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Section "Zr40Tool"
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
SectionEnd
