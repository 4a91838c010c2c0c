; Kelvane setup: a per-machine installation of the Windows programs from the distributable folder.
; The build runs makensis with:
;   KV_VERSION        the product version (x.y.z)
;   KV_DIST           the distributable folder (the real Quorvex.dll, never the virtual keyboard)
;   KV_REMOVE_LIST    a generated script with one Delete/RMDir line per file and folder of KV_DIST
;   KV_ICON           the program's icon
;   KV_OUTFILE        the setup program to write
; Command line (besides NSIS's own /S and /D=folder):
;   setup:        /NOAUTOSTART  no logon task;  /AUTOSTART  a logon task even when an earlier installation had none
;   uninstaller:  /REMOVEPROFILES  also removes the profiles and settings of the user who runs it
Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include Sections.nsh

!define PRODUCT "Kelvane"
!define PUBLISHER "Halvorn"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvane"
!define TASK_NAME "Kelvane"
!define TASK_FILE "logon-task.xml"
; The program holds this mutex from its start to its orderly exit.
!define INSTANCE_MUTEX "RX40L26C"
!define SYNCHRONIZE 0x00100000

Name "${PRODUCT}"
OutFile "${KV_OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${KV_VERSION}"
ShowInstDetails show
ShowUninstDetails show

Var wasRunning

!define MUI_ICON "${KV_ICON}"
!define MUI_UNICON "${KV_ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Kelvane.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; The program's four languages; the setup takes the one of the user's display, English otherwise.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "TradChinese"
!insertmacro MUI_LANGUAGE "French"
!include "strings.nsh"

VIProductVersion "${KV_VERSION}.0"
VIFileVersion "${KV_VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${KV_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${KV_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright © 2026 ${PUBLISHER}"

; Ends a running Kelvane with its own "/Kill" (an orderly exit: it saves nothing half-way) and waits until
; the program and its companion have let go of their files. Sets $wasRunning to 1 when one was running.
!macro END_RUNNING_INSTANCE un
Function ${un}EndRunningInstance
  StrCpy $wasRunning 0
  System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${INSTANCE_MUTEX}") p .r0'
  ${If} $0 P= 0
    Return
  ${EndIf}
  System::Call 'kernel32::CloseHandle(p r0)'
  ${IfNot} ${FileExists} "$INSTDIR\Kelvane.exe"
    Return  ; a copy elsewhere: its files are not ours to replace
  ${EndIf}
  StrCpy $wasRunning 1
  DetailPrint "$(ENDING_PROGRAM)"
  retry:
  ; Not ExecWait: should the program ever not find the instance, it would start a window and wait for a user.
  ; An instance still starting up (just after logon) has no window to take the request yet: ask again
  ; every three seconds while it holds the mutex.
  StrCpy $1 0
  ${Do}
    IntOp $2 $1 % 15
    ${If} $2 = 0
      Exec '"$INSTDIR\Kelvane.exe" /Kill'
    ${EndIf}
    Sleep 200
    IntOp $1 $1 + 1
    System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${INSTANCE_MUTEX}") p .r0'
    ${If} $0 P= 0
      ${Break}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
  ${LoopUntil} $1 >= 150
  ; The companion looks for the mutex every two seconds; both programs' files must be writable again.
  StrCpy $1 0
  ${Do}
    ClearErrors
    FileOpen $2 "$INSTDIR\Kelvane.exe" a
    ${IfNot} ${Errors}
      FileClose $2
      ClearErrors
      FileOpen $2 "$INSTDIR\Tirvane.exe" a
      ${IfNot} ${Errors}
        FileClose $2
        Return
      ${EndIf}
    ${EndIf}
    Sleep 200
    IntOp $1 $1 + 1
  ${LoopUntil} $1 >= 50
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(STILL_RUNNING)" /SD IDCANCEL IDRETRY retry
  Abort "$(STILL_RUNNING)"
FunctionEnd
!macroend
!insertmacro END_RUNNING_INSTANCE ""
!insertmacro END_RUNNING_INSTANCE "un."

; An XML text for the task file: & < > and quotes escaped.
!macro XML_ESCAPE out in
  ${WordReplace} "${in}" "&" "&amp;" "+" ${out}
  ${WordReplace} "${out}" "<" "&lt;" "+" ${out}
  ${WordReplace} "${out}" ">" "&gt;" "+" ${out}
!macroend


Section "$(SEC_PROGRAM)" SecProgram
  SectionIn RO
  SetShellVarContext all
  Call EndRunningInstance
  SetOutPath "$INSTDIR"
  File /r "${KV_DIST}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Kelvane.exe" "" "$INSTDIR\Kelvane.exe" 0 \
                 SW_SHOWNORMAL "" "${PRODUCT} ${KV_VERSION}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${KV_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kelvane.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "$(SEC_AUTOSTART)" SecAutostart
  ; At logon, for every user, with the user's highest rights: the program needs administrator rights, and a
  ; task starts it elevated without a prompt where the Run key could not. The definition stays beside the
  ; program, so an administrator can register it again: schtasks /Create /TN Kelvane /XML <file> /F
  !insertmacro XML_ESCAPE $R1 "$INSTDIR"
  !insertmacro XML_ESCAPE $R2 "$(TASK_DESCRIPTION)"
  FileOpen $0 "$INSTDIR\${TASK_FILE}" w
  FileWriteWord $0 0xFEFF
  FileWriteUTF16LE $0 '<?xml version="1.0" encoding="UTF-16"?>$\r$\n'
  FileWriteUTF16LE $0 '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">$\r$\n'
  FileWriteUTF16LE $0 '  <RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $0 '    <Author>${PUBLISHER}</Author>$\r$\n'
  FileWriteUTF16LE $0 '    <Description>$R2</Description>$\r$\n'
  FileWriteUTF16LE $0 '  </RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $0 '  <Triggers>$\r$\n'
  FileWriteUTF16LE $0 '    <LogonTrigger>$\r$\n'
  FileWriteUTF16LE $0 '      <Enabled>true</Enabled>$\r$\n'
  FileWriteUTF16LE $0 '    </LogonTrigger>$\r$\n'
  FileWriteUTF16LE $0 '  </Triggers>$\r$\n'
  FileWriteUTF16LE $0 '  <Principals>$\r$\n'
  FileWriteUTF16LE $0 '    <Principal id="Author">$\r$\n'
  FileWriteUTF16LE $0 '      <GroupId>S-1-5-32-545</GroupId>$\r$\n'
  FileWriteUTF16LE $0 '      <RunLevel>HighestAvailable</RunLevel>$\r$\n'
  FileWriteUTF16LE $0 '    </Principal>$\r$\n'
  FileWriteUTF16LE $0 '  </Principals>$\r$\n'
  FileWriteUTF16LE $0 '  <Settings>$\r$\n'
  FileWriteUTF16LE $0 '    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>$\r$\n'
  FileWriteUTF16LE $0 '    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>$\r$\n'
  FileWriteUTF16LE $0 '    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>$\r$\n'
  FileWriteUTF16LE $0 '    <AllowHardTerminate>false</AllowHardTerminate>$\r$\n'
  FileWriteUTF16LE $0 '    <StartWhenAvailable>false</StartWhenAvailable>$\r$\n'
  FileWriteUTF16LE $0 '    <RunOnlyIfNetworkAvailable>false</RunOnlyIfNetworkAvailable>$\r$\n'
  FileWriteUTF16LE $0 '    <IdleSettings>$\r$\n'
  FileWriteUTF16LE $0 '      <StopOnIdleEnd>false</StopOnIdleEnd>$\r$\n'
  FileWriteUTF16LE $0 '      <RestartOnIdle>false</RestartOnIdle>$\r$\n'
  FileWriteUTF16LE $0 '    </IdleSettings>$\r$\n'
  FileWriteUTF16LE $0 '    <AllowStartOnDemand>true</AllowStartOnDemand>$\r$\n'
  FileWriteUTF16LE $0 '    <Enabled>true</Enabled>$\r$\n'
  FileWriteUTF16LE $0 '    <Hidden>false</Hidden>$\r$\n'
  FileWriteUTF16LE $0 '    <RunOnlyIfIdle>false</RunOnlyIfIdle>$\r$\n'
  ; Runs as long as the user is logged on, at normal priority (a task's default would be below normal).
  FileWriteUTF16LE $0 '    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>$\r$\n'
  FileWriteUTF16LE $0 '    <Priority>4</Priority>$\r$\n'
  FileWriteUTF16LE $0 '  </Settings>$\r$\n'
  FileWriteUTF16LE $0 '  <Actions Context="Author">$\r$\n'
  FileWriteUTF16LE $0 '    <Exec>$\r$\n'
  FileWriteUTF16LE $0 '      <Command>$R1\Kelvane.exe</Command>$\r$\n'
  FileWriteUTF16LE $0 '      <Arguments>/Start</Arguments>$\r$\n'
  FileWriteUTF16LE $0 '      <WorkingDirectory>$R1</WorkingDirectory>$\r$\n'
  FileWriteUTF16LE $0 '    </Exec>$\r$\n'
  FileWriteUTF16LE $0 '  </Actions>$\r$\n'
  FileWriteUTF16LE $0 '</Task>$\r$\n'
  FileClose $0
  ; The task scheduler service may still be starting (early after boot): a few attempts.
  StrCpy $1 0
  ${Do}
    nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Create /TN "${TASK_NAME}" /XML "$INSTDIR\${TASK_FILE}" /F'
    Pop $0
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    IntOp $1 $1 + 1
    Sleep 2000
  ${LoopUntil} $1 >= 3
  ${If} $0 != 0
    DetailPrint "$(TASK_FAILED)"
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(TASK_FAILED)" /SD IDOK
  ${EndIf}
SectionEnd

Section "-Finish"
  ${If} ${SectionIsSelected} ${SecAutostart}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "Autostart" 1
  ${Else}
    ; Turned off on an upgrade: the task of the earlier installation goes.
    nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /TN "${TASK_NAME}" /F'
    Pop $0
    Delete "$INSTDIR\${TASK_FILE}"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "Autostart" 0
  ${EndIf}
  ; An upgrade puts the program back where it was: in the notification area.
  ${If} $wasRunning = 1
    Exec '"$INSTDIR\Kelvane.exe" /Start'
  ${EndIf}
SectionEnd

; After the sections: their indexes are defined only from there on.
Function .onInit
  SetShellVarContext all
  ; An earlier installation without autostart keeps it off; the command line decides over both.
  ClearErrors
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "Autostart"
  ${IfNot} ${Errors}
  ${AndIf} $0 = 0
    !insertmacro UnselectSection ${SecAutostart}
  ${EndIf}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/NOAUTOSTART" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecAutostart}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/AUTOSTART" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecAutostart}
  ${EndIf}
FunctionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "$(DESC_PROGRAM)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecAutostart} "$(DESC_AUTOSTART)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END


Section "-un.Program"
  SetShellVarContext all
  Call un.EndRunningInstance
  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /TN "${TASK_NAME}" /F'
  Pop $0
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  ; Only the files this setup put there; anything else in the folder stays, and so does the folder then.
  !include "${KV_REMOVE_LIST}"
  Delete "$INSTDIR\${TASK_FILE}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; The user folder (profiles, macros, per-profile settings) and the program's per-user registry settings of the
; user running the uninstaller. Never without this box ticked (or /REMOVEPROFILES).
Section /o "un.$(UNSEC_PROFILES)" UnSecProfiles
  SetShellVarContext current
  RMDir /r "$LOCALAPPDATA\Halvorn"
  DeleteRegKey HKCU "Software\Kelvane_Brimor\Kelvane"
  DeleteRegKey /ifempty HKCU "Software\Kelvane_Brimor"
  DeleteRegValue HKCU "Software\Halvorn" "dwLanguageId"
  DeleteRegKey /ifempty HKCU "Software\Halvorn"
  SetShellVarContext all
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecProfiles} "$(UNDESC_PROFILES)"
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
  SetShellVarContext all
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVEPROFILES" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecProfiles}
  ${EndIf}
FunctionEnd
