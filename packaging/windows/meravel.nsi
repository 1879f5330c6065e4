; The Windows set-up program of Meravel (NSIS 3, 64-bit Unicode stub).
; makensis -DVERSION=2.5 -DSOURCE=<program folder, installed layout> -DOUTFILE=setup-Meravel.exe
; Installs for all users under Program Files (administrator), or for the current user under
; %LOCALAPPDATA%\Programs without administrator rights (/CurrentUser, or the choice on the
; first page). /S installs silently. The uninstaller leaves every user's data folder
; (%APPDATA%\Meravel) alone: the databases, backups and exports there are the clinic's.
Target amd64-unicode
Unicode true
ManifestDPIAware true
SetCompressor /SOLID lzma

!ifndef VERSION
  !error "VERSION is not defined"
!endif
!ifndef SOURCE
  !error "SOURCE is not defined"
!endif
!ifndef OUTFILE
  !define OUTFILE "setup-Meravel.exe"
!endif

!define APPNAME "Meravel"
!define APPNAME_FA "مراول"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Meravel"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${APPNAME}"
!define MULTIUSER_USE_PROGRAMFILES64
!include MultiUser.nsh
!include MUI2.nsh
!include x64.nsh

Name "${APPNAME_FA}"
Caption "${APPNAME_FA} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${APPNAME_FA} ${VERSION}"
!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Farsi"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_FARSI} "ProductName" "${APPNAME}"
VIAddVersionKey /LANG=${LANG_FARSI} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_FARSI} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_FARSI} "FileDescription" "${APPNAME} set-up"

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd
Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "Meravel"
  ; An earlier release's files are replaced as a whole (a running program keeps its lock in
  ; the user's folder, not here).
  RMDir /r "$INSTDIR\bin"
  RMDir /r "$INSTDIR\share"
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}\*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetOutPath "$INSTDIR\bin"
  CreateDirectory "$SMPROGRAMS\${APPNAME_FA}"
  CreateShortcut "$SMPROGRAMS\${APPNAME_FA}\${APPNAME_FA}.lnk" "$INSTDIR\bin\meravel.exe"
  CreateShortcut "$DESKTOP\${APPNAME_FA}.lnk" "$INSTDIR\bin\meravel.exe"

  WriteRegStr SHCTX "${UNINSTKEY}" "DisplayName" "${APPNAME_FA} (${APPNAME})"
  WriteRegStr SHCTX "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\bin\meravel.exe"
  WriteRegStr SHCTX "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTKEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$DESKTOP\${APPNAME_FA}.lnk"
  RMDir /r "$SMPROGRAMS\${APPNAME_FA}"
  RMDir /r "$INSTDIR\bin"
  RMDir /r "$INSTDIR\share"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTKEY}"
SectionEnd
