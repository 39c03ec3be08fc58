; Setup for Quillane: the x64 build on 64-bit Windows, the x86 build elsewhere.
; scripts/package passes VERSION, VENDOR, STAGE_X86, STAGE_X64, FILES_NSH,
; UNFILES_NSH, UNART_NSH, ICON and OUTFILE with -D.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
; Windows 10 and 11 then report themselves as they are, not as 6.2.
ManifestSupportedOS all

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include WinVer.nsh
!include WinMessages.nsh
!include nsDialogs.nsh

!define APP "Quillane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define VERB_KEY "Software\Classes\Directory\shell\${APP}"
!define DRIVE_VERB_KEY "Software\Classes\Drive\shell\${APP}"
!define BACKGROUND_VERB_KEY "Software\Classes\Directory\Background\shell\${APP}"
; The context-menu handler, registered as its DllRegisterServer does.
!define MENU_CLSID "{BE2AC388-320A-4D73-81E5-321EA44B4866}"
!define MENU_TITLE "${APP} menu"
!define MENU_CLSID_KEY "Software\Classes\CLSID\${MENU_CLSID}"
!define MENU_HANDLER "shellex\ContextMenuHandlers\${APP}"
!define APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved"
!define MAIN_WINDOW_CLASS "QuillaneForm1"

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

Var Upgrade        ; 1: an earlier install is updated where it is
Var Customized     ; folders in every account's restore record; -1 when a list cannot be read
Var Accounts       ; accounts with folders in it; -1 when a list cannot be read
Var RestoreBox
Var RestoreWanted  ; 1: put the customized folders back before removing
Var FinishText

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipDirectoryOnUpgrade
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

UninstPage custom un.CustomizedPage un.CustomizedPageLeave
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "${APP} has been removed"
!define MUI_FINISHPAGE_TEXT "$FinishText"
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "English"

; Asks the running program to close as the user would, so that it saves its
; restore list, and waits for its process to end; the user is asked first
; unless silent. $R0 is 1 when no copy runs any more, else 0.
!macro CLOSE_RUNNING_COPY UN
Function ${UN}CloseRunningCopy
  StrCpy $R0 1
  FindWindow $R1 "${MAIN_WINDOW_CLASS}"
  IntCmp $R1 0 done
  MessageBox MB_YESNO|MB_ICONQUESTION "${APP} is running and must be closed first; it keeps its restore list as it closes.$\r$\n$\r$\nClose ${APP} now?" /SD IDYES IDYES close
  StrCpy $R0 0
  Goto done
close:
  ; A window not shown yet is still reading its list, or saying why it cannot
  ; run: closed then, it would save a list it has not read.
  StrCpy $R4 0
shown_yet:
  IsWindow $R1 0 done
  System::Call 'user32::IsWindowVisible(p $R1) i .R5'
  IntCmp $R5 0 0 visible visible
  IntOp $R4 $R4 + 1
  IntCmp $R4 50 not_shown 0 not_shown
  Sleep 100
  Goto shown_yet
not_shown:
  StrCpy $R0 0
  Goto done
visible:
  System::Call 'user32::GetWindowThreadProcessId(p $R1, *i .R2) i'
  System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i $R2) p .R3'
  ClearErrors
  SendMessage $R1 ${WM_CLOSE} 0 0 /TIMEOUT=30000
  ; Answered and still there: it refused, as it does during a long operation.
  IfErrors wait
  IsWindow $R1 0 wait
  StrCpy $R0 0
  Goto closed
wait:
  IntCmp $R3 0 poll
  System::Call 'kernel32::WaitForSingleObject(p $R3, i 15000) i .R4'
  IntCmp $R4 0 closed
  StrCpy $R0 0
  Goto closed
poll:
  StrCpy $R4 0
poll_again:
  IsWindow $R1 0 closed
  IntOp $R4 $R4 + 1
  IntCmp $R4 150 gone_not 0 gone_not
  Sleep 100
  Goto poll_again
gone_not:
  StrCpy $R0 0
closed:
  IntCmp $R3 0 done
  System::Call 'kernel32::CloseHandle(p $R3)'
done:
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING_COPY ""
!insertmacro CLOSE_RUNNING_COPY "un."

; The plain verbs of earlier versions, which the menu replaces.
!macro DELETE_VERBS
  DeleteRegKey HKLM "${VERB_KEY}"
  DeleteRegKey HKLM "${DRIVE_VERB_KEY}"
  DeleteRegKey HKLM "${BACKGROUND_VERB_KEY}"
!macroend

!macro WRITE_MENU_HANDLER DLL
  WriteRegStr HKLM "${MENU_CLSID_KEY}" "" "${MENU_TITLE}"
  WriteRegStr HKLM "${MENU_CLSID_KEY}\InprocServer32" "" "$INSTDIR\${DLL}"
  WriteRegStr HKLM "${MENU_CLSID_KEY}\InprocServer32" "ThreadingModel" "Apartment"
  WriteRegStr HKLM "Software\Classes\Directory\${MENU_HANDLER}" "" "${MENU_CLSID}"
  WriteRegStr HKLM "Software\Classes\Drive\${MENU_HANDLER}" "" "${MENU_CLSID}"
  WriteRegStr HKLM "Software\Classes\Directory\Background\${MENU_HANDLER}" "" "${MENU_CLSID}"
  WriteRegStr HKLM "${APPROVED_KEY}" "${MENU_CLSID}" "${MENU_TITLE}"
!macroend

!macro DELETE_MENU_HANDLER
  DeleteRegKey HKLM "${MENU_CLSID_KEY}"
  DeleteRegKey HKLM "Software\Classes\Directory\${MENU_HANDLER}"
  DeleteRegKey HKLM "Software\Classes\Drive\${MENU_HANDLER}"
  DeleteRegKey HKLM "Software\Classes\Directory\Background\${MENU_HANDLER}"
  DeleteRegValue HKLM "${APPROVED_KEY}" "${MENU_CLSID}"
!macroend

; Explorer reads its handlers again.
!macro NOTIFY_ASSOCIATIONS
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

; 64-bit Windows loads the handler in both views: Explorer the 64-bit DLL,
; 32-bit programs' file dialogs the 32-bit one. Leaves the 64-bit view set.
!macro MENU_HANDLER_FUNCTIONS UN
Function ${UN}DeleteMenuHandler
  ${If} ${RunningX64}
    SetRegView 32
    !insertmacro DELETE_MENU_HANDLER
    SetRegView 64
  ${EndIf}
  !insertmacro DELETE_MENU_HANDLER
  !insertmacro DELETE_VERBS
FunctionEnd

; A DLL that Explorer has loaded cannot be overwritten or deleted, but it can
; be renamed: the installed one moves aside to a name of its own and goes as
; soon as nothing holds it, at the latest when Windows starts again. What
; earlier runs set aside and nothing holds any more goes now. The setup does
; not ask for a restart for it: the new DLL is in place already.
Function ${UN}SetAsideMenuDlls
  Delete "$INSTDIR\QuillaneMenu32.dll.old-*"
  Delete "$INSTDIR\QuillaneMenu64.dll.old-*"
  Push "QuillaneMenu32.dll"
  Call ${UN}SetAsideFile
  Push "QuillaneMenu64.dll"
  Call ${UN}SetAsideFile
FunctionEnd

Function ${UN}SetAsideFile
  Exch $R0
  Push $R1
  Push $R2
  ${If} ${FileExists} "$INSTDIR\$R0"
    StrCpy $R1 1
    ${DoWhile} ${FileExists} "$INSTDIR\$R0.old-$R1"
      IntOp $R1 $R1 + 1
    ${Loop}
    ClearErrors
    Rename "$INSTDIR\$R0" "$INSTDIR\$R0.old-$R1"
    ${If} ${Errors}
      DetailPrint "$INSTDIR\$R0 could not be set aside."
    ${Else}
      StrCpy $R2 0
      IfRebootFlag 0 +2
        StrCpy $R2 1
      Delete /REBOOTOK "$INSTDIR\$R0.old-$R1"
      ${If} $R2 == 0
        SetRebootFlag false
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd
!macroend
!insertmacro MENU_HANDLER_FUNCTIONS ""
!insertmacro MENU_HANDLER_FUNCTIONS "un."

