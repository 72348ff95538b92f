; The inbound Windows Firewall rule that lets the monitors reach the tool: TCP to the ports the
; tool listens on, for zr40tool.exe only, on private and domain networks (a hospital's wards),
; never on public ones. The installer first deletes any rule of that name left by an earlier
; install, then adds it; the uninstaller deletes exactly that rule. The test suite reads these
; lines and checks the ports against the tool's own.
!define FIREWALL_RULE "Zr40Tool monitors"
!define FIREWALL_PORTS "5510-5526,5590,5595,9500"
!define FIREWALL_PROGRAM "$INSTDIR\zr40tool.exe"
!define FIREWALL_ADD '"$SYSDIR\netsh.exe" advfirewall firewall add rule name="${FIREWALL_RULE}" dir=in action=allow program="${FIREWALL_PROGRAM}" protocol=TCP localport=${FIREWALL_PORTS} profile=private,domain enable=yes'
!define FIREWALL_DELETE '"$SYSDIR\netsh.exe" advfirewall firewall delete rule name="${FIREWALL_RULE}" dir=in program="${FIREWALL_PROGRAM}" protocol=TCP localport=${FIREWALL_PORTS}'
; the rule the tool adds for its access point's network; the uninstaller removes it by name
!define FIREWALL_AP_DELETE '"$SYSDIR\netsh.exe" advfirewall firewall delete rule name="Zr40Tool access point"'
