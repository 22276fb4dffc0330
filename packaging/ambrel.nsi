; The Ambrel 2.0 setup program: the 64-bit programs on 64-bit Windows, the
; 32-bit ones elsewhere. Built on Linux by scripts/package.sh:
;   makensis -DBIN64=<dir> -DBIN32=<dir> -DOUTFILE=<setup.exe> ambrel.nsi
; Silent with /S; /D=<folder> chooses the program directory.

Unicode true
!include "LogicLib.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"
!include "WinVer.nsh"

!define PRODUCT "Ambrel 2.0"
!define VERSION "2.0.0"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define OPTIONS_KEY "Software\${PRODUCT}\Options"
!define WM_AMBREL_CLOSE 0x0591

; Who may do what, as SDDL. Administrators own everything the setup makes and
; no DACL inherits: a folder such as C:\Tools would otherwise pass on Modify
; for every user, who could then rewrite what every other user runs.
!define SDDL_PROGRAM "O:BAG:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"
; Users may list Data and create their own lists in it, nothing more (no
; folders, no deletes, no attribute changes); a file's creator may change and
; delete it but not its permissions, and other users get nothing on it.
!define SDDL_DATA "O:BAG:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ab;;;BU)(A;OIIO;0x13019f;;;CO)(A;OIIO;0x13019f;;;OW)"
; The all-users command strings and the lock: read only.
!define SDDL_READ_ONLY "O:BAG:SYD:PAI(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;BU)"
; The all-users command settings: written in place by every user's monitor to
; record its runs, never deleted or re-permitted.
!define SDDL_SETTINGS "O:BAG:SYD:PAI(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x12008b;;;BU)"
; The default log: append only.
!define SDDL_LOG "O:BAG:SYD:PAI(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x120084;;;BU)"

!define SE_FILE_OBJECT 1
; OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
; PROTECTED_DACL_SECURITY_INFORMATION: the last, not the SDDL's P, is what
; keeps SetNamedSecurityInfo from adding the parent's entries.
!define OWNER_AND_PROTECTED_DACL 0x80000005
!define FILE_ATTRIBUTE_DIRECTORY 0x10
!define FILE_ATTRIBUTE_REPARSE_POINT 0x400
!define GENERIC_WRITE 0x40000000
!define CREATE_NEW 1
; FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT
!define NEW_FILE_FLAGS 0x00200080
!define ERROR_FILE_NOT_FOUND 2
!define ERROR_PATH_NOT_FOUND 3
!define ERROR_FILE_EXISTS 80
; The owners an existing folder may have besides the account running the setup.
!define SID_ADMINISTRATORS "S-1-5-32-544"
!define SID_SYSTEM "S-1-5-18"
!define SID_TRUSTED_INSTALLER "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"

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
    ; The setup protects the folders it makes with access lists given as
    ; security descriptor text, which Windows 2000 brought; as a Unicode
    ; installer it does not start on Windows 95, 98 or Me at all. The 32-bit
    ; programs themselves run there: the README says how to install by hand.
    ${IfNot} ${AtLeastWin2000}
        MessageBox MB_OK|MB_ICONSTOP "This setup program needs Windows 2000 or later.$\r$\n$\r$\nTo install Ambrel on this Windows, copy the programs of its 32-bit build into a folder and run corvane.exe from there once (see the README).$\r$\n$\r$\nAmbrel was not installed." /SD IDOK
        SetErrorLevel 3
        Quit
    ${EndIf}
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

Var SetupAccount  ; the SID of the account running the setup, as text

; Stops the setup: the reason goes to the details and, unless silent, to a
; message box; the exit code tells a silent caller that nothing was installed.
!macro StopSetup MESSAGE
    DetailPrint "${MESSAGE}"
    MessageBox MB_OK|MB_ICONSTOP "${MESSAGE}$\r$\n$\r$\nAmbrel was not installed." /SD IDOK
    SetErrorLevel 2
    Abort
!macroend
!define StopSetup "!insertmacro StopSetup"