; Where the DLL being replaced cannot be set aside, the old one stays and
; keeps serving the menu.
!macro MENU_FILES
  SetOutPath "$INSTDIR"
  SetOverwrite try
  File "${STAGE}/QuillaneMenu32.dll"
  File "${STAGE}/QuillaneMenu64.dll"
  SetOverwrite on
!macroend

Function .onInit
  ; The program refuses to start on NT 6.0 to 6.3 (Vista to 8.1): nothing is
  ; installed where it could not run.
  ${WinVerGetMajor} $0
  ${If} ${IsNT}
  ${AndIf} $0 == 6
    ${IfNot} ${Silent}
      System::Call 'user32::MessageBoxW(p 0, w "Quillane is not compatible with Vista    ", w "${APP}", i 0x30) i'
    ${EndIf}
    SetErrorLevel 2
    Quit
  ${EndIf}
  SetShellVarContext all
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ; A second copy elsewhere would orphan the first one's restore list and the
  ; icons its folders use: the installed copy is uninstalled first.
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $INSTDIR != ""
  ${AndIf} $1 != ""
  ${AndIf} ${FileExists} "$1\uninstall.exe"
    StrCpy $2 "$INSTDIR"
    StrCpy $3 "$1"
    Call TrimSlash
    ${If} $2 != $3
      ${IfNot} ${Silent}
        MessageBox MB_OK|MB_ICONEXCLAMATION "${APP} is installed in $1.$\r$\n$\r$\nUninstall it there first, then run setup again to install ${APP} in $INSTDIR. Nothing was changed."
      ${EndIf}
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
  ; An earlier install is updated in its own folder unless /D= names another.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $INSTDIR != ""
      StrCpy $Upgrade 1
    ${EndIf}
  ${EndIf}
  ${If} $INSTDIR == ""
    ${If} ${RunningX64}
      StrCpy $INSTDIR "$PROGRAMFILES64\${APP}"
    ${Else}
      StrCpy $INSTDIR "$PROGRAMFILES\${APP}"
    ${EndIf}
  ${EndIf}
FunctionEnd

; $2 and $3 without a trailing backslash; LogicLib's == ignores letter case.
Function TrimSlash
  StrCpy $4 $2 "" -1
  ${If} $4 == "\"
    StrCpy $2 $2 -1
  ${EndIf}
  StrCpy $4 $3 "" -1
  ${If} $4 == "\"
    StrCpy $3 $3 -1
  ${EndIf}
FunctionEnd

Function SkipDirectoryOnUpgrade
  ${If} $Upgrade == 1
    Abort
  ${EndIf}
FunctionEnd

Section "${APP}" SecApp
  SectionIn RO
  ; Before anything is written: the running copy would keep its files and
  ; later save a list of its own.
  Call CloseRunningCopy
  ${If} $R0 != 1
    MessageBox MB_OK|MB_ICONEXCLAMATION "${APP} is still running, so nothing was installed. Close ${APP} and run setup again." /SD IDOK
    Abort
  ${EndIf}
  SetOutPath "$INSTDIR"
  Call SetAsideMenuDlls
  ${If} ${RunningX64}
    !define STAGE "${STAGE_X64}"
    !include "${FILES_NSH}"
    !insertmacro MENU_FILES
    !undef STAGE
  ${Else}
    !define STAGE "${STAGE_X86}"
    !include "${FILES_NSH}"
    !insertmacro MENU_FILES
    !undef STAGE
  ${EndIf}
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The record's one lock, made here so that a standard user's copy, which
  ; may not create it, locks the same file as an elevated one: a lock needs
  ; only reading, which the folder's inherited access gives every user.
  ${IfNot} ${FileExists} "$INSTDIR\Fldr.dll.lock"
    FileOpen $0 "$INSTDIR\Fldr.dll.lock" w
    FileClose $0
  ${EndIf}
  ; The coloured icons' folder that every account shares, with access entries
  ; of its own (NSIS here sets none): each account adds files and changes only
  ; its own. A Quillane or Icons that is a link is left without them.
  ClearErrors
  ExecWait '"$INSTDIR\quillane.exe" /prepare-shared-icons' $0
  ${If} ${Errors}
  ${OrIf} $0 != 0
    DetailPrint "The shared icon folder $APPDATA\${APP}\Icons could not be given its access entries (a link, or they were refused)."
  ${EndIf}
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
  ; An update without the menu takes away the earlier one, and every update
  ; the plain verbs of older versions.
  Call DeleteMenuHandler
  !insertmacro NOTIFY_ASSOCIATIONS
