; The ZELPIN installer: puts the plug-in into the player's Plugins folder and
; registers an uninstaller. scripts/package builds it with
;   makensis -DVERSION=x.y.z -DSTAGE=<folder with the files> -DOUTFILE=<exe>
; Silent use: setup.exe /S [/D=<player folder>]; uninstall_zelpin.exe /S.
; Exit status of a silent install: 0 installed, 2 refused or cancelled (no
; player in the folder, the library held open by a running player).

Unicode true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define PLAYER_EXE "winamp.exe"
!define PLAYER_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Winamp"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZELPIN"
!define UNINSTALLER "uninstall_zelpin.exe"
!define PUBLISHER "The ZELPIN developers"

Name "ZELPIN ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "ZELPIN ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "ZELPIN"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "ZELPIN ${VERSION} setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!define MUI_ABORTWARNING
!define MUI_DIRECTORYPAGE_TEXT_TOP "ZELPIN goes into the Plugins folder of the player. Setup has looked for the player; if the folder below is not the one the player (${PLAYER_EXE}) is installed in, choose that folder."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "The player's folder"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckPlayerFolder
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "ZELPIN is installed"
!define MUI_FINISHPAGE_TEXT "Start the player, choose ZELPIN in its visualisation preferences and turn the main window's own analyser off, or the two paint over each other."
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Leaves 1 on the stack when the two files (pushed first, then second) hold
; the same bytes, 0 when they differ or one cannot be read.
!macro SAME_FILES prefix
Function ${prefix}SameFiles
    Exch $1
    Exch
    Exch $0
    Push $2
    Push $3
    Push $4
    Push $5
    Push $6
    StrCpy $6 0
    ClearErrors
    FileOpen $2 $0 r
    ${IfNot} ${Errors}
        FileOpen $3 $1 r
        ${IfNot} ${Errors}
            FileSeek $2 0 END $4
            FileSeek $3 0 END $5
            ${If} $4 == $5
                FileSeek $2 0 SET
                FileSeek $3 0 SET
                StrCpy $6 1
                ${Do}
                    ClearErrors
                    FileReadByte $2 $4
                    ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
                    FileReadByte $3 $5
                    ${If} ${Errors}
                    ${OrIf} $4 != $5
                        StrCpy $6 0
                        ${ExitDo}
                    ${EndIf}
                ${Loop}
            ${EndIf}
            FileClose $3
        ${EndIf}
        FileClose $2
    ${EndIf}
    StrCpy $1 $6
    Pop $6
    Pop $5
    Pop $4
    Pop $3
    Pop $2
    Pop $0
    Exch $1
FunctionEnd
!macroend
!insertmacro SAME_FILES ""
!insertmacro SAME_FILES "un."

; A player that runs with ZELPIN chosen holds the library open: Windows then
; refuses to replace or delete it. A player closed a moment ago may not have
; let go of it yet, so the check is repeated for five seconds first; then it
; asks to close the player and retry, so nothing is changed half-way; cancel
; (the answer in silent mode) aborts.
!macro WAIT_FOR_LIBRARY prefix
Function ${prefix}WaitForLibrary
    Exch $0
    Push $1
    Push $2
    StrCpy $2 0
retry:
    ${If} ${FileExists} $0
        ClearErrors
        FileOpen $1 $0 a
        ${If} ${Errors}
            ${If} $2 < 10
                IntOp $2 $2 + 1
                Sleep 500
                Goto retry
            ${EndIf}
            DetailPrint "$0 is in use: the player is running with ZELPIN."
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "The player is running and has ZELPIN open:$\r$\n$0$\r$\n$\r$\nClose the player, then choose Retry. Cancel stops here and changes nothing." /SD IDCANCEL IDRETRY retry
            Abort "Cancelled: nothing was changed."
        ${EndIf}
        FileClose $1
    ${EndIf}
    Pop $2
    Pop $1
    Pop $0
FunctionEnd
!macroend
!insertmacro WAIT_FOR_LIBRARY ""
!insertmacro WAIT_FOR_LIBRARY "un."

; The folder of a program from an uninstall command such as
; "C:\Program Files\Player\uninstall.exe" /x (quotes and arguments dropped).
Function CommandFolder
    Exch $0
    Push $1
    Push $2
    StrCpy $1 $0 1
    ${If} $1 == '"'
        StrCpy $0 $0 "" 1
        StrCpy $1 0
        ${Do}
            StrCpy $2 $0 1 $1
            ${IfThen} $2 == "" ${|} ${ExitDo} ${|}
            ${IfThen} $2 == '"' ${|} ${ExitDo} ${|}
            IntOp $1 $1 + 1
        ${Loop}
        StrCpy $0 $0 $1
    ${EndIf}
    ${GetParent} $0 $0
    Pop $2
    Pop $1
    Exch $0
FunctionEnd

