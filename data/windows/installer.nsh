; What the installer adds to CPack's own steps: the Start-menu entry for the window and ".frames"
; list files opening in it. Written for the machine (SHCTX is HKLM for an administrator, as CPack's
; installer runs) and taken away again by the uninstaller.

; A 64-bit installer, as the programs are, in Unicode, so any folder name installs.
Target amd64-unicode

!define DRELIN_LINK "Drelin Image uploader.lnk"
!define DRELIN_LIST_CLASS "Drelin.FrameList"

!macro DrelinShortcut
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\${DRELIN_LINK}" "$INSTDIR\drelin.exe"
!macroend

!macro DrelinShortcutRemove
  Delete "$SMPROGRAMS\$MUI_TEMP\${DRELIN_LINK}"
!macroend

!macro DrelinAssociate
  WriteRegStr SHCTX "Software\Classes\.frames" "" "${DRELIN_LIST_CLASS}"
  WriteRegStr SHCTX "Software\Classes\${DRELIN_LIST_CLASS}" "" "Drelin frame list"
  WriteRegStr SHCTX "Software\Classes\${DRELIN_LIST_CLASS}\DefaultIcon" "" "$INSTDIR\drelin.exe,0"
  WriteRegStr SHCTX "Software\Classes\${DRELIN_LIST_CLASS}\shell\open\command" "" '"$INSTDIR\drelin.exe" "%1"'
  ; Explorer shows the new icon and verb without a restart.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

; ".frames" is let go only while it is still ours: another program may have taken it since.
!macro DrelinDissociate
  ReadRegStr $0 SHCTX "Software\Classes\.frames" ""
  StrCmp $0 "${DRELIN_LIST_CLASS}" 0 +3
    DeleteRegValue SHCTX "Software\Classes\.frames" ""
    DeleteRegKey /ifempty SHCTX "Software\Classes\.frames"
  DeleteRegKey SHCTX "Software\Classes\${DRELIN_LIST_CLASS}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend
