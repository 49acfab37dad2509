; vgatray-setup.exe: installs vgatray.exe and modecmd.exe for every user of the machine, starts
; the utility at every logon and removes all of it again. Built by installer/CMakeLists.txt, which
; defines VERSION, VGATRAY, MODECMD, ICON and OUTFILE. UTF-8 (makensis -INPUTCHARSET UTF8).

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma
AllowSkipFiles off

!include MUI2.nsh
!include LogicLib.nsh
!include WinMessages.nsh

!define PRODUCT "VGA Adapter Utility"
!define PUBLISHER "ZUZEZE Vezade"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\vgatray"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define PROFILE_KEY "Software\ZUZEZE Vezade"
; The running copy's window title and the name of its single-instance mutex.
!define INSTANCE "KDX 5830"
!define SYNCHRONIZE 0x00100000
; How long the running copy gets to end, in steps of 100 ms.
!define EXIT_STEPS 50
; The Start-menu entry of the uninstaller in each language; both are removed on uninstall, since
; the uninstalling user may read another language than the installing one.
!define UNINSTALL_LINK_EN "Uninstall ${PRODUCT}"
!define UNINSTALL_LINK_JA "${PRODUCT} のアンインストール"
; Exit code of a setup given a /D= that names no folder it could install into.
!define ERROR_INVALID_PARAMETER 87

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one for a user interface language that is neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString NeedAdmin ${LANG_ENGLISH} "${PRODUCT} is installed for every user of this computer. \
Please run the setup as an administrator."
LangString NeedAdmin ${LANG_JAPANESE} "${PRODUCT} はこのコンピューターのすべてのユーザーに\
インストールされます。管理者としてセットアップを実行してください。"
LangString StillRunning ${LANG_ENGLISH} "${PRODUCT} is still running. Please end it from its \
notification area icon or log off, then run the setup again."
LangString StillRunning ${LANG_JAPANESE} "${PRODUCT} がまだ実行中です。終了するか\
ログオフしてから、もう一度実行してください。"
LangString UninstallLink ${LANG_ENGLISH} "${UNINSTALL_LINK_EN}"
LangString UninstallLink ${LANG_JAPANESE} "${UNINSTALL_LINK_JA}"
LangString BadFolder ${LANG_ENGLISH} "The folder given with /D= is not a full path (such as \
C:\Folder or \\server\share\Folder): $0$\r$\nNothing was installed."
LangString BadFolder ${LANG_JAPANESE} "/D= で指定されたフォルダーが完全なパス (C:\Folder や \
\\server\share\Folder など) ではありません: $0$\r$\nインストールは行われませんでした。"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "© ${PUBLISHER}"

Var WasRunning

; The helpers exist once for the installer and once (un.) for the uninstaller.
!macro CopyFunctions UN
; True on the stack (1) while a copy of the utility lives in this session: its window, or only
; its mutex, which the process holds until it has ended and its files can be replaced.
Function ${UN}CopyAlive
  Push $0
  Push $1
  StrCpy $1 0
  FindWindow $0 "" "${INSTANCE}"
  ${If} $0 <> 0
    StrCpy $1 1
  ${Else}
    System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${INSTANCE}") p.r0'
    ${If} $0 P<> 0
      System::Call 'kernel32::CloseHandle(p r0)'
      StrCpy $1 1
    ${EndIf}
  ${EndIf}
  Exch $1
  Exch
  Pop $0
FunctionEnd

; Waits, bounded, for the copy to end; 1 on the stack when it has.
Function ${UN}WaitForExit
  Push $R0
  Push $R1
  StrCpy $R1 0
  ${Do}
    Call ${UN}CopyAlive
    Pop $R0
    ${If} $R0 == 0
      StrCpy $R0 1
      ${Break}
    ${EndIf}
    IntOp $R1 $R1 + 1
    ${If} $R1 > ${EXIT_STEPS}
      StrCpy $R0 0
      ${Break}
    ${EndIf}
    Sleep 100
  ${Loop}
  Pop $R1
  Exch $R0
FunctionEnd

; Asks the running copy to end (WM_CLOSE ends its message loop and leaves its settings alone) and
; waits for it. 1 on the stack when no copy is left.
Function ${UN}CloseRunningCopy
  Push $0
  FindWindow $0 "" "${INSTANCE}"
  ${If} $0 <> 0
    System::Call 'user32::PostMessageW(p r0, i ${WM_CLOSE}, p 0, p 0)'
  ${EndIf}
  Pop $0
  Call ${UN}WaitForExit
FunctionEnd
!macroend
!insertmacro CopyFunctions ""
!insertmacro CopyFunctions "un."

!macro RequireAdmin
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP|MB_OK "$(NeedAdmin)" /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
  SetShellVarContext all
!macroend

