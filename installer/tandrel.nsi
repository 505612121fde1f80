; Tandrel's installer: per user, no administrator rights, the 64-bit programs on 64-bit Windows.
; scripts/package defines VERSION, FILE_VERSION, ROOT, WIN32, WIN64 (the programs' folders and
; their sizes in KiB, SIZE32 and SIZE64), TEXTS (the licence texts), WIZARD and OUT.

Unicode true
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tandrel"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\VB and VBA Program Settings\Tandrel"
; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE
!define PROCESS_ACCESS 0x00101001

Name "Tandrel"
OutFile "${OUT}"
InstallDir "$LOCALAPPDATA\Programs\Tandrel"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Tandrel ${VERSION}"

Var OldFolder      ; where an earlier install lives, if any
Var WasRunning     ; a Tandrel of this folder or the earlier one was ended
Var HadStartup     ; the start-up value pointed at the earlier install

!define MUI_ICON "${ROOT}\res\tandrel.ico"
!define MUI_UNICON "${ROOT}\res\tandrel.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD}"
!define MUI_WELCOMEFINISHPAGE_BITMAP_STRETCH AspectFitHeight
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${WIZARD}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP_STRETCH AspectFitHeight
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "Tandrel zips and extracts with two keys: select files in Explorer and press Ctrl+Alt+Z to zip them, or select archives and press Ctrl+Alt+U to extract them.$\r$\n$\r$\nTandrel is installed for you alone and needs no administrator rights.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Tandrel.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Tandrel now"
; The second check box is the start-up choice, as the configuration window's check box.
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Start Tandrel with Windows"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION StartWithWindows
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE FinishLeave
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Tandrel"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "Tandrel"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Tandrel Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (C) 2026 Tandrel"

; Ends the Tandrel that runs from the folder given on the stack; pushes 1 if one ran, else 0.
; Closing its tray window unloads it as the user's Exit does: the icon goes, the hotkeys are
; given back, and with no window left the process ends. Only one still running after 3 s (a
; window of its own still open) is ended by force; its icon is already gone by then.
!macro DEFINE_END_TANDREL PREFIX
Function ${PREFIX}EndTandrel
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $5 0
  StrCpy $1 0
  ${Do}
    FindWindow $1 "TandrelForm" "Systray form" "" $1
    ${IfThen} $1 == 0 ${|} ${ExitDo} ${|}
    System::Call "user32::GetWindowThreadProcessId(p r1, *i .r2)"
    System::Call "kernel32::OpenProcess(i ${PROCESS_ACCESS}, i 0, i r2) p .r3"
    ${IfThen} $3 == 0 ${|} ${Continue} ${|}
    StrCpy $4 ""
    System::Call "kernel32::QueryFullProcessImageNameW(p r3, i 0, w .r4, *i ${NSIS_MAX_STRLEN})"
    ${If} $4 == "$0\Tandrel.exe"
      StrCpy $5 1
      SendMessage $1 ${WM_CLOSE} 0 0 /TIMEOUT=3000
      System::Call "kernel32::WaitForSingleObject(p r3, i 3000) i .r4"
      ${If} $4 != 0
        System::Call "kernel32::TerminateProcess(p r3, i 1)"
        System::Call "kernel32::WaitForSingleObject(p r3, i 3000) i .r4"
      ${EndIf}
      ; Its windows are gone: look again from the first.
      ${IfThen} $4 == 0 ${|} StrCpy $1 0 ${|}
    ${EndIf}
    System::Call "kernel32::CloseHandle(p r3)"
  ${Loop}
  StrCpy $0 $5
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd
!macroend
!insertmacro DEFINE_END_TANDREL ""
!insertmacro DEFINE_END_TANDREL "un."

; The earlier install is removed by its own uninstaller, which knows its files; it keeps the
; settings when silent. The start-up value it removes is put back, for the new place.
Function RemoveEarlierInstall
  ReadRegStr $OldFolder HKCU "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $WasRunning 0
  ${If} $OldFolder != ""
    Push $OldFolder
    Call EndTandrel
    Pop $WasRunning
  ${EndIf}
  Push $INSTDIR
  Call EndTandrel
  Pop $0
  ${IfThen} $0 == 1 ${|} StrCpy $WasRunning 1 ${|}

  ReadRegStr $0 HKCU "${RUN_KEY}" "Tandrel"
  StrCpy $HadStartup 0
  ${IfThen} $0 == '"$OldFolder\Tandrel.exe"' ${|} StrCpy $HadStartup 1 ${|}
  ${If} $OldFolder != ""
  ${AndIf} ${FileExists} "$OldFolder\Uninstall.exe"
    ExecWait '"$OldFolder\Uninstall.exe" /S _?=$OldFolder'
    Delete "$OldFolder\Uninstall.exe"
    RMDir "$OldFolder"
  ${EndIf}
FunctionEnd

