; Telvia's installer, built by scripts/release.sh with makensis -INPUTCHARSET UTF8:
;   makensis -DVERSION=1.6 -DVERSION_QUAD=1.6.0.0 -DSTAGE=DIR -DFILES=files.nsh
;            -DICON=telvia.ico -DOUTFILE=setup.exe telvia.nsi
; STAGE is the folder laid out by `cmake --install` plus the manual; FILES is the list of
; its files, written by the release script as two macros (install, remove), so that the
; uninstaller removes exactly what this package put in place.
;
; Per user by default, without administrator rights, into
; %LOCALAPPDATA%\Programs\Telvia: the program writes "channels.qcl" and reads
; "translation.ini" in its own folder, so that folder must be the user's to write.
; "All users" (the first page, or /ALLUSERS) installs into Program Files and needs
; administrator rights; the installer then asks for them.
;
; Switches: /S silent, /D=DIR folder (last on the line), /ALLUSERS, /DESKTOP (a desktop
; shortcut; off by default). Uninstaller: /S, /REMOVEUSERDATA (also delete the user's
; channels and settings; kept by default).
;
; Explorer: channel files (".qcl") get a file type of their own that opens with Telvia, and
; Telvia joins "Open with" for playlists (".m3u", ".m3u8") without taking them over. For the
; current user (HKCU\Software\Classes), or for every user with /ALLUSERS (HKLM). The
; uninstaller removes exactly these entries and leaves whatever other programs registered.
; The portable zip registers nothing.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!macro Require NAME
  !ifndef ${NAME}
    !error "${NAME} must be defined (see the head of this file)"
  !endif
!macroend
!insertmacro Require VERSION
!insertmacro Require VERSION_QUAD
!insertmacro Require STAGE
!insertmacro Require FILES
!insertmacro Require ICON
!insertmacro Require OUTFILE

!define PRODUCT "Telvia"
!define MAKER "Quorvex"
!define HOME_PAGE "https://www.quorvex.com/telvia/"
; The program's own settings and catalogue (the catalogue in its subkey "Channels").
!define SETTINGS_KEY "Software\${MAKER}\${PRODUCT}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The main window's class: a running Telvia is found by it.
!define WINDOW_CLASS "TELVIA"
!define ERROR_ELEVATION_REQUIRED 740
; File types under SHCTX (the current user's or, for all users, the machine's classes).
!define CLASSES "Software\Classes"
!define CHANNEL_FILE_TYPE "${PRODUCT}.ChannelFile"
!define PLAYLIST_TYPE "${PRODUCT}.Playlist"
; SHChangeNotify's event for a changed file association, with no items.
!define SHCNE_ASSOCCHANGED 0x08000000

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include WinMessages.nsh
!include "${FILES}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION_QUAD}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) 2026 ${MAKER}"

Var AllUsers        ; 1: install for every user of the machine
Var ScopeMe         ; the radio buttons of the scope page
Var ScopeAll
Var RemoveUserData  ; uninstaller: 1 when the user's channels and settings go too

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
Page custom ScopePage ScopePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartTelvia
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
UninstPage custom un.UserDataPage un.UserDataPageLeave
!insertmacro MUI_UNPAGE_INSTFILES

; English first: it is the language of systems the installer has no translation for.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "Russian"