; Writes an option under HKLM when it is not there yet (read as its own type:
; ReadRegStr sets the error flag for a number too).
!macro DefaultOption TYPE NAME VALUE
    ClearErrors
    ReadReg${TYPE} $0 HKLM "${OPTIONS_KEY}" "${NAME}"
    ${If} ${Errors}
        WriteReg${TYPE} HKLM "${OPTIONS_KEY}" "${NAME}" "${VALUE}"
    ${EndIf}
!macroend
!define DefaultOption "!insertmacro DefaultOption"

!macro SetDescriptor PATH SDDL
    Push "${SDDL}"
    Push "${PATH}"
    Call SetDescriptor
!macroend
!define SetDescriptor "!insertmacro SetDescriptor"

!macro CheckDataName PATH
    Push "${PATH}"
    Call CheckDataName
    Pop $0
!macroend
!define CheckDataName "!insertmacro CheckDataName"

!macro InstallDataFile PATH SDDL WITH_HEADER
    Push ${WITH_HEADER}
    Push "${SDDL}"
    Push "${PATH}"
    Call InstallDataFile
!macroend
!define InstallDataFile "!insertmacro InstallDataFile"

; Stack: a SID's address. Returns its text, or "" when it cannot be read.
Function SidText
    Exch $0
    Push $1
    Push $2
    System::Call 'advapi32::ConvertSidToStringSidW(p r0, *p .r1) i .r2'
    StrCpy $0 ""
    ${If} $2 <> 0
        System::Call 'kernel32::lstrcpynW(w .r0, p r1, i ${NSIS_MAX_STRLEN})'
        System::Call 'kernel32::LocalFree(p r1)'
    ${EndIf}
    Pop $2
    Pop $1
    Exch $0
FunctionEnd

; The account running the setup may own an existing folder: an administrator
; made it, or it came from an earlier setup run by the same administrator.
Function ReadSetupAccount
    StrCpy $SetupAccount ""
    System::Call 'kernel32::GetCurrentProcess() p .r0'
    System::Call 'advapi32::OpenProcessToken(p r0, i 8, *p .r1) i .r2 ?e'  ; TOKEN_QUERY
    Pop $3
    ${If} $2 = 0
        DetailPrint "The account running the setup cannot be read (error $3)"
        Return
    ${EndIf}
    System::Alloc 256
    Pop $4
    System::Call 'advapi32::GetTokenInformation(p r1, i 1, p r4, i 256, *i .r5) i .r2 ?e'  ; TokenUser
    Pop $3
    ${If} $2 = 0
        DetailPrint "The account running the setup cannot be read (error $3)"
    ${Else}
        System::Call '*$4(p .r6)'  ; TOKEN_USER.User.Sid
        Push $6
        Call SidText
        Pop $SetupAccount
    ${EndIf}
    System::Free $4
    System::Call 'kernel32::CloseHandle(p r1)'
FunctionEnd

; Stack: a folder. Stops the setup when it exists and someone other than an
; administrator could control it: a reparse point leads to wherever its maker
; chose, and an owner may change its permissions whatever they are.
Function CheckExistingFolder
    Pop $0
    System::Call 'kernel32::GetFileAttributesW(w r0) i .r1 ?e'
    Pop $2
    ${If} $1 = -1
        ${If} $2 = ${ERROR_FILE_NOT_FOUND}
        ${OrIf} $2 = ${ERROR_PATH_NOT_FOUND}
            Return
        ${EndIf}
        ${StopSetup} "The folder $0 cannot be examined (error $2)."
    ${EndIf}
    IntOp $3 $1 & ${FILE_ATTRIBUTE_REPARSE_POINT}
    ${If} $3 <> 0
        ${StopSetup} "The folder $0 is a link to another place (a reparse point), which whoever made it could redirect. Remove it or choose another folder."
    ${EndIf}
    IntOp $3 $1 & ${FILE_ATTRIBUTE_DIRECTORY}
    ${If} $3 = 0
        ${StopSetup} "$0 is a file, not a folder."
    ${EndIf}
    System::Call 'advapi32::GetNamedSecurityInfoW(w r0, i ${SE_FILE_OBJECT}, i 1, *p .r4, p 0, p 0, p 0, *p .r5) i .r2'
    ${If} $2 <> 0
        ${StopSetup} "The owner of the folder $0 cannot be read (error $2)."
    ${EndIf}
    Push $4
    Call SidText
    Pop $6
    System::Call 'kernel32::LocalFree(p r5)'
    ${If} $6 == ""
        ${StopSetup} "The owner of the folder $0 cannot be read."
    ${EndIf}
    ${If} $6 == "${SID_ADMINISTRATORS}"
    ${OrIf} $6 == "${SID_SYSTEM}"
    ${OrIf} $6 == "${SID_TRUSTED_INSTALLER}"
    ${OrIf} $6 == $SetupAccount
        Return
    ${EndIf}
    ${StopSetup} "The folder $0 belongs to $6, not to an administrator: its owner could change what every user runs. Remove it or choose another folder."