Section "Tandrel" Programs
  Call RemoveEarlierInstall
  SetOutPath "$INSTDIR"
  ${If} ${RunningX64}
    File "${WIN64}\Tandrel.exe"
    File "${WIN64}\Cramlet.exe"
    File "${WIN64}\Spillet.exe"
  ${Else}
    File "${WIN32}\Tandrel.exe"
    File "${WIN32}\Cramlet.exe"
    File "${WIN32}\Spillet.exe"
  ${EndIf}
  File "${TEXTS}\LICENSE.txt"
  File "${TEXTS}\THIRD-PARTY.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateShortCut "$SMPROGRAMS\Tandrel.lnk" "$INSTDIR\Tandrel.exe"
  CreateShortCut "$SENDTO\Zip with Cramlet.lnk" "$INSTDIR\Cramlet.exe"
  CreateShortCut "$SENDTO\Extract with Spillet.lnk" "$INSTDIR\Spillet.exe"

  ; The start-up choice kept in the settings outlives an uninstall that kept them.
  ReadRegStr $0 HKCU "${SETTINGS_KEY}\start" "autoboot"
  ${If} $HadStartup == 1
  ${OrIf} $0 == "1"
    WriteRegStr HKCU "${RUN_KEY}" "Tandrel" '"$INSTDIR\Tandrel.exe"'
  ${EndIf}

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tandrel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Tandrel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tandrel.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Only one of the two sets of programs is installed.
Function .onInit
  ${If} ${RunningX64}
    SectionSetSize ${Programs} ${SIZE64}
  ${Else}
    SectionSetSize ${Programs} ${SIZE32}
  ${EndIf}
FunctionEnd

; A silent install starts again the Tandrel it ended; otherwise the finish page offers it.
Function .onInstSuccess
  ${If} ${Silent}
  ${AndIf} $WasRunning == 1
    Exec '"$INSTDIR\Tandrel.exe"'
  ${EndIf}
FunctionEnd

; The start-up check box shows what the configuration window's shows.
Function FinishShow
  ReadRegStr $0 HKCU "${SETTINGS_KEY}\start" "autoboot"
  ${If} $0 == "1"
    SendMessage $mui.FinishPage.ShowReadme ${BM_SETCHECK} ${BST_CHECKED} 0
  ${EndIf}
FunctionEnd

; Written as the configuration window's OK writes it: the quoted path under the Run key, and
; "autoboot".
Function StartWithWindows
  WriteRegStr HKCU "${RUN_KEY}" "Tandrel" '"$INSTDIR\Tandrel.exe"'
  WriteRegStr HKCU "${SETTINGS_KEY}\start" "autoboot" "1"
FunctionEnd

; Unticking the box the page showed ticked removes the start-up value.
Function FinishLeave
  ${NSD_GetState} $mui.FinishPage.ShowReadme $0
  ReadRegStr $1 HKCU "${SETTINGS_KEY}\start" "autoboot"
  ${If} $0 != ${BST_CHECKED}
  ${AndIf} $1 == "1"
    DeleteRegValue HKCU "${RUN_KEY}" "Tandrel"
    WriteRegStr HKCU "${SETTINGS_KEY}\start" "autoboot" "0"
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Push $INSTDIR
  Call un.EndTandrel
  Pop $0
  Delete "$INSTDIR\Tandrel.exe"
  Delete "$INSTDIR\Cramlet.exe"
  Delete "$INSTDIR\Spillet.exe"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD-PARTY.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\Tandrel.lnk"
  Delete "$SENDTO\Zip with Cramlet.lnk"
  Delete "$SENDTO\Extract with Spillet.lnk"

  ; Another copy's start-up value is that copy's.
  ReadRegStr $0 HKCU "${RUN_KEY}" "Tandrel"
  ${IfThen} $0 == '"$INSTDIR\Tandrel.exe"' ${|} DeleteRegValue HKCU "${RUN_KEY}" "Tandrel" ${|}
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  MessageBox MB_YESNO|MB_ICONQUESTION "Keep Tandrel's settings (its hotkeys and start-up choice) for a later install?" \
    /SD IDYES IDYES keep
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\VB and VBA Program Settings"
  keep:
SectionEnd

; The uninstaller runs from a copy of itself in the temporary folder, which cannot delete itself
; and which Windows removes at restart only for administrators: a hidden command removes it two
; seconds on, when this process has ended.
Function un.onUninstSuccess
  ${GetParent} $EXEDIR $0
  ${GetFileName} $EXEDIR $1
  StrCpy $1 $1 4
  ${If} $0 == $TEMP
  ${AndIf} $1 == "~nsu"
    SetOutPath $TEMP
    ExecShell "" "$SYSDIR\cmd.exe" '/c ping -n 3 127.0.0.1 >nul & rd /s /q "$EXEDIR"' SW_HIDE
  ${EndIf}
FunctionEnd
