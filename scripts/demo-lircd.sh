#!/usr/bin/env bash
# A local lircd for trying the remote control without an infrared receiver.
#   scripts/demo-lircd.sh            starts lircd in the foreground (Ctrl+C ends it); it serves
#                                    127.0.0.1:8765, the default HostPort of the client (on with
#                                    Enabled=1 in the [WinLirc] section of Configs/Options.cfg)
#   scripts/demo-lircd.sh KEY_NAME   presses a button, e.g. KEY_CHANNELUP, KEY_CHANNELDOWN,
#                                    KEY_VOLUMEUP, KEY_VOLUMEDOWN, KEY_MUTE, KEY_ZOOM, KEY_RECORD
# Needs the Debian package lirc (scripts/install-deps.sh installs it).
set -euo pipefail
dir="${XDG_RUNTIME_DIR:-/tmp}/qevdvb-demo-lircd"
socket="$dir/lircd"

if [ $# -gt 0 ]; then
  exec irsend -d "$socket" SIMULATE "0000000000000000 ${2:-00} $1 qevdemo"
fi

mkdir -p "$dir"
cat >"$dir/remote.conf" <<'CONF'
begin remote
  name  qevdemo
  bits  16
  flags SPACE_ENC
  eps   30
  aeps  100
  header 9000 4500
  one   560 1690
  zero  560 560
  ptrail 560
  gap   108000
  begin codes
    KEY_CHANNELUP    0x0001
    KEY_CHANNELDOWN  0x0002
    KEY_VOLUMEUP     0x0003
    KEY_VOLUMEDOWN   0x0004
    KEY_MUTE         0x0005
    KEY_ZOOM         0x0006
    KEY_RECORD       0x0007
  end codes
end remote
CONF
printf '[lircd]\nnodaemon = True\n' >"$dir/options.conf"
echo "lircd on 127.0.0.1:8765 and $socket; press buttons with: $0 KEY_CHANNELUP"
# The UDP driver needs no device; simulated presses are all the demo sends.
exec lircd --nodaemon --options-file="$dir/options.conf" --driver=udp --device=8766 \
  --allow-simulate --output="$socket" --pidfile="$dir/lircd.pid" --logfile="$dir/lircd.log" \
  --listen=127.0.0.1:8765 "$dir/remote.conf"
