#!/usr/bin/env bash
# Group and individual talk with files: a talk server with its HTTP file
# service, three users in one group; alice speaks a WAV file, sends bob a
# message and a picture, bob fetches the picture, bob calls carol and they
# talk, then hang up.
set -euo pipefail
S="$VEL_BUILD/tools/talkserver/talkserver"
C="$VEL_BUILD/tools/talkclient/talkclient"
work="$VEL_DEMO_OUT/talk-ii"
rm -rf "$work"
mkdir -p "$work/files"
printf 'alice secret-a\nbob secret-b\ncarol secret-c\n' > "$work/users.txt"

wait_for() { # file text: waits up to 15 s for a line
  for _ in $(seq 150); do grep -q -- "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  echo "timed out waiting for '$2' in $1" >&2; return 1
}

# One second of 8 kHz 16-bit mono as a WAV file, and a small "picture".
python3 - "$work/files/hello.wav" <<'PY'
import math, struct, sys, wave
w = wave.open(sys.argv[1], "wb"); w.setnchannels(1); w.setsampwidth(2); w.setframerate(8000)
w.writeframes(b"".join(struct.pack("<h", int(8000 * math.sin(i * 2 * math.pi * 440 / 8000))) for i in range(8000)))
PY
printf '\x89PNG\r\n\x1a\n demo picture bytes' > "$work/files/site photo 现场.png"

mkfifo "$work/control" "$work/alice.in" "$work/bob.in" "$work/carol.in"
"$S" --users "$work/users.txt" --heartbeat 2 --data "$work/server-data" < "$work/control" > "$work/server.log" &
server=$!
exec 3> "$work/control"
wait_for "$work/server.log" listening
port=$(sed -n 's/^listening .*:\([0-9]*\)$/\1/p' "$work/server.log")
echo "talk server on 127.0.0.1:$port, $(grep '^http ' "$work/server.log")"

"$C" --server "127.0.0.1:$port" --user alice --password secret-a --seconds 60 < "$work/alice.in" > "$work/alice.log" &
a=$!
"$C" --server "127.0.0.1:$port" --user bob --password secret-b --seconds 60 < "$work/bob.in" > "$work/bob.log" &
b=$!
"$C" --server "127.0.0.1:$port" --user carol --password secret-c --accept --seconds 60 < "$work/carol.in" \
  > "$work/carol.log" &
c=$!
exec 4> "$work/alice.in" 5> "$work/bob.in" 6> "$work/carol.in"
for u in alice bob carol; do wait_for "$work/$u.log" connected; done

echo "join 1" >&4; echo "join 1" >&5; echo "join 1" >&6
for u in alice bob carol; do wait_for "$work/$u.log" "join 1 -> 0"; done

echo "speak 1 $work/files/hello.wav" >&4
wait_for "$work/alice.log" "voice datagrams sent"
sleep 0.3
echo "msg bob the picture of the site follows" >&4
echo "sendfile bob $work/files/site photo 现场.png" >&4
wait_for "$work/bob.log" "<type>1</type>"
path=$(grep -o '<info>http://[^<]*</info>' "$work/bob.log" | tail -1 | sed 's|<info>http://[^/]*||; s|</info>||')
echo "fetch $path $work/files/fetched.png" >&5
wait_for "$work/bob.log" "download .* ended"

echo "call carol" >&5
wait_for "$work/bob.log" "call carol -> "
echo "say carol $work/files/hello.wav" >&5
echo "sleep 200" >&6
wait_for "$work/bob.log" "say carol .* sent"
sleep 0.3
echo "hangup" >&5
wait_for "$work/carol.log" "<type>523</type>"

echo "quit" >&4; echo "quit" >&5; echo "quit" >&6
wait "$a" "$b" "$c"
exec 4>&- 5>&- 6>&-
echo stats >&3
sleep 0.3
echo quit >&3
exec 3>&-
wait "$server"

for u in alice bob carol; do echo; echo "== what $u's host printed"; cat "$work/$u.log"; done
echo; echo "== what the server saw"; grep -v '^event heartbeat' "$work/server.log"
echo
if cmp -s "$work/files/site photo 现场.png" "$work/files/fetched.png"; then
  echo "bob's fetched picture is byte for byte alice's"
else
  echo "bob's fetched picture differs from alice's" >&2; exit 1
fi