; NSIS reads /D= only when it stands unquoted at the end of the command line; in quotes (as
; PowerShell's Start-Process and deployment tools pass a path with blanks: "/D=C:\A B" or
; /D="C:\A B") it would silently install into the default folder. Read the last /D= from the
; command line as Windows gave it, quotes dropped; a folder that is not a full path ends the
; setup before anything is installed.
Function TakeInstallDir
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  System::Call 'kernel32::GetCommandLineW() w.r1'
  StrLen $2 $1
  StrCpy $0 ""
  StrCpy $3 1
  ${DoWhile} $3 < $2
    StrCpy $4 $1 3 $3
    ${If} $4 S== "/D="
      IntOp $4 $3 - 1
      StrCpy $4 $1 1 $4
      ${If} $4 == '"'
      ${AndIf} $3 > 1
        IntOp $4 $3 - 2
        StrCpy $4 $1 1 $4
      ${EndIf}
      ${If} $4 == " "
      ${OrIf} $4 == "$\t"
        IntOp $4 $3 + 3
        StrCpy $0 $1 "" $4
        StrCpy $0 "$0|"
      ${EndIf}
    ${EndIf}
    IntOp $3 $3 + 1
  ${Loop}
  ${If} $0 != ""
    ; $0 is the text after the last /D= with a "|" appended (so an empty value still counts as
    ; given); rebuild it without quotes and without blanks at its end.
    StrCpy $1 $0 -1
    StrCpy $0 ""
    StrLen $2 $1
    StrCpy $3 0
    ${DoWhile} $3 < $2
      StrCpy $4 $1 1 $3
      ${If} $4 != '"'
        StrCpy $0 "$0$4"
      ${EndIf}
      IntOp $3 $3 + 1
    ${Loop}
    ${Do}
      StrCpy $4 $0 1 -1
      ${If} $4 != " "
      ${AndIf} $4 != "$\t"
        ${Break}
      ${EndIf}
      StrCpy $0 $0 -1
    ${Loop}
    StrCpy $3 $0 2 1
    StrCpy $4 $0 2
    ${If} $3 S== ":\"
    ${OrIf} $4 S== "\\"
      StrCpy $INSTDIR $0
    ${Else}
      MessageBox MB_ICONSTOP|MB_OK "$(BadFolder)" /SD IDOK
      SetErrorLevel ${ERROR_INVALID_PARAMETER}
      Quit
    ${EndIf}
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Function .onInit
  !insertmacro RequireAdmin
  Call TakeInstallDir
FunctionEnd

Function un.onInit
  !insertmacro RequireAdmin
FunctionEnd

Section "-${PRODUCT}" SecMain
  Call CopyAlive
  Pop $WasRunning
  ${If} $WasRunning == 1
    Call CloseRunningCopy
    Pop $0
    ${If} $0 != 1
      MessageBox MB_ICONSTOP|MB_OK "$(StillRunning)" /SD IDOK
      SetErrorLevel 2
      Abort
    ${EndIf}
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "/oname=vgatray.exe" "${VGATRAY}"
  File "/oname=modecmd.exe" "${MODECMD}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\vgatray.exe"
  ; An earlier setup in the other language may have left its entry.
  Delete "$SMPROGRAMS\${PRODUCT}\${UNINSTALL_LINK_EN}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${UNINSTALL_LINK_JA}.lnk"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\$(UninstallLink).lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${RUN_KEY}" "vgatray" '"$INSTDIR\vgatray.exe"'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\vgatray.exe",0'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecMain} $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; The installing user gets the utility now; the others at their next logon. A silent install
  ; starts it only in place of a copy it ended.
  ${If} $WasRunning == 1
  ${OrUnless} ${Silent}
    Exec '"$INSTDIR\vgatray.exe"'
  ${EndIf}
SectionEnd

Section "Uninstall"
  ; "Uninstall" reaches only a running copy: without one, vgatray.exe would start and stay.
  FindWindow $0 "" "${INSTANCE}"
  ${If} $0 <> 0
  ${AndIf} ${FileExists} "$INSTDIR\vgatray.exe"
    Exec '"$INSTDIR\vgatray.exe" Uninstall'
    Call un.WaitForExit
    Pop $0
    ${If} $0 != 1
      Call un.CloseRunningCopy
      Pop $0
    ${EndIf}
  ${EndIf}
  ; What a running copy would have removed, for the user who runs the uninstaller.
  DeleteRegKey HKCU "${PROFILE_KEY}\vgatray"
  DeleteRegKey /ifempty HKCU "${PROFILE_KEY}"

  Delete "$INSTDIR\vgatray.exe"
  Delete "$INSTDIR\modecmd.exe"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: files of others in the folder stay.
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${UNINSTALL_LINK_EN}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${UNINSTALL_LINK_JA}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  DeleteRegValue HKLM "${RUN_KEY}" "vgatray"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
