; SPDX-License-Identifier: GPL-3.0-or-later
; The per-user installer of the program's folder: no administrator rights,
; a Start-menu entry and an uninstaller. Made by the corvane-package target:
;   makensis -DVERSION=<version> -DSOURCE=<program folder> -DOUTFILE=<exe> corvane-control.nsi
; A 64-bit installer for the 64-bit program (it also runs where only 64-bit
; Windows programs can, such as a 64-bit-only wine).
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define PRODUCT "Corvane Control"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvaneControl"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

!include "StrFunc.nsh"
${StrStr}

; The folder must be the user's own: in a folder outside the profile another
; user could place a DLL or a plug-in that the program would load. $2 is
; "yes" for a folder inside the profile (no way back out of it with "..").
!macro IS_IN_PROFILE
  StrLen $1 "$PROFILE\"
  StrCpy $0 "$INSTDIR\" $1
  ${StrStr} $3 "$INSTDIR\" "\..\"
  StrCpy $2 "no"
  StrCmp $0 "$PROFILE\" 0 +3
  StrCmp $3 "" 0 +2
  StrCpy $2 "yes"
!macroend

Function .onVerifyInstDir
  !insertmacro IS_IN_PROFILE
  StrCmp $2 "yes" +2
    Abort
FunctionEnd

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section
  ; A silent install (/D=) skips the directory page and its check.
  !insertmacro IS_IN_PROFILE
  StrCmp $2 "yes" +3
    MessageBox MB_ICONSTOP "Install ${PRODUCT} in a folder of your own profile ($PROFILE), not in $INSTDIR." /SD IDOK
    Abort
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\corvane-control.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Corvane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\corvane-control.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what the installer put there goes: the folder may have been chosen
; by hand, and the user's settings stay for a later install. The auto-start
; value would start a program that is gone.
Section "Uninstall"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  !include "${FILE_LIST}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegValue HKCU "${RUN_KEY}" "CorvaneController1"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
