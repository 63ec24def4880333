; The Windows installer, built by scripts/windows.sh with makensis:
;   makensis -DVERSION=6.1 -DSTAGE=DIR -DOUTFILE=FILE -DUNINSTALL_FILES=NSH tarnwick.nsi
; STAGE is the zip's folder (program, tools, licences); UNINSTALL_FILES lists its files and
; folders as Delete and RMDir lines, so the uninstaller removes exactly what was installed and
; never a file the user put there (a settings file of a portable-style install stays).
; Installs for all users into Program Files (64-bit), with a Start-menu entry, an entry in the
; system's list of programs and "Compress with Tarnwick" in Explorer's context menu. /S installs
; and uninstalls silently.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "x64.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwick"
!define VERB "Tarnwick"
!define VERB_TEXT "Compress with Tarnwick"

Name "Tarnwick ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tarnwick"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Tarnwick ${VERSION}"

!define MUI_FINISHPAGE_RUN "$INSTDIR\tarnwick.exe"
!define MUI_FINISHPAGE_TITLE_3LINES
!define MUI_FINISHPAGE_TEXT "Tarnwick is installed, with pngcrush, OptiPNG, zopflipng, jpegtran, gifsicle and qpdf beside it.$\r$\n$\r$\nThree optimizers are not included. To use them, put them in $INSTDIR or in a folder on the PATH:$\r$\n- exiftool.exe (strips metadata): exiftool.org, the Windows executable renamed to exiftool.exe$\r$\n- upx.exe (packs executables): upx.github.io$\r$\n- pngout.exe (shrinks PNG files): advsys.net/ken/utils.htm"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The kinds Explorer offers the entry for: images, PDF, executables (and folders, below).
!macro ForEachKind MACRO
  !insertmacro ${MACRO} ".png"
  !insertmacro ${MACRO} ".jpg"
  !insertmacro ${MACRO} ".jpeg"
  !insertmacro ${MACRO} ".gif"
  !insertmacro ${MACRO} ".tif"
  !insertmacro ${MACRO} ".tiff"
  !insertmacro ${MACRO} ".pdf"
  !insertmacro ${MACRO} ".exe"
  !insertmacro ${MACRO} ".dll"
!macroend

; SystemFileAssociations adds the verb to a kind without taking over its usual program.
!macro AddVerb SUFFIX
  WriteRegStr HKLM "Software\Classes\SystemFileAssociations\${SUFFIX}\shell\${VERB}" "" "${VERB_TEXT}"
  WriteRegStr HKLM "Software\Classes\SystemFileAssociations\${SUFFIX}\shell\${VERB}\command" "" '"$INSTDIR\tarnwick.exe" --open "%1"'
!macroend

!macro RemoveVerb SUFFIX
  DeleteRegKey HKLM "Software\Classes\SystemFileAssociations\${SUFFIX}\shell\${VERB}"
  ; Keys this installer made and nothing else uses.
  DeleteRegKey /ifempty HKLM "Software\Classes\SystemFileAssociations\${SUFFIX}\shell"
  DeleteRegKey /ifempty HKLM "Software\Classes\SystemFileAssociations\${SUFFIX}"
!macroend

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "Tarnwick needs 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Tarnwick"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\Tarnwick.lnk" "$INSTDIR\tarnwick.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tarnwick"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tarnwick.exe"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  !insertmacro ForEachKind AddVerb
  WriteRegStr HKLM "Software\Classes\Directory\shell\${VERB}" "" "${VERB_TEXT}"
  WriteRegStr HKLM "Software\Classes\Directory\shell\${VERB}\command" "" '"$INSTDIR\tarnwick.exe" --open "%1"'
SectionEnd

Section "Uninstall"
  !insertmacro ForEachKind RemoveVerb
  DeleteRegKey HKLM "Software\Classes\Directory\shell\${VERB}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$SMPROGRAMS\Tarnwick.lnk"

  !include "${UNINSTALL_FILES}"
  Delete "$INSTDIR\uninstall.exe"
  ; Stays when it holds what the user put there.
  RMDir "$INSTDIR"
SectionEnd
