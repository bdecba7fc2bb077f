; The Windows installer: TORVIK-<version>-Windows-x64-Setup.exe, built by
; scripts/package-windows.sh with Debian's NSIS:
;   makensis -DVERSION=1.0.0 -DSTAGE=<staged files> -DOUTFILE=<setup.exe> TORVIK.nsi
; STAGE holds TORVIK.vst3, TORVIK.clap, presets\*.vstpreset, manual\, LICENSE.txt, copyright.txt and
; presets.nsh (the uninstaller's list of factory presets).
;
; Installs the bundle into the common VST 3 folder, the CLAP file into the common CLAP folder,
; the factory presets where Windows VST 3
; hosts look for them (Documents\VST3 Presets\Quellmark\TORVIK), the manual and the licence
; into Program Files\Quellmark\TORVIK, and an uninstaller registered with Windows. /S installs
; silently; a newer version replaces an older one in place.
;
; The installer is itself a 64-bit program, like the plug-in: 32-bit Windows refuses to start
; it ("This app can't run on your PC"), and it runs under 64-bit Wine for its test.

Target amd64-unicode
!include MUI2.nsh

!define PRODUCT "TORVIK"
!define PUBLISHER "Quellmark"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define PRODUCT_KEY "Software\${PUBLISHER}\${PRODUCT}"
!define PRESET_DIR "$DOCUMENTS\VST3 Presets\${PUBLISHER}\${PRODUCT}"
!define VST3_DIR "$COMMONFILES64\VST3"
!define CLAP_DIR "$COMMONFILES64\CLAP"
!define UNINSTALLER "Uninstall ${PRODUCT}.exe"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PUBLISHER}\${PRODUCT}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; A window wide enough for the CLAP file to be compressed against the VST 3 module it
; resembles (the same images, the same code).
SetCompressorDictSize 64
BrandingText "${PUBLISHER} ${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}, MIT licence"
VIAddVersionKey "FileDescription" "${PRODUCT} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\manual\index.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Open the manual"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Install"
    ; Program folders for every user; the presets in this user's documents.
    SetShellVarContext all

    ; An older bundle goes whole, so no file of it outlives the upgrade.
    RMDir /r "${VST3_DIR}\${PRODUCT}.vst3"
    SetOutPath "${VST3_DIR}"
    File /r "${STAGE}\${PRODUCT}.vst3"
    SetOutPath "${CLAP_DIR}"
    File "${STAGE}\${PRODUCT}.clap"

    SetOutPath "$INSTDIR"
    File "${STAGE}\LICENSE.txt"
    File "${STAGE}\copyright.txt"
    RMDir /r "$INSTDIR\manual"
    SetOutPath "$INSTDIR\manual"
    File /r "${STAGE}\manual\*.*"

    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Manual.lnk" "$INSTDIR\manual\index.html"

    SetShellVarContext current
    SetOutPath "${PRESET_DIR}"
    File "${STAGE}\presets\*.vstpreset"
    SetShellVarContext all

    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    WriteRegStr HKLM "${PRODUCT_KEY}" "InstallDir" "$INSTDIR"
    WriteRegStr HKLM "${PRODUCT_KEY}" "Version" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    RMDir /r "${VST3_DIR}\${PRODUCT}.vst3"
    ; The common plug-in folders go only if nothing else is in them.
    RMDir "${VST3_DIR}"
    Delete "${CLAP_DIR}\${PRODUCT}.clap"
    RMDir "${CLAP_DIR}"

    RMDir /r "$INSTDIR\manual"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\copyright.txt"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    RMDir "$PROGRAMFILES64\${PUBLISHER}"

    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Manual.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"

    ; The factory presets by name: presets the user saved stay, and their folders with them.
    SetShellVarContext current
    !include "${STAGE}\presets.nsh"
    RMDir "${PRESET_DIR}"
    RMDir "$DOCUMENTS\VST3 Presets\${PUBLISHER}"
    RMDir "$DOCUMENTS\VST3 Presets"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "${PRODUCT_KEY}"
    DeleteRegKey /ifempty HKLM "Software\${PUBLISHER}"
SectionEnd