SectionEnd

Section "${APP} menu in Explorer" SecMenu
  ${If} ${RunningX64}
    SetRegView 32
    !insertmacro WRITE_MENU_HANDLER "QuillaneMenu32.dll"
    SetRegView 64
    !insertmacro WRITE_MENU_HANDLER "QuillaneMenu64.dll"
  ${Else}
    !insertmacro WRITE_MENU_HANDLER "QuillaneMenu32.dll"
  ${EndIf}
  !insertmacro NOTIFY_ASSOCIATIONS
SectionEnd

Function un.onInit
  SetShellVarContext all
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  Call un.CloseRunningCopy
  ${If} $R0 != 1
    MessageBox MB_OK|MB_ICONEXCLAMATION "${APP} is still running, so nothing was uninstalled. Close ${APP} and try again." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  StrCpy $Customized -1
  StrCpy $Accounts -1
  ${IfNot} ${Silent}
    Call un.CountCustomized
  ${EndIf}
FunctionEnd

; The program counts every account's restore list, the program folder's and
; each profile's: $Customized folders for $Accounts accounts.
Function un.CountCustomized
  ClearErrors
  ExecWait '"$INSTDIR\quillane.exe" /count-customized /all-users' $Customized
  ${If} ${Errors}
    StrCpy $Customized -1
  ${EndIf}
  ClearErrors
  ExecWait '"$INSTDIR\quillane.exe" /count-accounts' $Accounts
  ${If} ${Errors}
  ${OrIf} $Customized < 0
    StrCpy $Accounts -1
  ${EndIf}
  ${If} $Accounts < 0
    StrCpy $Customized -1
  ${EndIf}
FunctionEnd

Function un.CustomizedPage
  !insertmacro MUI_HEADER_TEXT "Customized folders" "Folders that ${APP} changed can be put back first."
  nsDialogs::Create 1018
  Pop $0
  ${If} $Customized < 0
    StrCpy $1 "${APP} could not read every restore list (its own and those of the other accounts), so it cannot tell how many folders it has customized."
  ${ElseIf} $Customized == 0
    StrCpy $1 "${APP} has customized no folders."
  ${Else}
    ${If} $Customized == 1
      StrCpy $1 "${APP} has customized 1 folder"
    ${Else}
      StrCpy $1 "${APP} has customized $Customized folders"
    ${EndIf}
    ${If} $Accounts == 1
      StrCpy $1 "$1 for 1 account."
    ${Else}
      StrCpy $1 "$1 for $Accounts accounts."
    ${EndIf}
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 24u "$1"
  Pop $0
  StrCpy $RestoreBox ""
  ${If} $Customized != 0
    ${NSD_CreateCheckbox} 0 30u 100% 12u "Put these folders back as they were"
    Pop $RestoreBox
    ${NSD_Check} $RestoreBox
    ${NSD_CreateLabel} 0 50u 100% 48u "Folders that stay customized keep the icons and pictures they use: these stay in ${APP}'s folder and in $APPDATA\${APP}\Icons, and so does the restore list, so that the folders can be put back after installing ${APP} again."
    Pop $0
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function un.CustomizedPageLeave
  StrCpy $RestoreWanted 0
  ${If} $RestoreBox != ""
    ${NSD_GetState} $RestoreBox $0
    ${If} $0 == ${BST_CHECKED}
      StrCpy $RestoreWanted 1
    ${EndIf}
  ${EndIf}
FunctionEnd

; Runs /restore-all and says what it could not do; the program shows its
; own count of the folders unless silent.
Function un.RestoreFolders
  DetailPrint "Putting the customized folders back as they were..."
  ClearErrors
  ${If} ${Silent}
    ExecWait '"$INSTDIR\quillane.exe" /restore-all /all-users /quiet' $0
  ${Else}
    ExecWait '"$INSTDIR\quillane.exe" /restore-all /all-users' $0
  ${EndIf}
  ${If} ${Errors}
    DetailPrint "${APP} could not be started to put the folders back."
  ${ElseIf} $0 == 1
    DetailPrint "Some folders could not be put back; they stay customized and in the restore list."
  ${ElseIf} $0 == 2
    DetailPrint "The restore list could not be read or saved."
  ${ElseIf} $0 == 3
    DetailPrint "${APP} could not be closed to put the folders back."
  ${EndIf}