FunctionEnd

; The program folder's permissions replace whatever it had, down to every
; file in it: an existing folder must be empty or hold an earlier Ambrel, so
; that a mistyped /D= cannot lock every user out of, say, Program Files.
Function CheckProgramFolderHoldsAmbrel
    ${If} ${FileExists} "$INSTDIR\Ambrel.exe"
    ${OrIf} ${FileExists} "$INSTDIR\uninstall.exe"
    ${OrIf} ${FileExists} "$INSTDIR\Data\*.*"
        Return
    ${EndIf}
    ClearErrors
    FindFirst $0 $1 "$INSTDIR\*"
    ${DoUntil} ${Errors}
        ${If} $1 != "."
        ${AndIf} $1 != ".."
            FindClose $0
            ${StopSetup} "The folder $INSTDIR already holds other files ($1 among them), whose permissions the setup would replace. Choose an empty folder."
        ${EndIf}
        FindNext $0 $1
    ${Loop}
    ${If} $0 != ""
        FindClose $0
    ${EndIf}
FunctionEnd

; Stack: a file of Data. Stops the setup when it is a reparse point or a
; folder, which the setup would otherwise follow or fail on; returns 1 when it
; exists and 0 when it does not.
Function CheckDataName
    Exch $0
    Push $1
    Push $2
    System::Call 'kernel32::GetFileAttributesW(w r0) i .r1 ?e'
    Pop $2
    ${If} $1 = -1
        ${If} $2 = ${ERROR_FILE_NOT_FOUND}
        ${OrIf} $2 = ${ERROR_PATH_NOT_FOUND}
            StrCpy $0 0
            Goto done
        ${EndIf}
        ${StopSetup} "$0 cannot be examined (error $2)."
    ${EndIf}
    IntOp $2 $1 & ${FILE_ATTRIBUTE_REPARSE_POINT}
    ${If} $2 <> 0
        ${StopSetup} "$0 is a link to another place (a reparse point). Remove it and run the setup again."
    ${EndIf}
    IntOp $2 $1 & ${FILE_ATTRIBUTE_DIRECTORY}
    ${If} $2 <> 0
        ${StopSetup} "$0 is a folder where Ambrel keeps a file. Remove it and run the setup again."
    ${EndIf}
    StrCpy $0 1
  done:
    Pop $2
    Pop $1
    Exch $0
FunctionEnd

; Stack: a path, its SDDL. Sets its owner and a DACL that inherits nothing.
Function SetDescriptor
    Pop $0
    Pop $1
    System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w r1, i 1, *p .r2, p 0) i .r3 ?e'
    Pop $4
    ${If} $3 = 0
        ${StopSetup} "The permissions for $0 cannot be prepared (error $4): $1"
    ${EndIf}
    System::Call 'advapi32::GetSecurityDescriptorOwner(p r2, *p .r5, *i .r6) i .r3'
    System::Call 'advapi32::GetSecurityDescriptorDacl(p r2, *i .r6, *p .r7, *i .r8) i .r4'
    ${If} $3 = 0
    ${OrIf} $4 = 0
        System::Call 'kernel32::LocalFree(p r2)'
        ${StopSetup} "The permissions for $0 cannot be prepared: $1"
    ${EndIf}
    System::Call 'advapi32::SetNamedSecurityInfoW(w r0, i ${SE_FILE_OBJECT}, i ${OWNER_AND_PROTECTED_DACL}, p r5, p 0, p r7, p 0) i .r3'
    System::Call 'kernel32::LocalFree(p r2)'
    ${If} $3 <> 0
        ${StopSetup} "The permissions of $0 cannot be set (error $3)."
    ${EndIf}
    DetailPrint "Permissions of $0: $1"
