; The installer of Tolvanire Uninstaller for 64-bit Windows. Built by the
; Windows build ("ninja tolvanire_installer"), which gives on the command line:
;   STAGE    the folder with the programs, Resources\, QSS\ and uiconfig
;   VERSION  the product version ("3.2")
;   OUTFILE  the installer to write
; Runs silently with /S; its uninstaller (uninst.exe) too.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ShowInstDetails nevershow
ShowUninstDetails nevershow

!include "FileFunc.nsh"
!include "LogicLib.nsh"

!ifndef STAGE | VERSION | OUTFILE
  !error "STAGE, VERSION and OUTFILE must be given with -D"
!endif

!define PRODUCT "Tolvanire Uninstaller"
!define PUBLISHER "Tolvanire"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define PROGRAM "tolvanire-uninstaller.exe"
!define CLI "tolvanire-uninstaller-cli.exe"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
Icon "${STAGE}\Resources\Logo.ico"
UninstallIcon "${STAGE}\Resources\Logo.ico"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) ${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
  SetRegView 64
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${STAGE}\${PROGRAM}"
  File "${STAGE}\${CLI}"
  File "${STAGE}\uiconfig"
  SetOutPath "$INSTDIR\Resources"
  File /r "${STAGE}\Resources\*.*"
  SetOutPath "$INSTDIR\QSS"
  File /r "${STAGE}\QSS\*.*"
  ; The program takes Resources\ and QSS\ from its working directory,
  ; which a shortcut sets to the install folder.
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninst.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninst.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninst.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; EstimatedSize is in KiB: the size of what was just installed.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Deletes $0, retrying for a few seconds: the program starts this
; uninstaller as its last step and ends about a second later, so its
; executable may still be in use when the uninstaller gets here.
Function un.DeleteWhenFree
  StrCpy $1 0
  ${Do}
    Delete "$0"
    ${IfNot} ${FileExists} "$0"
      Return
    ${EndIf}
    IntOp $1 $1 + 1
    ${If} $1 >= 20
      Return
    ${EndIf}
    Sleep 500
  ${Loop}
FunctionEnd

Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  StrCpy $0 "$INSTDIR\${PROGRAM}"
  Call un.DeleteWhenFree
  StrCpy $0 "$INSTDIR\${CLI}"
  Call un.DeleteWhenFree
  Delete "$INSTDIR\uiconfig"
  ; What the program itself writes beside its executable.
  Delete "$INSTDIR\userconfig"
  Delete "$INSTDIR\tolvanire-uninstaller.log"
  Delete "$INSTDIR\Upgrade.ini"
  Delete "$INSTDIR\zelwudump*.dmp"
  RMDir /r "$INSTDIR\Resources"
  RMDir /r "$INSTDIR\QSS"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\uninst.exe"
  ; Not recursive: files the user put there stay.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