LangString ScopeTitle ${LANG_ENGLISH} "Choose who uses ${PRODUCT}"
LangString ScopeTitle ${LANG_GERMAN} "Für wen ${PRODUCT} installiert wird"
LangString ScopeTitle ${LANG_RUSSIAN} "Для кого установить ${PRODUCT}"
LangString ScopeSubtitle ${LANG_ENGLISH} "Install for yourself or for every user of this computer."
LangString ScopeSubtitle ${LANG_GERMAN} "Nur für Sie oder für alle Benutzer dieses Computers."
LangString ScopeSubtitle ${LANG_RUSSIAN} "Только для вас или для всех пользователей компьютера."
LangString ScopeMe ${LANG_ENGLISH} "Just for me (recommended; no administrator rights needed)"
LangString ScopeMe ${LANG_GERMAN} "Nur für mich (empfohlen; ohne Administratorrechte)"
LangString ScopeMe ${LANG_RUSSIAN} "Только для меня (рекомендуется; без прав администратора)"
LangString ScopeAll ${LANG_ENGLISH} "For all users of this computer (needs administrator rights)"
LangString ScopeAll ${LANG_GERMAN} "Für alle Benutzer dieses Computers (Administratorrechte nötig)"
LangString ScopeAll ${LANG_RUSSIAN} "Для всех пользователей компьютера (нужны права администратора)"
LangString ScopeNote ${LANG_ENGLISH} "${PRODUCT} saves channel files and reads its translation in its own folder. Installed for all users, that folder can only be written with administrator rights."
LangString ScopeNote ${LANG_GERMAN} "${PRODUCT} speichert Senderdateien und liest seine Übersetzung im eigenen Ordner. Für alle Benutzer installiert, ist dieser Ordner nur mit Administratorrechten beschreibbar."
LangString ScopeNote ${LANG_RUSSIAN} "${PRODUCT} сохраняет файлы каналов и читает перевод в своей папке. При установке для всех пользователей запись в эту папку возможна только с правами администратора."
LangString NeedAdmin ${LANG_ENGLISH} "Installing for all users needs administrator rights."
LangString NeedAdmin ${LANG_GERMAN} "Die Installation für alle Benutzer braucht Administratorrechte."
LangString NeedAdmin ${LANG_RUSSIAN} "Для установки для всех пользователей нужны права администратора."
LangString Running ${LANG_ENGLISH} "${PRODUCT} is running. Close it, then choose Retry."
LangString Running ${LANG_GERMAN} "${PRODUCT} läuft. Schließen Sie das Programm und wählen Sie Wiederholen."
LangString Running ${LANG_RUSSIAN} "${PRODUCT} запущен. Закройте программу и нажмите «Повтор»."
LangString SecProgram ${LANG_ENGLISH} "${PRODUCT} with its manual and sample translations"
LangString SecProgram ${LANG_GERMAN} "${PRODUCT} mit Handbuch und Beispielübersetzungen"
LangString SecProgram ${LANG_RUSSIAN} "${PRODUCT} с руководством и примерами переводов"
LangString SecDesktop ${LANG_ENGLISH} "Desktop shortcut"
LangString SecDesktop ${LANG_GERMAN} "Verknüpfung auf dem Desktop"
LangString SecDesktop ${LANG_RUSSIAN} "Ярлык на рабочем столе"
LangString UserDataTitle ${LANG_ENGLISH} "Your channels and settings"
LangString UserDataTitle ${LANG_GERMAN} "Ihre Sender und Einstellungen"
LangString UserDataTitle ${LANG_RUSSIAN} "Ваши каналы и настройки"
LangString UserDataSubtitle ${LANG_ENGLISH} "Keep them for a later installation, or remove them."
LangString UserDataSubtitle ${LANG_GERMAN} "Für eine spätere Installation behalten oder entfernen."
LangString UserDataSubtitle ${LANG_RUSSIAN} "Сохранить для будущей установки или удалить."
LangString UserDataRemove ${LANG_ENGLISH} "Also remove my channel list, my settings, channels.qcl and translation.ini"
LangString UserDataRemove ${LANG_GERMAN} "Auch meine Senderliste, Einstellungen, channels.qcl und translation.ini entfernen"
LangString UserDataRemove ${LANG_RUSSIAN} "Удалить также мой список каналов, настройки, channels.qcl и translation.ini"
LangString ChannelFileType ${LANG_ENGLISH} "${PRODUCT} channel list"
LangString ChannelFileType ${LANG_GERMAN} "${PRODUCT}-Senderliste"
LangString ChannelFileType ${LANG_RUSSIAN} "Список каналов ${PRODUCT}"
LangString PlaylistType ${LANG_ENGLISH} "Playlist"
LangString PlaylistType ${LANG_GERMAN} "Wiedergabeliste"
LangString PlaylistType ${LANG_RUSSIAN} "Плейлист"

; ---------------------------------------------------------------------------------------
; File types

; A file type whose "Open" starts the installed program with the file, with its icon.
!macro WriteFileType TYPE DESCRIPTION
  WriteRegStr SHCTX "${CLASSES}\${TYPE}" "" "${DESCRIPTION}"
  WriteRegStr SHCTX "${CLASSES}\${TYPE}\DefaultIcon" "" "$INSTDIR\telvia.exe,0"
  WriteRegStr SHCTX "${CLASSES}\${TYPE}\shell\open\command" "" '"$INSTDIR\telvia.exe" "%1"'
!macroend

; The file type in the extension's "Open with" list; the extension's own default is left alone.
!macro AddToOpenWith EXTENSION TYPE
  WriteRegStr SHCTX "${CLASSES}\${EXTENSION}\OpenWithProgids" "${TYPE}" ""
!macroend