FunctionEnd

; Stack: a file of Data, its SDDL, 1 for the command strings' header. Creates
; the file when it is missing, without following a reparse point, so that an
; existing list survives; its permissions are set in every case.
Function InstallDataFile
    Pop $R0
    Pop $R1
    Pop $R2
    Push $R0
    Call CheckDataName
    Pop $R3
    ${If} $R3 = 0
        System::Call 'kernel32::CreateFileW(w R0, i ${GENERIC_WRITE}, i 0, p 0, i ${CREATE_NEW}, i ${NEW_FILE_FLAGS}, p 0) p .R4 ?e'
        Pop $R5
        ${If} $R4 = -1
            ${If} $R5 <> ${ERROR_FILE_EXISTS}
                ${StopSetup} "$R0 cannot be created (error $R5)."
            ${EndIf}
            ; Made meanwhile: kept like any existing file, unless it leads elsewhere.
            Push $R0
            Call CheckDataName
            Pop $R3
        ${Else}
            ${If} $R2 = 1
                Push $R4
                Call WriteEmptyList
            ${EndIf}
            System::Call 'kernel32::CloseHandle(p R4)'
        ${EndIf}
    ${EndIf}
    ${SetDescriptor} "$R0" "$R1"
FunctionEnd

; Stack: the open file $R0. Writes the header of a list without commands:
; FileVersion 1 (int16), SavedDate (an OLE Automation date, whole days, as a
; double), and three zero fields (int32, int16, int16), 18 bytes in all. A
; file it cannot complete is removed, or the next setup would keep it.
Function WriteEmptyList
    Pop $R6
    System::Call '*(&i2 1, l 0, i 0, &i2 0, &i2 0) p .R7'
    System::Call '*(&v16) p .R8'  ; SYSTEMTIME
    System::Call 'kernel32::GetLocalTime(p R8)'
    System::Call '*$R8(&v8, &i2 0, &i2 0, &i2 0, &i2 0)'  ; today at midnight: whole days
    IntPtrOp $R9 $R7 + 2
    System::Call 'oleaut32::SystemTimeToVariantTime(p R8, p R9) i .R3'
    StrCpy $R5 "today's date cannot be made"
    ${If} $R3 <> 0
        System::Call 'kernel32::WriteFile(p R6, p R7, i 18, *i .R9, p 0) i .R3 ?e'
        Pop $R5
        StrCpy $R5 "error $R5"
    ${EndIf}
    System::Free $R8
    System::Free $R7
    ${If} $R3 = 0
    ${OrIf} $R9 <> 18
        System::Call 'kernel32::CloseHandle(p R6)'
        Delete "$R0"
        ${StopSetup} "$R0 cannot be written ($R5)."
    ${EndIf}
FunctionEnd

