; The Windows installer, built on Linux by scripts/build-win32.sh with makensis (Debian's nsis):
;   makensis -INPUTCHARSET UTF8 -DVERSION=3.0 -DFILE_VERSION=3.0.0.0 -DOUTFILE=setup.exe
;            -DICON=zeld.ico -DFILES=install-files.nsh -DUNFILES=uninstall-files.nsh zeld.nsi
; FILES installs the portable folder's files into $INSTDIR; UNFILES deletes the same files.
;
; Installs for every user of the machine into Program Files (administrators only can change it
; there), with a Start-menu entry, an optional desktop shortcut and an uninstaller, and lets the
; user put the reader vendor's MF1.dll in place of the emulated one.
;   setup.exe /S [/MF1=path\to\MF1.dll] [/D=folder]   a silent install
;   uninstall.exe /S                                  a silent uninstall
; The uninstaller leaves the user's journal (%LOCALAPPDATA%\zeld\written-tags.csv).

Unicode true
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Zeld V3"
!define SHORTCUT "Zeld V3 读写卡"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zeld V3"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "CompanyName" "Zeld"
VIAddVersionKey /LANG=2052 "LegalCopyright" "Zeld"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
Page custom ReaderPage ReaderPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"

; The vendor's MF1.dll to install in place of the emulated one; empty keeps the emulated one.
Var VendorDll
Var VendorField
Var ReadFailed
Var ReadByte
Var ReadShift

Section "${PRODUCT}" SecProgram
  SectionIn RO
  SetShellVarContext all
  Call KeepInstalledVendorDll
  SetOutPath "$INSTDIR"
  !include "${FILES}"
  ${If} $VendorDll != ""
    ClearErrors
    CopyFiles /SILENT "$VendorDll" "$INSTDIR\MF1.dll"
    ${If} ${Errors}
      MessageBox MB_ICONSTOP "无法复制 $VendorDll 到 $INSTDIR。" /SD IDOK
      SetErrorLevel 2
      Abort
    ${EndIf}
  ${EndIf}
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${SHORTCUT}.lnk" "$INSTDIR\zeld.exe"

  ; Programs and Features.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${SHORTCUT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zeld.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Zeld"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "桌面快捷方式" SecDesktop
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  CreateShortcut "$DESKTOP\${SHORTCUT}.lnk" "$INSTDIR\zeld.exe"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "读写卡程序、模拟读卡器和使用说明，以及开始菜单中的“${SHORTCUT}”。"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "在桌面上放一个“${SHORTCUT}”的快捷方式。"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/MF1=" $VendorDll
  ${If} ${Errors}
    StrCpy $VendorDll ""
  ${EndIf}
  ; A silent install has no page to refuse the library on: it refuses before anything is copied.
  ${If} ${Silent}
  ${AndIf} $VendorDll != ""
    Push $VendorDll
    Call CheckVendorDll
    Pop $0
    ${If} $0 != ""
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

; Installing again, or a newer version, over a folder whose MF1.dll is the vendor's (it lacks the
; emulated library's marker MF1_Emulator) keeps that library unless another one was chosen.
Function KeepInstalledVendorDll
  ${If} $VendorDll != ""
  ${OrIfNot} ${FileExists} "$INSTDIR\MF1.dll"
    Return
  ${EndIf}
  System::Call 'kernel32::LoadLibraryExW(w "$INSTDIR\MF1.dll", p 0, i 0x1) p.r1'
  ${If} $1 = 0
    Return
  ${EndIf}
  System::Call 'kernel32::GetProcAddress(p r1, m "MF1_Emulator") p.r2'
  System::Call 'kernel32::FreeLibrary(p r1)'
  ${If} $2 = 0
    InitPluginsDir
    CopyFiles /SILENT "$INSTDIR\MF1.dll" "$PLUGINSDIR\MF1.dll"
    StrCpy $VendorDll "$PLUGINSDIR\MF1.dll"
  ${EndIf}
FunctionEnd

Function ReaderPage
  !insertmacro MUI_HEADER_TEXT "读卡器库" "选择读卡器厂家提供的 MF1.dll，或者先用模拟读卡器试用。"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 52u "如果有读卡器厂家提供的 MF1.dll（32 位），请在下面选择它：安装时把它复制到程序文件夹，代替自带的模拟读卡器库。$\r$\n$\r$\n不选择则保留模拟读卡器库，窗口底部的状态栏显示“模拟读卡器库”。以后也可以把厂家的 MF1.dll 复制到程序文件夹中。"
  Pop $0
  ${NSD_CreateText} 0 60u 78% 13u "$VendorDll"
  Pop $VendorField
  ${NSD_CreateBrowseButton} 80% 59u 20% 15u "浏览(&B)..."
  Pop $0
  ${NSD_OnClick} $0 BrowseVendorDll
  nsDialogs::Show
FunctionEnd

Function BrowseVendorDll
  Pop $0
  ${NSD_GetText} $VendorField $1
  nsDialogs::SelectFileDialog open "$1" "MF1.dll|MF1.dll|DLL (*.dll)|*.dll"
  Pop $1
  ${If} $1 != ""
    ${NSD_SetText} $VendorField $1
  ${EndIf}
FunctionEnd

Function ReaderPageLeave
  ${NSD_GetText} $VendorField $VendorDll
  ${If} $VendorDll != ""
    Push $VendorDll
    Call CheckVendorDll
    Pop $0
    ${If} $0 != ""
      MessageBox MB_ICONEXCLAMATION "不能使用 $VendorDll：$\r$\n$0"
      Abort
    ${EndIf}
  ${EndIf}
FunctionEnd

; Reads $R8 bytes at the place in the file $R0 as a little-endian number into $R9; sets
; $ReadFailed when the file ends first.
Function ReadNumber
  StrCpy $R9 0
  StrCpy $R7 0
  ${While} $R7 < $R8
    ClearErrors
    FileReadByte $R0 $ReadByte
    ${If} ${Errors}
      StrCpy $ReadFailed 1
      Return
    ${EndIf}
    IntOp $ReadShift $R7 * 8
    IntOp $ReadByte $ReadByte << $ReadShift
    IntOp $R9 $R9 | $ReadByte
    IntOp $R7 $R7 + 1
  ${EndWhile}
FunctionEnd

; Takes a path from the stack and leaves there why the program cannot use it as its reader
; library, or "" when it can: a 32-bit Windows DLL with the three entry points the program calls.
Function CheckVendorDll
  Exch $R1
  Push $R0
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  Push $R6
  Push $R7
  Push $R8
  Push $R9
  StrCpy $R2 ""
  StrCpy $ReadFailed 0
  ClearErrors
  FileOpen $R0 $R1 r
  ${If} ${Errors}
    StrCpy $R2 "无法打开这个文件。"
  ${Else}
    ; The DOS header's "MZ", then at 0x3C the place of the PE header: "PE\0\0", the machine and,
    ; 18 bytes on, the characteristics.
    StrCpy $R8 2
    Call ReadNumber
    StrCpy $R3 $R9
    FileSeek $R0 0x3C SET
    StrCpy $R8 4
    Call ReadNumber
    FileSeek $R0 $R9 SET
    Call ReadNumber
    StrCpy $R4 $R9
    StrCpy $R8 2
    Call ReadNumber
    StrCpy $R5 $R9
    FileSeek $R0 16 CUR
    Call ReadNumber
    IntOp $R6 $R9 & 0x2000
    FileClose $R0
    ${If} $ReadFailed == 1
    ${OrIf} $R3 <> 0x5A4D
    ${OrIf} $R4 <> 0x4550
      StrCpy $R2 "这不是 Windows 的 DLL 文件。"
    ${ElseIf} $R5 = 0x8664
      StrCpy $R2 "这是 64 位的 DLL，本程序需要 32 位的 MF1.dll。"
    ${ElseIf} $R5 <> 0x14C
      StrCpy $R2 "这不是 32 位（x86）的 DLL，本程序需要 32 位的 MF1.dll。"
    ${ElseIf} $R6 = 0
      StrCpy $R2 "这是程序文件，不是 DLL。"
    ${EndIf}
  ${EndIf}
  ${If} $R2 == ""
    ; Mapped without running its start-up code or loading what it needs: only its exports are read.
    System::Call 'kernel32::LoadLibraryExW(w R1, p 0, i 0x1) p.R3'
    ${If} $R3 = 0
      StrCpy $R2 "Windows 无法加载这个 DLL。"
    ${Else}
      StrCpy $R4 ""
      ${ForEach} $R5 1 3 + 1
        ${Select} $R5
          ${Case} 1
            StrCpy $R6 "MF_Getsnr"
          ${Case} 2
            StrCpy $R6 "MF_Write"
          ${Case} 3
            StrCpy $R6 "ControlBuzzer"
        ${EndSelect}
        System::Call 'kernel32::GetProcAddress(p R3, m R6) p.R7'
        ${If} $R7 = 0
          ${If} $R4 != ""
            StrCpy $R4 "$R4、"
          ${EndIf}
          StrCpy $R4 "$R4$R6"
        ${EndIf}
      ${Next}
      System::Call 'kernel32::FreeLibrary(p R3)'
      ${If} $R4 != ""
        StrCpy $R2 "这个 DLL 缺少读卡器库的入口：$R4。它不是读卡器厂家的 MF1.dll。"
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Pop $R9
  Pop $R8
  Pop $R7
  Pop $R6
  Pop $R5
  Pop $R4
  Pop $R3
  ; The stack holds the saved $R2, $R0 and $R1 over the caller's: leave the reason in their place.
  Exch $R2
  Exch
  Pop $R0
  Exch
  Pop $R1
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${SHORTCUT}.lnk"
  Delete "$DESKTOP\${SHORTCUT}.lnk"
  !include "${UNFILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