; Sets $INSTDIR to the first of these that holds the player: where ZELPIN was
; installed before, the player's own uninstall entry (its install location,
; else the folder of its uninstall command), machine-wide then per user; else
; the usual folder under Program Files.
Function FindPlayer
    Push $0
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${IfThen} ${FileExists} "$0\${PLAYER_EXE}" ${|} Goto found ${|}
    ReadRegStr $0 HKLM "${PLAYER_UNINSTALL_KEY}" "InstallLocation"
    ${IfThen} ${FileExists} "$0\${PLAYER_EXE}" ${|} Goto found ${|}
    ReadRegStr $0 HKCU "${PLAYER_UNINSTALL_KEY}" "InstallLocation"
    ${IfThen} ${FileExists} "$0\${PLAYER_EXE}" ${|} Goto found ${|}
    ReadRegStr $0 HKLM "${PLAYER_UNINSTALL_KEY}" "UninstallString"
    Push $0
    Call CommandFolder
    Pop $0
    ${IfThen} ${FileExists} "$0\${PLAYER_EXE}" ${|} Goto found ${|}
    ReadRegStr $0 HKCU "${PLAYER_UNINSTALL_KEY}" "UninstallString"
    Push $0
    Call CommandFolder
    Pop $0
    ${IfThen} ${FileExists} "$0\${PLAYER_EXE}" ${|} Goto found ${|}
    StrCpy $0 "$PROGRAMFILES\Winamp"
found:
    StrCpy $INSTDIR $0
    Pop $0
FunctionEnd

Function .onInit
    ; /D= sets the folder before this runs.
    ${If} $INSTDIR == ""
        Call FindPlayer
    ${EndIf}
    ; Without pages nothing else checks the folder.
    ${If} ${Silent}
    ${AndIfNot} ${FileExists} "$INSTDIR\${PLAYER_EXE}"
        MessageBox MB_OK|MB_ICONSTOP "$INSTDIR is not the player's folder: there is no ${PLAYER_EXE} in it." /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
FunctionEnd

Function CheckPlayerFolder
    ${IfNot} ${FileExists} "$INSTDIR\${PLAYER_EXE}"
        MessageBox MB_OK|MB_ICONEXCLAMATION "$INSTDIR is not the player's folder: there is no ${PLAYER_EXE} in it.$\r$\n$\r$\nChoose the folder the player is installed in."
        Abort
    ${EndIf}
FunctionEnd

Section "ZELPIN"
    Push "$INSTDIR\Plugins\vis_zelpin.dll"
    Call WaitForLibrary

    ; This version's defaults, to tell whether the user has edited the file.
    InitPluginsDir
    SetOutPath "$PLUGINSDIR"
    File "${STAGE}\plugin.ini"

    SetOutPath "$INSTDIR\Plugins"
    File "${STAGE}\vis_zelpin.dll"
    ${If} ${FileExists} "$INSTDIR\Plugins\plugin.ini"
        Push "$INSTDIR\Plugins\plugin.ini"
        Push "$PLUGINSDIR\plugin.ini"
        Call SameFiles
        Pop $0
        ${If} $0 == 0
            File "/oname=plugin.ini.new" "${STAGE}\plugin.ini"
            DetailPrint "Kept your plugin.ini; this version's defaults are in plugin.ini.new."
            MessageBox MB_OK|MB_ICONINFORMATION "Your plugin.ini differs from this version's defaults, so it was kept as it is.$\r$\nThe new defaults are beside it, in$\r$\n$INSTDIR\Plugins\plugin.ini.new" /SD IDOK
        ${EndIf}
    ${Else}
        File "${STAGE}\plugin.ini"
    ${EndIf}

    WriteUninstaller "$INSTDIR\Plugins\${UNINSTALLER}"

    ${GetSize} "$INSTDIR\Plugins" "/M=vis_zelpin.dll /S=0K /G=0" $0 $1 $2
    ${GetSize} "$INSTDIR\Plugins" "/M=plugin.ini* /S=0K /G=0" $3 $1 $2
    IntOp $0 $0 + $3
    ${GetSize} "$INSTDIR\Plugins" "/M=${UNINSTALLER} /S=0K /G=0" $3 $1 $2
    IntOp $0 $0 + $3
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "ZELPIN visualisation plug-in"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Plugins\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Plugins\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The uninstaller lives in the Plugins folder: $INSTDIR is that folder.
Section "Uninstall"
    Push "$INSTDIR\vis_zelpin.dll"
    Call un.WaitForLibrary

    InitPluginsDir
    SetOutPath "$PLUGINSDIR"
    File "${STAGE}\plugin.ini"

    Delete "$INSTDIR\vis_zelpin.dll"
    ; The defaults as installed go; a file the user has changed stays.
    Push "plugin.ini"
    Call un.RemoveIfDefaults
    Push "plugin.ini.new"
    Call un.RemoveIfDefaults

    Delete "$INSTDIR\${UNINSTALLER}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ; The Plugins folder is the player's and stays, even when empty.
SectionEnd

Function un.RemoveIfDefaults
    Exch $0
    Push $1
    ${If} ${FileExists} "$INSTDIR\$0"
        Push "$INSTDIR\$0"
        Push "$PLUGINSDIR\plugin.ini"
        Call un.SameFiles
        Pop $1
        ${If} $1 == 1
            Delete "$INSTDIR\$0"
        ${Else}
            DetailPrint "Kept $INSTDIR\$0: it holds your own settings."
            MessageBox MB_OK|MB_ICONINFORMATION "Your settings file was kept:$\r$\n$INSTDIR\$0" /SD IDOK
        ${EndIf}
    ${EndIf}
    Pop $1
    Pop $0
FunctionEnd