; Tells Explorer that file associations changed, so icons and menus follow at once.
!macro NotifyAssociationsChanged
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
!macroend

; Deletes the key under SHCTX when it holds no subkey and no value at all. DeleteRegKey
; /ifempty looks at subkeys only and would take another program's values with it.
; Takes the key on the stack.
Function un.DeleteKeyIfBare
  Exch $R9
  Push $R8
  Push $R7
  EnumRegKey $R8 SHCTX $R9 0
  EnumRegValue $R7 SHCTX $R9 0
  ${If} $R8 == ""
  ${AndIf} $R7 == ""
    ; An unnamed value enumerates as "" too: the key is bare only without a default value.
    ClearErrors
    ReadRegStr $R7 SHCTX $R9 ""
    ${If} ${Errors}
      DeleteRegKey SHCTX $R9
    ${EndIf}
  ${EndIf}
  Pop $R7
  Pop $R8
  Pop $R9
FunctionEnd

!macro DeleteKeyIfBare KEY
  Push "${KEY}"
  Call un.DeleteKeyIfBare
!macroend

; Takes the file type out of the extension's "Open with" list, then the keys left bare.
!macro RemoveFromOpenWith EXTENSION TYPE
  DeleteRegValue SHCTX "${CLASSES}\${EXTENSION}\OpenWithProgids" "${TYPE}"
  !insertmacro DeleteKeyIfBare "${CLASSES}\${EXTENSION}\OpenWithProgids"
  !insertmacro DeleteKeyIfBare "${CLASSES}\${EXTENSION}"
!macroend

; ---------------------------------------------------------------------------------------
; Install

Section "!$(SecProgram)" SecProgram
  SectionIn RO
  ; Files in use cannot be replaced: ask for the program to be closed first.
  ${Do}
    FindWindow $0 "${WINDOW_CLASS}"
    ${If} $0 = 0
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(Running)" /SD IDCANCEL IDRETRY +2
    Abort
  ${Loop}

  ; Only the package's own files are written: "channels.qcl" and "translation.ini",
  ; which the user makes in this folder, survive an update.
  !insertmacro TelviaInstallFiles
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcut starts the program in its folder (the working folder is $OUTDIR when the
  ; shortcut is made): it opens its files by relative name.
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\telvia.exe" "" "$INSTDIR\telvia.exe" 0

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\telvia.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "${HOME_PAGE}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "AllUsers" $AllUsers
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; Channel files open with Telvia; playlists may, when the user picks it in "Open with".
  !insertmacro WriteFileType "${CHANNEL_FILE_TYPE}" "$(ChannelFileType)"
  WriteRegStr SHCTX "${CLASSES}\.qcl" "" "${CHANNEL_FILE_TYPE}"
  !insertmacro AddToOpenWith ".qcl" "${CHANNEL_FILE_TYPE}"
  !insertmacro WriteFileType "${PLAYLIST_TYPE}" "$(PlaylistType)"
  !insertmacro AddToOpenWith ".m3u" "${PLAYLIST_TYPE}"
  !insertmacro AddToOpenWith ".m3u8" "${PLAYLIST_TYPE}"
  !insertmacro NotifyAssociationsChanged
SectionEnd

Section /o "$(SecDesktop)" SecDesktop
  SetOutPath "$INSTDIR"
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\telvia.exe" "" "$INSTDIR\telvia.exe" 0
SectionEnd

Function .onInit
  StrCpy $AllUsers 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/DESKTOP" $R1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecDesktop} ${SF_SELECTED}
  ${EndIf}
  ${If} $AllUsers = 1
    Call RequireAdmin
  ${EndIf}
  Call ApplyScope
FunctionEnd

; Sets the shell folders and the registry root for the chosen scope, and the default
; folder: where an earlier version is installed, else the scope's usual place. A folder
; given with /D or on the folder page is left alone.
Function ApplyScope
  ; Both usual places, taken in the current user's context ($LOCALAPPDATA follows it).
  SetShellVarContext current
  StrCpy $R2 "$LOCALAPPDATA\Programs\${PRODUCT}"
  StrCpy $R3 "$PROGRAMFILES64\${PRODUCT}"
  ${If} $AllUsers = 1
    SetShellVarContext all
    StrCpy $R4 $R3
  ${Else}
    StrCpy $R4 $R2
  ${EndIf}
  ${If} $INSTDIR == ""
  ${OrIf} $INSTDIR == $R2
  ${OrIf} $INSTDIR == $R3
    StrCpy $INSTDIR $R4
    ReadRegStr $R4 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R4 != ""
      StrCpy $INSTDIR $R4
    ${EndIf}
  ${EndIf}