Section "Ambrel (required)" SecProgram
    SectionIn RO
    ; Nothing is written until what is already there is known to be safe.
    Call ReadSetupAccount
    Push "$INSTDIR"
    Call CheckExistingFolder
    Call CheckProgramFolderHoldsAmbrel
    Push "$INSTDIR\Data"
    Call CheckExistingFolder
    ${CheckDataName} "$INSTDIR\Data\ambrel.sds"
    ${CheckDataName} "$INSTDIR\Data\ambrel.sdd"
    ${CheckDataName} "$INSTDIR\Data\ambrel.log"
    ${CheckDataName} "$INSTDIR\Data\ambrel.lock"

    ClearErrors
    CreateDirectory "$INSTDIR"
    ${If} ${Errors}
        ${StopSetup} "The folder $INSTDIR cannot be created."
    ${EndIf}
    ${SetDescriptor} "$INSTDIR" "${SDDL_PROGRAM}"
    ; Data again, now that no user can put anything in its place.
    Push "$INSTDIR\Data"
    Call CheckExistingFolder

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
    ; The help is the same for both.
    File "${BIN64}\AMBREL.CHM"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; Every user's monitor records its runs in the all-users settings and
    ; keeps its own list in Data: Users may create files there and write the
    ; settings and the log in place, and change nothing else under the program
    ; folder. The files are made here so that none is ever a user's own.
    CreateDirectory "$INSTDIR\Data"
    ${SetDescriptor} "$INSTDIR\Data" "${SDDL_DATA}"
    ${InstallDataFile} "$INSTDIR\Data\ambrel.sds" "${SDDL_READ_ONLY}" 1
    ${InstallDataFile} "$INSTDIR\Data\ambrel.sdd" "${SDDL_SETTINGS}" 0
    ${InstallDataFile} "$INSTDIR\Data\ambrel.log" "${SDDL_LOG}" 0
    ${InstallDataFile} "$INSTDIR\Data\ambrel.lock" "${SDDL_READ_ONLY}" 0

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

    ; Every option and its default, so that a standard user's monitor starts
    ; and waits without an administrator's visit; a value already there (a
    ; reinstall, or what the maintenance program saved) stays.
    ${DefaultOption} Str "AllUsersUseSame" "T"
    ${DefaultOption} Str "QueryClose" "T"
    ${DefaultOption} DWORD "ShutdownOption" 1
    ${DefaultOption} Str "ShutDownDialogTitle" "Shut Down Windows"
    ${DefaultOption} DWORD "ForceLogoff" 0
    ${DefaultOption} DWORD "PowerOff" 0
    ${DefaultOption} DWORD "AllowUsersToDisable" 0xFFFFFFFF
    ${DefaultOption} Str "WinShutdownType" "1"
    ${DefaultOption} Str "RunCommands" "C"
    ${DefaultOption} Str "RunMinimized" "S"
    ${DefaultOption} Str "ShutWindowsOnTime" "F"
    ${DefaultOption} Str "ShutWindowsTime" "12:00 AM"
    ${DefaultOption} Str "TimeOutPrograms" "F"
    ${DefaultOption} Str "TimeOutProgramMinutes" "120"
    ${DefaultOption} Str "Logging" "1"
    ${DefaultOption} Str "LogDir" "$INSTDIR\Data\ambrel.log"
SectionEnd

; The shortcut for every user of the machine (also when a silent install
; runs as SYSTEM, whose own Startup folder nobody logs on to). "/startup" lets
; a second start at log on (a user's own shortcut beside it) end quietly.
Section "Start Ambrel with Windows" SecStartup
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    CreateShortcut "$SMSTARTUP\Ambrel.lnk" "$INSTDIR\Ambrel.exe" "/startup"
    SetShellVarContext current
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
    Delete "$INSTDIR\AMBREL.CHM"
    Delete "$INSTDIR\uninstall.exe"
    ; The all-users files, and the backups the programs may leave.
    Delete "$INSTDIR\Data\ambrel.sdd"
    Delete "$INSTDIR\Data\ambrel.sds"
    Delete "$INSTDIR\Data\ambrel.log"
    Delete "$INSTDIR\Data\ambrel.lock"
    Delete "$INSTDIR\Data\_temp.sdd"
    Delete "$INSTDIR\Data\_temp.sds"
    RMDir "$INSTDIR\Data"
    RMDir "$INSTDIR"

    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}\Ambrel Maintenance.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\Shut Down Windows.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\Uninstall Ambrel.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"
    Delete "$SMSTARTUP\Ambrel.lnk"
    SetShellVarContext current
    Delete "$SMSTARTUP\Ambrel.lnk"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
