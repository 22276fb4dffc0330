; The Ambrel 2.0 setup program: the 64-bit programs on 64-bit Windows, the
; 32-bit ones elsewhere. Built on Linux by scripts/package.sh:
;   makensis -DBIN64=<dir> -DBIN32=<dir> -DOUTFILE=<setup.exe> ambrel.nsi
; Silent with /S; /D=<folder> chooses the program directory.

Unicode true
!include "LogicLib.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Ambrel 2.0"
!define VERSION "2.0.0"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define OPTIONS_KEY "Software\${PRODUCT}\Options"
!define WM_AMBREL_CLOSE 0x0591
; The Users group, by its well-known identity (its name is translated).
!define USERS_SID "*S-1-5-32-545"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Ambrel"

Page components
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
    ${If} ${RunningX64}
        SetRegView 64
        ; /D= has set the folder already when it was given.
        ${If} $INSTDIR == ""
            StrCpy $INSTDIR "$PROGRAMFILES64\Ambrel"
        ${EndIf}
    ${ElseIf} $INSTDIR == ""
        StrCpy $INSTDIR "$PROGRAMFILES\Ambrel"
    ${EndIf}
FunctionEnd

Section "Ambrel (required)" SecProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    ${If} ${RunningX64}
        File "${BIN64}\Ambrel.exe"
        File "${BIN64}\corvane.exe"
        File "${BIN64}\Telvix.exe"
        File "${BIN64}\Pellorin.exe"
    ${Else}
        File "${BIN32}\Ambrel.exe"
        File "${BIN32}\corvane.exe"
        File "${BIN32}\Telvix.exe"
        File "${BIN32}\Pellorin.exe"
    ${EndIf}
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The list's counters and the per-user lists are written here by every
    ; user: Users may change Data, and nothing else under the program folder.
    CreateDirectory "$INSTDIR\Data"
    nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR\Data" /grant ${USERS_SID}:(OI)(CI)M'
    Pop $0
    DetailPrint "Users may write $INSTDIR\Data (icacls: $0)"

    ; The group for every user; the Shutdown folder is the installing user's,
    ; where the monitor looks for it.
    SetShellVarContext all
    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\Ambrel Maintenance.lnk" "$INSTDIR\corvane.exe" "" "$INSTDIR\corvane.exe" 0
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\Shut Down Windows.lnk" "$INSTDIR\Telvix.exe" "" "$INSTDIR\Telvix.exe" 0
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall Ambrel.lnk" "$INSTDIR\Pellorin.exe" "" "$INSTDIR\Pellorin.exe" 0
    SetShellVarContext current
    CreateDirectory "$SMPROGRAMS\Shutdown"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Ambrel"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Ambrel.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; The same shortcut that the maintenance program makes.
Section "Start Ambrel with Windows" SecStartup
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    CreateShortcut "$SMSTARTUP\Ambrel.lnk" "$INSTDIR\Ambrel.exe"
SectionEnd

Function un.onInit
    ${If} ${RunningX64}
        SetRegView 64
    ${EndIf}
FunctionEnd

; Closes a running monitor: the window its handle names is asked to close if
; it is the monitor's, and given ten seconds to go.
Function un.CloseMonitor
    ClearErrors
    ReadRegDWORD $0 HKLM "${OPTIONS_KEY}" "AmbrelHwnd"
    ${If} ${Errors}
    ${OrIf} $0 == 0
    ${OrIf} $0 == -1
        Return
    ${EndIf}
    System::Call 'user32::GetClassNameW(p r0, w .r1, i 64) i .r2'
    ${If} $1 != "AmbrelMonitor"
        Return
    ${EndIf}
    DetailPrint "Closing the running monitor"
    System::Call 'user32::PostMessageW(p r0, i ${WM_AMBREL_CLOSE}, p 0, p 0)'
    StrCpy $3 0
    ${Do}
        System::Call 'user32::IsWindow(p r0) i .r2'
        ${If} $2 == 0
            ${Break}
        ${EndIf}
        Sleep 100
        IntOp $3 $3 + 1
    ${LoopUntil} $3 >= 100
FunctionEnd

Section "Uninstall"
    Call un.CloseMonitor
    ; What the programs left for this user: the uninstaller's own removal.
    ExecWait '"$INSTDIR\Pellorin.exe" /S'

    Delete "$INSTDIR\Ambrel.exe"
    Delete "$INSTDIR\corvane.exe"
    Delete "$INSTDIR\Telvix.exe"
    Delete "$INSTDIR\Pellorin.exe"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR\Data"
    RMDir "$INSTDIR"

    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}\Ambrel Maintenance.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\Shut Down Windows.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\Uninstall Ambrel.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"
    SetShellVarContext current
    Delete "$SMSTARTUP\Ambrel.lnk"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
