; SPDX-License-Identifier: MIT
; What the Windows installer adds to CPack's: the program started at sign-in, and
; an install or uninstall over a running copy.
;   /NOSTARTUP     no shortcut in the Startup folder (the last page's box, unchecked)
;   /CurrentUser   for this user alone, as anyone but an administrator installs
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

Var AlertWasRunning
Var AlertStartAtSignIn
Var AlertPerUser

; The main window's caption: the one window that is the program's alone.
!define ALERT_MAIN_WINDOW "Zuded Orazaviz"
!define ALERT_STARTUP_LINK "$SMSTARTUP\Alert.lnk"

; Closes a running copy as its close box does: the main window unloads, the tray
; icon goes with it and the program ends, leaving its files free to be replaced.
; Waits for the process itself, not just the window, to be gone.
!macro ALERT_CLOSE_RUNNING UN
Function ${UN}AlertCloseRunning
    Push $0
    Push $1
    Push $2
    StrCpy $2 0
    ${Do}
        FindWindow $0 "" "${ALERT_MAIN_WINDOW}"
        ${IfThen} $0 == 0 ${|} ${Break} ${|}
        StrCpy $AlertWasRunning 1
        System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
        ; SYNCHRONIZE: enough to wait for it.
        System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r1'
        SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
        ${If} $1 != 0
            System::Call 'kernel32::WaitForSingleObject(p r1, i 15000) i'
            System::Call 'kernel32::CloseHandle(p r1) i'
        ${EndIf}
        IntOp $2 $2 + 1
        ; A copy that will not end leaves its files in use; the file copy then says so.
        ${IfThen} $2 >= 3 ${|} ${Break} ${|}
    ${Loop}
    Pop $2
    Pop $1
    Pop $0
FunctionEnd
!macroend
!insertmacro ALERT_CLOSE_RUNNING ""
!insertmacro ALERT_CLOSE_RUNNING "un."

; First in .onInit, before CPack removes an older version.
Function AlertInit
    StrCpy $AlertWasRunning 0
    StrCpy $AlertStartAtSignIn 1
    StrCpy $AlertPerUser 0
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/NOSTARTUP" $R1
    ${IfNot} ${Errors}
        StrCpy $AlertStartAtSignIn 0
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/CurrentUser" $R1
    ${IfNot} ${Errors}
        StrCpy $AlertPerUser 1
    ${EndIf}
    Call AlertCloseRunning
FunctionEnd

; Last in un.onInit. An install for one user is registered in that user's hive:
; its shortcuts are that user's, even when an administrator removes it.
Function un.AlertInit
    ReadRegStr $R0 HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\Alert" "UninstallString"
    ${If} $R0 == "$\"$INSTDIR\Uninstall.exe$\""
        SetShellVarContext current
    ${EndIf}
    Call un.AlertCloseRunning
FunctionEnd

; The Startup folder of the install's own scope: the user's, or all users'.
Function AlertStartAtSignIn
    SetOutPath "$INSTDIR"
    CreateShortCut "${ALERT_STARTUP_LINK}" "$INSTDIR\alerts.exe"
FunctionEnd

; The last page's box, "Start Alert when I sign in": unchecked by /NOSTARTUP.
Function AlertFinishPre
    ${If} $AlertStartAtSignIn == 0
        !insertmacro MUI_INSTALLOPTIONS_WRITE "ioSpecial.ini" "Field 4" "State" "0"
    ${EndIf}
FunctionEnd

; Last in the install section. A silent install has no last page: it takes the
; box's default unless /NOSTARTUP says otherwise.
!macro ALERT_AFTER_INSTALL
    ${If} ${Silent}
    ${AndIf} $AlertStartAtSignIn == 1
        Call AlertStartAtSignIn
    ${EndIf}
    ${If} $AlertWasRunning == 1
        SetOutPath "$INSTDIR"
        Exec '"$INSTDIR\alerts.exe"'
    ${EndIf}
!macroend

!macro ALERT_UNINSTALL
    Delete "${ALERT_STARTUP_LINK}"
!macroend
