; Setup for Quillane: the x64 build on 64-bit Windows, the x86 build elsewhere.
; scripts/package passes VERSION, VENDOR, STAGE_X86, STAGE_X64, FILES_NSH,
; UNFILES_NSH, ICON and OUTFILE with -D.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

!define APP "Quillane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define VERB_KEY "Software\Classes\Directory\shell\${APP}"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
; No InstallDir: an empty $INSTDIR in .onInit means no /D= was given.
BrandingText "${APP} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${APP}"
VIAddVersionKey /LANG=1033 "CompanyName" "${VENDOR}"
VIAddVersionKey /LANG=1033 "FileDescription" "${APP} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${VENDOR}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "${APP} has been removed"
!define MUI_FINISHPAGE_TEXT "${APP} has been removed from your computer.$\r$\n$\r$\nYour restore list (Fldr.dll) stays where it is, in ${APP}'s folder under your local application data or in the program folder, so the folders you customized can still be restored after installing ${APP} again.$\r$\n$\r$\nClick Finish to close this wizard."
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetShellVarContext all
  ${If} ${RunningX64}
    SetRegView 64
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$PROGRAMFILES64\${APP}"
    ${EndIf}
  ${ElseIf} $INSTDIR == ""
    StrCpy $INSTDIR "$PROGRAMFILES\${APP}"
  ${EndIf}
FunctionEnd

Section "${APP}" SecApp
  SectionIn RO
  SetOutPath "$INSTDIR"
  ${If} ${RunningX64}
    !define STAGE "${STAGE_X64}"
    !include "${FILES_NSH}"
    !undef STAGE
  ${Else}
    !define STAGE "${STAGE_X86}"
    !include "${FILES_NSH}"
    !undef STAGE
  ${EndIf}
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\quillane.exe" "" "$INSTDIR\quillane.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillane.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Customize with ${APP} in Explorer" SecVerb
  WriteRegStr HKLM "${VERB_KEY}" "" "Customize with ${APP}"
  WriteRegStr HKLM "${VERB_KEY}" "Icon" "$INSTDIR\quillane.exe,0"
  WriteRegStr HKLM "${VERB_KEY}\command" "" '"$INSTDIR\quillane.exe" "%1"'
SectionEnd

Function un.onInit
  SetShellVarContext all
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

; Only what setup put there: files the user added and the restore list keep
; the folders they are in.
Section "Uninstall"
  !include "${UNFILES_NSH}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${APP}.lnk"
  DeleteRegKey HKLM "${VERB_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
