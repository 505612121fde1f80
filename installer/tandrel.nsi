; Tandrel's installer: per user, no administrator rights, the 64-bit programs on 64-bit Windows.
; scripts/package defines VERSION, FILE_VERSION, ROOT, WIN32, WIN64 (the programs' folders, and
; SIZE32 and SIZE64, what each set installs in KiB, the uninstaller and the texts included), TEXTS
; (the licence texts), WIZARD and OUT; and, to learn the uninstaller's size, UNINSTALLER_COPY.

Unicode true
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include WordFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tandrel"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\VB and VBA Program Settings\Tandrel"
; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE
!define PROCESS_ACCESS 0x00101001
!define GENERIC_WRITE 0x40000000
!define OPEN_EXISTING 3
; Every file an install writes, the list the uninstaller removes (written in the registry too).
!define FILES "Tandrel.exe|Cramlet.exe|Spillet.exe|LICENSE.txt|THIRD-PARTY.txt|Uninstall.exe"
!define HOME_PAGE "https://www.tandrel.example"
!define HELP_PAGE "https://tandrel.example/support/"

Name "Tandrel"
OutFile "${OUT}"
InstallDir "$LOCALAPPDATA\Programs\Tandrel"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Tandrel ${VERSION}"

Var OldFolder      ; where an earlier install lives, if any
Var WasRunning     ; a Tandrel of this folder or the earlier one was ended
Var HadStartup     ; the start-up value pointed at the earlier install
Var EndedOld       ; the Tandrel of the earlier install's folder was ended
Var EndedHere      ; the Tandrel of this folder was ended
Var Created        ; the outermost folder this install made, if any
Var Incomplete     ; files that could not be written
Var KeepSettings   ; the uninstaller's answer
Var OldFiles       ; the files the install in this folder listed
Var LookOnly       ; EndTandrel only tells whether one runs

!ifdef UNINSTALLER_COPY
  !uninstfinalize 'cp "%1" "${UNINSTALLER_COPY}"'
!endif

!define MUI_ICON "${ROOT}\res\tandrel.ico"
!define MUI_UNICON "${ROOT}\res\tandrel.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD}"
!define MUI_WELCOMEFINISHPAGE_BITMAP_STRETCH AspectFitHeight
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${WIZARD}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP_STRETCH AspectFitHeight
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "Tandrel zips and extracts with two keys: select files in Explorer and press Ctrl+Alt+Z to zip them, or select archives and press Ctrl+Alt+U to extract them.$\r$\n$\r$\nTandrel is installed for you alone and needs no administrator rights.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_SHOW DirectoryShow
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
; With $LookOnly = 1 it only tells. Closing its tray window unloads it as the user's Exit does: the icon goes, the hotkeys are
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
      ${If} $LookOnly == 1
        System::Call "kernel32::CloseHandle(p r3)"
        ${ExitDo}
      ${EndIf}
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

