; The Windows installer: a per-user install (no administrator) into the user's local programs folder,
; with a Start menu entry, an uninstaller registered for the user, and the choice to start at logon.
; An administrator is also offered an inbound firewall rule for the programs on private networks.
; Built by make-packages beside it, which defines VERSION, STAGE_DIR (the files to install, as in the
; portable zip), SOURCE_DIR and OUT_FILE.
; Silent install: /S, with /LOGON to start at logon and /FIREWALL for the firewall rule (administrator).
; The programs are x64 only, and so is the installer (Wine here runs no 32-bit programs either).
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"

!define PRODUCT "KORVANE Server"
; The Run value's name; the window's own start-at-logon check box writes the same value.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "KORVANE Server"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KORVANE Server"
!define FIREWALL_RULE "KORVANE Server"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel user
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "LegalCopyright" "2026 the KORVANE Server developers"

!define MUI_ICON "${SOURCE_DIR}\win\korvane-server.ico"
!define MUI_UNICON "${SOURCE_DIR}\win\korvane-server.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\korvane-server.exe"

!insertmacro MUI_PAGE_LICENSE "${SOURCE_DIR}\packaging\copyright"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"

LangString NameProgram ${LANG_JAPANESE} "KORVANE Server (必須)"
LangString NameProgram ${LANG_ENGLISH} "KORVANE Server (required)"
LangString NameLogon ${LANG_JAPANESE} "ログオン時に起動する"
LangString NameLogon ${LANG_ENGLISH} "Start at logon"
LangString NameFirewall ${LANG_JAPANESE} "ファイアウォールでプライベートネットワークからの接続を許可する"
LangString NameFirewall ${LANG_ENGLISH} "Allow phones through the firewall on private networks"
LangString DescProgram ${LANG_JAPANESE} "プログラム、説明書、著作権表示。"
LangString DescProgram ${LANG_ENGLISH} "The programs, the guide and the copyright notice."
LangString DescLogon ${LANG_JAPANESE} "Windows にログオンしたときに KORVANE Server を起動します。"
LangString DescLogon ${LANG_ENGLISH} "Starts KORVANE Server when you log on to Windows."
LangString DescFirewall ${LANG_JAPANESE} "プライベートネットワークの受信接続を許可する規則を追加します (管理者のみ)。"
LangString DescFirewall ${LANG_ENGLISH} "Adds an inbound rule for private networks (administrators only)."

Section "!$(NameProgram)" SecProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    File /r "${STAGE_DIR}\*"

    ; Also the sign the programs read to keep the user's files in the user's folders.
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\korvane-server.exe"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "the KORVANE Server developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korvane-server.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "$(NameLogon)" SecLogon
    WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\korvane-server.exe"'
SectionEnd

Section /o "$(NameFirewall)" SecFirewall
    ; Both programs listen; the rule follows the program, not a port, so a changed port needs nothing.
    nsExec::ExecToLog 'netsh advfirewall firewall delete rule name="${FIREWALL_RULE}"'
    Pop $0
    nsExec::ExecToLog 'netsh advfirewall firewall add rule name="${FIREWALL_RULE}" dir=in action=allow program="$INSTDIR\korvane-server.exe" enable=yes profile=private'
    Pop $0
    nsExec::ExecToLog 'netsh advfirewall firewall add rule name="${FIREWALL_RULE}" dir=in action=allow program="$INSTDIR\korvane-host.exe" enable=yes profile=private'
    Pop $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "FirewallRule" 1
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} $(DescProgram)
    !insertmacro MUI_DESCRIPTION_TEXT ${SecLogon} $(DescLogon)
    !insertmacro MUI_DESCRIPTION_TEXT ${SecFirewall} $(DescFirewall)
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/LOGON" $R1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecLogon}
    ${EndIf}
    ; Only an administrator may add a firewall rule: offered (and chosen) for one, shown greyed to others.
    UserInfo::GetAccountType
    Pop $R2
    ${If} $R2 == "Admin"
        ${IfNot} ${Silent}
            !insertmacro SelectSection ${SecFirewall}
        ${EndIf}
        ClearErrors
        ${GetOptions} $R0 "/FIREWALL" $R1
        ${IfNot} ${Errors}
            !insertmacro SelectSection ${SecFirewall}
        ${EndIf}
    ${Else}
        !insertmacro UnselectSection ${SecFirewall}
        !insertmacro SetSectionFlag ${SecFirewall} ${SF_RO}
    ${EndIf}
FunctionEnd

Section "Uninstall"
    ; The user's settings, history and captures are in %APPDATA% and %LOCALAPPDATA%\korvane-server:
    ; they stay.
    ReadRegDWORD $0 HKCU "${UNINSTALL_KEY}" "FirewallRule"
    ${If} $0 == 1
        nsExec::ExecToLog 'netsh advfirewall firewall delete rule name="${FIREWALL_RULE}"'
        Pop $0
    ${EndIf}
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    Delete "$INSTDIR\korvane-server.exe"
    Delete "$INSTDIR\korvane-host.exe"
    Delete "$INSTDIR\copyright.txt"
    Delete "$INSTDIR\docs\images\*.png"
    RMDir "$INSTDIR\docs\images"
    Delete "$INSTDIR\docs\guide.md"
    Delete "$INSTDIR\docs\guide.ja.md"
    RMDir "$INSTDIR\docs"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
