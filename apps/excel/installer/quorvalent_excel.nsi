; The per-user setup of the Excel add-in: both DLLs under the user's own programs folder, each
; registered by regsvr32 (the 64-bit one for 64-bit Office, the 32-bit one for 32-bit Office), an
; uninstaller, and no administrator. makensis -DX64_DLL=... -DX86_DLL=... -DOUTFILE=...
; A silent install takes the service address as /SERVICE=host:port; the DLL checks and stores it.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define KEY_UNINSTALL "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvalent_Excel"

Name "Quorvalent Excel"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quorvalent"
ShowInstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Runs regsvr32 with the given options on one of the DLLs; the exit code is left in $0.
!macro Regsvr32 REGSVR32 OPTIONS DLL
  ExecWait '"${REGSVR32}" /s ${OPTIONS} "${DLL}"' $0
!macroend

Section "Quorvalent Excel"
  SetOutPath "$INSTDIR\x64"
  File "/oname=quorvalent_excel.dll" "${X64_DLL}"
  SetOutPath "$INSTDIR\x86"
  File "/oname=quorvalent_excel.dll" "${X86_DLL}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ${GetParameters} $1
  ${GetOptions} $1 "/SERVICE=" $2
  ${If} ${Errors}
    StrCpy $2 ""
  ${EndIf}
  ; The 32-bit one goes first. Windows keeps the classes of 32-bit programs apart from the 64-bit
  ; ones, but Wine shares the user's: there the 64-bit registration, made last, is the one that
  ; stands, as it must for 64-bit Excel.
  !insertmacro Regsvr32 "$WINDIR\SysWOW64\regsvr32.exe" "" "$INSTDIR\x86\quorvalent_excel.dll"
  ${If} $0 != 0
    DetailPrint "The add-in was not registered for 32-bit Excel (regsvr32 answered $0)."
  ${EndIf}
  !insertmacro Regsvr32 "$SYSDIR\regsvr32.exe" '/i:"SERVICE=$2"' "$INSTDIR\x64\quorvalent_excel.dll"
  ${If} $0 != 0
    MessageBox MB_ICONSTOP "The add-in could not be registered for 64-bit Excel (regsvr32 answered $0). Check the service address given with /SERVICE=." /SD IDOK
    Call RemoveEverything
    SetErrorLevel 2
    Abort
  ${EndIf}

  WriteRegStr HKCU "${KEY_UNINSTALL}" "DisplayName" "Quorvalent Excel"
  WriteRegStr HKCU "${KEY_UNINSTALL}" "Publisher" "Quorvalent"
  WriteRegStr HKCU "${KEY_UNINSTALL}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${KEY_UNINSTALL}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${KEY_UNINSTALL}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${KEY_UNINSTALL}" "NoModify" 1
  WriteRegDWORD HKCU "${KEY_UNINSTALL}" "NoRepair" 1
SectionEnd

; Unregisters both DLLs and removes the files and the uninstall entry. The user's own settings
; (login name, proxy, service address) stay, as they do when Office is removed.
!macro RemoveEverything UN
  Function ${UN}RemoveEverything
    ; A folder in use as the current one cannot be removed.
    SetOutPath "$TEMP"
    !insertmacro Regsvr32 "$SYSDIR\regsvr32.exe" "/u" "$INSTDIR\x64\quorvalent_excel.dll"
    !insertmacro Regsvr32 "$WINDIR\SysWOW64\regsvr32.exe" "/u" "$INSTDIR\x86\quorvalent_excel.dll"
    Delete "$INSTDIR\x64\quorvalent_excel.dll"
    Delete "$INSTDIR\x86\quorvalent_excel.dll"
    RMDir "$INSTDIR\x64"
    RMDir "$INSTDIR\x86"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${KEY_UNINSTALL}"
  FunctionEnd
!macroend
!insertmacro RemoveEverything ""
!insertmacro RemoveEverything "un."

Section "Uninstall"
  Call un.RemoveEverything
SectionEnd