; Splits the first name off a list in FILES' form: $R1 gets it ("" at the end), $R0 keeps the rest.
; InUse names in $R7 the files of that list in folder $R5 that cannot be written now (a running
; program's file cannot be, on Windows as under Wine), Tandrel.exe left out with $R6 = 1, as its
; Tandrel is ended rather than asked. The uninstaller's own file is held at most by the process
; that started its copy, which ends by itself.
; UntilFree asks to close them until none is in use; on Cancel (silent: at once) $R7 names them.
!macro DEFINE_FILE_CHECKS PREFIX
Function ${PREFIX}NextName
  StrCpy $R1 ""
  ${Do}
    StrCpy $R2 $R0 1
    StrCpy $R0 $R0 "" 1
    ${If} $R2 == "|"
    ${OrIf} $R2 == ""
      ${ExitDo}
    ${EndIf}
    StrCpy $R1 "$R1$R2"
  ${Loop}
FunctionEnd

Function ${PREFIX}InUse
  StrCpy $R7 ""
  StrCpy $R0 "${FILES}"
  ${Do}
    Call ${PREFIX}NextName
    ${IfThen} $R1 == "" ${|} ${ExitDo} ${|}
    StrCpy $R4 "$R5\$R1"
    ${If} $R1 == "Tandrel.exe"
    ${AndIf} $R6 == 1
      ${Continue}
    ${EndIf}
    !if "${PREFIX}" == "un."
      ${IfThen} $R1 == "Uninstall.exe" ${|} ${Continue} ${|}
    !endif
    ${IfNot} ${FileExists} $R4
      ${Continue}
    ${EndIf}
    System::Call "kernel32::CreateFileW(w R4, i ${GENERIC_WRITE}, i 0, p 0, i ${OPEN_EXISTING}, i 0, p 0) i .R3"
    ${If} $R3 = -1
      ${If} $R7 == ""
        StrCpy $R7 $R1
      ${Else}
        StrCpy $R7 "$R7, $R1"
      ${EndIf}
    ${Else}
      System::Call "kernel32::CloseHandle(i R3)"
    ${EndIf}
  ${Loop}
FunctionEnd

Function ${PREFIX}UntilFree
  ${Do}
    Call ${PREFIX}InUse
    ${IfThen} $R7 == "" ${|} ${ExitDo} ${|}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Tandrel's programs are in use in $R5: $R7.$\r$\n$\r$\nClose Cramlet and Spillet (a file or password window of theirs may be open), then click Retry. Cancel changes nothing." \
      /SD IDCANCEL IDRETRY retry
    ${ExitDo}
    retry:
  ${Loop}
FunctionEnd

; Pushes 1 if the name on the stack is a plain file name, no path that could lead out of a folder.
Function ${PREFIX}PlainName
  Exch $0
  Push $1
  Push $2
  ${If} $0 == ""
  ${OrIf} $0 == "."
  ${OrIf} $0 == ".."
    StrCpy $0 0
  ${Else}
    StrCpy $1 0
    ${Do}
      StrCpy $2 $0 1 $1
      ${If} $2 == "\"
      ${OrIf} $2 == "/"
      ${OrIf} $2 == ":"
        StrCpy $0 0
        ${ExitDo}
      ${EndIf}
      IntOp $1 $1 + 1
    ${LoopUntil} $2 == ""
    ${IfThen} $0 != 0 ${|} StrCpy $0 1 ${|}
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd
!macroend
!insertmacro DEFINE_FILE_CHECKS ""
!insertmacro DEFINE_FILE_CHECKS "un."

; Nothing has changed: the Tandrel ended for the upgrade is started again.
Function GiveUp
  ${If} $EndedOld == 1
    Exec '"$OldFolder\Tandrel.exe"'
  ${EndIf}
  ${If} $EndedHere == 1
  ${AndIf} $OldFolder != $INSTDIR
    Exec '"$INSTDIR\Tandrel.exe"'
  ${EndIf}
  SetErrorLevel 2
  Abort "Nothing was changed: $R7 in use in $R5."
FunctionEnd

; Before anything changes, every file to be replaced or removed must be free: Cramlet's and
; Spillet's first, which the user closes, then Tandrel's, once it is ended.
Function FreeTheFolders
  StrCpy $R6 1
  ${If} $OldFolder != ""
    StrCpy $R5 $OldFolder
    Call UntilFree
    ${IfThen} $R7 != "" ${|} Call GiveUp ${|}
  ${EndIf}
  StrCpy $R5 $INSTDIR
  Call UntilFree
  ${IfThen} $R7 != "" ${|} Call GiveUp ${|}

  StrCpy $LookOnly 0
  StrCpy $EndedOld 0
  ${If} $OldFolder != ""
    Push $OldFolder
    Call EndTandrel
    Pop $EndedOld
  ${EndIf}
  Push $INSTDIR
  Call EndTandrel
  Pop $EndedHere
  StrCpy $WasRunning 0
  ${If} $EndedOld == 1
  ${OrIf} $EndedHere == 1
    StrCpy $WasRunning 1
  ${EndIf}

  StrCpy $R6 0
  ${If} $OldFolder != ""
    StrCpy $R5 $OldFolder
    Call UntilFree
    ${IfThen} $R7 != "" ${|} Call GiveUp ${|}
  ${EndIf}
  StrCpy $R5 $INSTDIR
  Call UntilFree
  ${IfThen} $R7 != "" ${|} Call GiveUp ${|}
FunctionEnd

; An earlier install in another folder is removed by its own uninstaller, which knows its files;
; it keeps the settings when silent. One in this folder is replaced file by file, so that the
; folder never lacks its programs or its uninstaller. The start-up value an uninstaller removes
; is put back, for the new place.
Function RemoveEarlierInstall
  ReadRegStr $0 HKCU "${RUN_KEY}" "Tandrel"
  StrCpy $HadStartup 0
  ${IfThen} $0 == '"$OldFolder\Tandrel.exe"' ${|} StrCpy $HadStartup 1 ${|}
  ${If} $OldFolder != ""
  ${AndIf} $OldFolder != $INSTDIR
  ${AndIf} ${FileExists} "$OldFolder\Uninstall.exe"
    ExecWait '"$OldFolder\Uninstall.exe" /S _?=$OldFolder'
    Delete "$OldFolder\Uninstall.exe"
    RMDir "$OldFolder"
  ${EndIf}
FunctionEnd

; A file the install in this folder listed and this version no longer ships goes, once the new
; files are written: names only, as the uninstaller takes them.
Function RemoveDropped
  ${IfThen} $OldFolder != $INSTDIR ${|} Return ${|}
  StrCpy $R0 $OldFiles
  ${Do}
    Call NextName
    ${IfThen} $R1 == "" ${|} ${ExitDo} ${|}
    ClearErrors
    ${WordFind} "|${FILES}|" "|$R1|" "E+1" $R2
    ${IfNot} ${Errors}
      ${Continue}
    ${EndIf}
    Push $R1
    Call PlainName
    Pop $R2
    ${IfThen} $R2 == 1 ${|} Delete "$INSTDIR\$R1" ${|}
  ${Loop}
FunctionEnd

; The outermost of the folders this install makes, which the uninstaller removes when empty; an
; install over one in the same folder keeps what that one made.
Function FindCreated
  ${If} $OldFolder == $INSTDIR
    ReadRegStr $Created HKCU "${UNINSTALL_KEY}" "CreatedFolder"
    Return
  ${EndIf}
  StrCpy $Created ""
  StrCpy $0 $INSTDIR
  ${Do}
    ${IfThen} ${FileExists} "$0\*.*" ${|} ${ExitDo} ${|}
    StrCpy $Created $0
    ${GetParent} $0 $0
  ${LoopUntil} $0 == ""
FunctionEnd

Section "Tandrel" Programs
  ReadRegStr $OldFolder HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $OldFiles HKCU "${UNINSTALL_KEY}" "Files"
  Call FreeTheFolders
  Call FindCreated
  Call RemoveEarlierInstall

  ; A file that cannot be written (in use after all) is ignored when silent: it is checked.
  StrCpy $Incomplete ""
  SetOutPath "$INSTDIR"
  ClearErrors
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
  ${IfThen} ${Errors} ${|} StrCpy $Incomplete 1 ${|}
  ${IfThen} $Incomplete == "" ${|} Call RemoveDropped ${|}
  ClearErrors
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ${IfThen} ${Errors} ${|} StrCpy $Incomplete 1 ${|}

  CreateShortCut "$SMPROGRAMS\Tandrel.lnk" "$INSTDIR\Tandrel.exe"
  CreateShortCut "$SENDTO\Zip with Cramlet.lnk" "$INSTDIR\Cramlet.exe"
  CreateShortCut "$SENDTO\Extract with Spillet.lnk" "$INSTDIR\Spillet.exe"

  ; The start-up choice kept in the settings outlives an uninstall that kept them.
  ReadRegStr $0 HKCU "${SETTINGS_KEY}\start" "autoboot"
  ${If} $HadStartup == 1
  ${OrIf} $0 == "1"
    WriteRegStr HKCU "${RUN_KEY}" "Tandrel" '"$INSTDIR\Tandrel.exe"'
  ${EndIf}

  ; Written even when a file failed, so that what is there can be uninstalled.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tandrel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Tandrel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tandrel.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${HOME_PAGE}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "HelpLink" "${HELP_PAGE}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Files" "${FILES}"
  ${If} $Created == ""
    DeleteRegValue HKCU "${UNINSTALL_KEY}" "CreatedFolder"
  ${Else}
    WriteRegStr HKCU "${UNINSTALL_KEY}" "CreatedFolder" "$Created"
  ${EndIf}
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $Incomplete != ""
    MessageBox MB_OK|MB_ICONSTOP "Setup could not write every file in $INSTDIR: another program holds one. Close Cramlet and Spillet and run Setup again." /SD IDOK
    SetErrorLevel 2
    Abort "Some files could not be written."
  ${EndIf}
SectionEnd

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/?" $1
  ${IfNot} ${Errors}
    MessageBox MB_OK|MB_ICONINFORMATION "Tandrel-${VERSION}-setup.exe [/S] [/D=folder]$\r$\n$\r$\n/S$\tinstalls with no window; the exit code is 0 once installed.$\r$\n/D=folder$\tinstalls there rather than in $LOCALAPPDATA\Programs\Tandrel. It comes last, without quotation marks, even with blanks in it.$\r$\n$\r$\nTo uninstall with no window: $\"folder\Uninstall.exe$\" /S" /SD IDOK
    SetErrorLevel 0
    Quit
  ${EndIf}

  ; Over a newer install, only when asked; silent, never.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $0 != ""
    ${VersionCompare} $0 "${VERSION}" $1
    ${If} $1 == 1
      MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 "Tandrel $0 is installed, which is newer than this ${VERSION}. Replace it with the older version?" \
        /SD IDNO IDYES older
      SetErrorLevel 2
      Quit
      older:
    ${EndIf}
  ${EndIf}

  ; Only one of the two sets of programs is installed.
  ${If} ${RunningX64}
    SectionSetSize ${Programs} ${SIZE64}
  ${Else}
    SectionSetSize ${Programs} ${SIZE32}
  ${EndIf}
FunctionEnd

; Ending Tandrel closes its configuration window too, unsaved: said before Install is clicked.
Function DirectoryShow
  StrCpy $LookOnly 1
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $1 0
  ${If} $0 != ""
    Push $0
    Call EndTandrel
    Pop $1
  ${EndIf}
  ${If} $1 == 0
    Push $INSTDIR
    Call EndTandrel
    Pop $1
  ${EndIf}
  StrCpy $LookOnly 0
  ${If} $1 == 1
    SendMessage $mui.DirectoryPage.Text ${WM_SETTEXT} 0 "STR:Tandrel is running: Install closes it, and changes not yet saved with OK in its configuration window are lost. To install in another folder, click Browse."
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

; The uninstaller removes only the install it can prove: its folder is the one the Installed-apps
; entry names, with Tandrel in it. A copy of it anywhere else removes nothing.
Function un.onInit
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != $INSTDIR
  ${OrIfNot} ${FileExists} "$INSTDIR\Tandrel.exe"
    ${If} $0 == ""
      StrCpy $1 "No installed Tandrel is recorded."
    ${Else}
      StrCpy $1 "Tandrel is installed in $0: uninstall it from Settings > Apps, or with the Uninstall.exe there."
    ${EndIf}
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR holds no install of Tandrel, so this uninstaller removes nothing.$\r$\n$\r$\n$1" /SD IDOK
    SetErrorLevel 2
    Call un.RemoveCopy
    Quit
  ${EndIf}
FunctionEnd

; Removes the files the install listed, names only, never a path that leads out of the folder;
; $R8 names those still there.
Function un.RemoveListed
  ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "Files"
  StrCpy $R8 ""
  ${Do}
    Call un.NextName
    ${IfThen} $R1 == "" ${|} ${ExitDo} ${|}
    Push $R1
    Call un.PlainName
    Pop $R2
    ${IfThen} $R2 == 0 ${|} ${Continue} ${|}
    Delete "$INSTDIR\$R1"
    ${If} ${FileExists} "$INSTDIR\$R1"
    ${AndIf} "$INSTDIR\$R1" != $EXEPATH
      ${If} $R8 == ""
        StrCpy $R8 $R1
      ${Else}
        StrCpy $R8 "$R8, $R1"
      ${EndIf}
    ${EndIf}
  ${Loop}
FunctionEnd

; Removes only the files the install listed, and nothing at all while one of them is in use:
; what cannot be removed keeps its entry, so that it can be uninstalled later.
Section "Uninstall"
  MessageBox MB_YESNOCANCEL|MB_ICONQUESTION "Keep Tandrel's settings (its hotkeys and start-up choice) for a later install?" \
    /SD IDYES IDYES keep IDNO drop
  SetErrorLevel 1
  Abort "Nothing was removed."
  drop:
  StrCpy $KeepSettings 0
  Goto asked
  keep:
  StrCpy $KeepSettings 1
  asked:

  StrCpy $R5 $INSTDIR
  StrCpy $R6 1
  Call un.UntilFree
  ${If} $R7 != ""
    SetErrorLevel 2
    Abort "Nothing was removed: $R7 in use."
  ${EndIf}
  StrCpy $LookOnly 0
  Push $INSTDIR
  Call un.EndTandrel
  Pop $EndedHere
  StrCpy $R6 0
  Call un.UntilFree
  ${If} $R7 != ""
    ${If} $EndedHere == 1
      Exec '"$INSTDIR\Tandrel.exe"'
    ${EndIf}
    SetErrorLevel 2
    Abort "Nothing was removed: $R7 in use."
  ${EndIf}

  ; The process that started this copy may still hold Uninstall.exe a moment, and its removal
  ; is complete, and the folder empty, only once that process has ended.
  ${For} $R9 1 10
    Call un.RemoveListed
    ${IfThen} $R8 == "" ${|} ${ExitFor} ${|}
    Sleep 300
  ${Next}
  ${If} $R8 != ""
    MessageBox MB_OK|MB_ICONSTOP "These files in $INSTDIR could not be removed: $R8. Tandrel stays in Installed apps: close what holds them and uninstall again." /SD IDOK
    SetErrorLevel 2
    Abort "Not removed: $R8."
  ${EndIf}

  ; The folder, and the empty ones around it that the install made.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "CreatedFolder"
  ${For} $R9 1 10
    RMDir "$INSTDIR"
    ${IfNotThen} ${FileExists} "$INSTDIR\*.*" ${|} ${ExitFor} ${|}
    Sleep 300
  ${Next}
  StrLen $1 $0
  StrCpy $2 $INSTDIR $1
  StrCpy $3 $INSTDIR 1 $1
  ${If} $0 != ""
  ${AndIf} $2 == $0
  ${AndIf} $3 == "\"
    ${GetParent} $INSTDIR $2
    ${Do}
      StrLen $3 $2
      ${IfThen} $3 < $1 ${|} ${ExitDo} ${|}
      RMDir $2
      ${GetParent} $2 $2
    ${Loop}
  ${EndIf}

  Delete "$SMPROGRAMS\Tandrel.lnk"
  Delete "$SENDTO\Zip with Cramlet.lnk"
  Delete "$SENDTO\Extract with Spillet.lnk"

  ; Another copy's start-up value is that copy's.
  ReadRegStr $0 HKCU "${RUN_KEY}" "Tandrel"
  ${IfThen} $0 == '"$INSTDIR\Tandrel.exe"' ${|} DeleteRegValue HKCU "${RUN_KEY}" "Tandrel" ${|}
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ${If} $KeepSettings == 0
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\VB and VBA Program Settings"
  ${EndIf}
SectionEnd

; The uninstaller runs from a copy of itself in the temporary folder, which cannot delete itself
; and which Windows removes at restart only for administrators: a hidden command removes it two
; seconds on, when this process has ended.
Function un.RemoveCopy
  ${GetParent} $EXEDIR $0
  ${GetFileName} $EXEDIR $1
  StrCpy $1 $1 4
  ${If} $0 == $TEMP
  ${AndIf} $1 == "~nsu"
    SetOutPath $TEMP
    ExecShell "" "$SYSDIR\cmd.exe" '/c ping -n 3 127.0.0.1 >nul & rd /s /q "$EXEDIR"' SW_HIDE
  ${EndIf}
FunctionEnd

Function un.onUninstSuccess
  Call un.RemoveCopy
FunctionEnd

Function un.onUninstFailed
  Call un.RemoveCopy
FunctionEnd