FunctionEnd

; An installation for all users needs administrator rights: without them the installer
; starts itself again asking for them (or, when silent, ends with error 740).
Function RequireAdmin
  UserInfo::GetAccountType
  Pop $R5
  ${If} $R5 == "admin"
    Return
  ${EndIf}
  ${If} ${Silent}
    SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
    Quit
  ${EndIf}
  ExecShell "runas" "$EXEPATH" "/ALLUSERS"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$(NeedAdmin)"
    Return
  ${EndIf}
  Quit
FunctionEnd

Function ScopePage
  !insertmacro MUI_HEADER_TEXT "$(ScopeTitle)" "$(ScopeSubtitle)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 0 100% 12u "$(ScopeMe)"
  Pop $ScopeMe
  ${NSD_CreateRadioButton} 0 18u 100% 12u "$(ScopeAll)"
  Pop $ScopeAll
  ${NSD_CreateLabel} 0 44u 100% 36u "$(ScopeNote)"
  Pop $0
  ${If} $AllUsers = 1
    ${NSD_Check} $ScopeAll
  ${Else}
    ${NSD_Check} $ScopeMe
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ScopePageLeave
  ${NSD_GetState} $ScopeAll $0
  ${If} $0 = ${BST_CHECKED}
    StrCpy $AllUsers 1
    Call RequireAdmin
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
  Call ApplyScope
FunctionEnd

; The program runs in its folder, as from the shortcut.
Function StartTelvia
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\telvia.exe"'
FunctionEnd

; ---------------------------------------------------------------------------------------
; Uninstall

Function un.onInit
  StrCpy $RemoveUserData 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVEUSERDATA" $R1
  ${IfNot} ${Errors}
    StrCpy $RemoveUserData 1
  ${EndIf}
  ; An installation for all users is registered under HKLM with this folder.
  SetShellVarContext current
  ReadRegStr $R2 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R2 == $INSTDIR
    SetShellVarContext all
    UserInfo::GetAccountType
    Pop $R5
    ${If} $R5 != "admin"
      MessageBox MB_OK|MB_ICONSTOP "$(NeedAdmin)" /SD IDOK
      SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

Var UserDataBox
Function un.UserDataPage
  !insertmacro MUI_HEADER_TEXT "$(UserDataTitle)" "$(UserDataSubtitle)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateCheckbox} 0 0 100% 24u "$(UserDataRemove)"
  Pop $UserDataBox
  ${If} $RemoveUserData = 1
    ${NSD_Check} $UserDataBox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function un.UserDataPageLeave
  ${NSD_GetState} $UserDataBox $0
  ${If} $0 = ${BST_CHECKED}
    StrCpy $RemoveUserData 1
  ${Else}
    StrCpy $RemoveUserData 0
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ${Do}
    FindWindow $0 "${WINDOW_CLASS}"
    ${If} $0 = 0
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(Running)" /SD IDCANCEL IDRETRY +2
    Abort
  ${Loop}

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  !insertmacro TelviaRemoveFiles
  Delete "$INSTDIR\uninstall.exe"

  ${If} $RemoveUserData = 1
    ; The catalogue and the settings of the user who uninstalls, and the files the
    ; program or the user wrote into its folder.
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\${MAKER}"
    Delete "$INSTDIR\channels.qcl"
    Delete "$INSTDIR\translation.ini"
  ${EndIf}
  ; Removed only when empty: kept channel files stay where the user expects them.
  RMDir "$INSTDIR"

  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  ; Exactly what the installer registered: a ".qcl" that another program has taken over
  ; since stays that program's.
  DeleteRegKey SHCTX "${CLASSES}\${CHANNEL_FILE_TYPE}"
  DeleteRegKey SHCTX "${CLASSES}\${PLAYLIST_TYPE}"
  ReadRegStr $0 SHCTX "${CLASSES}\.qcl" ""
  ${If} $0 == "${CHANNEL_FILE_TYPE}"
    DeleteRegValue SHCTX "${CLASSES}\.qcl" ""
  ${EndIf}
  !insertmacro RemoveFromOpenWith ".qcl" "${CHANNEL_FILE_TYPE}"
  !insertmacro RemoveFromOpenWith ".m3u" "${PLAYLIST_TYPE}"
  !insertmacro RemoveFromOpenWith ".m3u8" "${PLAYLIST_TYPE}"
  !insertmacro NotifyAssociationsChanged
SectionEnd