FunctionEnd

; The coloured folder icons the program made, shared by every account's
; folders, with what an interrupted write left; anything else there stays,
; and so does the folder then. The program removes them, before its own files
; go: NSIS's Delete follows a link that stands for Quillane or Icons, and
; deletes the target of a linked file under Wine; the program removes each
; name as itself and nothing where a folder is a link. SetShellVarContext
; all: $APPDATA is the application data of all users, where the program
; keeps them.
Function un.RemoveColouredIcons
  ClearErrors
  ExecWait '"$INSTDIR\quillane.exe" /remove-shared-icons' $0
  ${If} ${Errors}
  ${OrIf} $0 != 0
    DetailPrint "Some coloured icons could not be removed from $APPDATA\${APP}\Icons."
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; Explorer stops offering the menu before its DLLs go.
  Call un.DeleteMenuHandler
  !insertmacro NOTIFY_ASSOCIATIONS
  Call un.SetAsideMenuDlls
  ${If} ${Silent}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/RESTOREALL" $1
    ${IfNot} ${Errors}
      StrCpy $RestoreWanted 1
    ${EndIf}
  ${EndIf}
  ${If} $RestoreWanted == 1
    Call un.RestoreFolders
  ${EndIf}
  ; Folders still customized use the bundled icons and pictures and the
  ; coloured icons: they stay while any account's restore record is not
  ; empty or cannot be read.
  Call un.CountCustomized
  StrCpy $FinishText "${APP} has been removed from your computer.$\r$\n$\r$\nClick Finish to close this wizard."
  ${If} $Customized == 0
    Call un.RemoveColouredIcons
  ${EndIf}
  !include "${UNFILES_NSH}"
  ${If} $Customized == 0
    !include "${UNART_NSH}"
    ; An empty restore list is all that is left of the program, with its
    ; lock and what a save or a run left beside it.
    Delete "$INSTDIR\Fldr.dll"
    Delete "$INSTDIR\Fldr.dll.lock"
    Delete "$INSTDIR\Fldr.dll.journal*"
    Delete "$INSTDIR\Fldr.dll.new*"
  ${ElseIf} $Customized < 0
    DetailPrint "A restore list could not be read, so it may name customized folders. Kept: $INSTDIR\Icons, $INSTDIR\Backgrounds, $APPDATA\${APP}\Icons and every restore list."
    StrCpy $FinishText "${APP} has been removed from your computer.$\r$\n$\r$\nA restore list could not be read, so folders may still be customized: the icons and pictures they use stay in $INSTDIR\Icons, $INSTDIR\Backgrounds and $APPDATA\${APP}\Icons, and every restore list stays too. Install ${APP} again to put these folders back.$\r$\n$\r$\nClick Finish to close this wizard."
  ${Else}
    DetailPrint "Kept for the $Customized folders that are still customized (for $Accounts accounts): $INSTDIR\Icons, $INSTDIR\Backgrounds, $APPDATA\${APP}\Icons and every restore list."
    StrCpy $FinishText "${APP} has been removed from your computer.$\r$\n$\r$\nSome folders are still customized ($Customized, for $Accounts accounts), so the icons and pictures they use stay in $INSTDIR\Icons, $INSTDIR\Backgrounds and $APPDATA\${APP}\Icons, and every restore list stays too: install ${APP} again to put these folders back.$\r$\n$\r$\nClick Finish to close this wizard."
  ${EndIf}
  Delete "$INSTDIR\uninstall.exe"
  ; A DLL still held goes at the next start of Windows, and the folder with it
  ; when nothing else is left in it then.
  ${If} ${FileExists} "$INSTDIR\QuillaneMenu*.dll.old-*"
    StrCpy $R2 0
    IfRebootFlag 0 +2
      StrCpy $R2 1
    RMDir /REBOOTOK "$INSTDIR"
    ${If} $R2 == 0
      SetRebootFlag false
    ${EndIf}
  ${Else}
    RMDir "$INSTDIR"
  ${EndIf}
  Delete "$SMPROGRAMS\${APP}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
