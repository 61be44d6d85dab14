#!/usr/bin/env bash
# ZoneTuner as the installer runs it: twice on the sample settings list, in a
# folder of its own, against the sandbox registry. Shows the registry before
# and after, the first run's backup and the log (GBK, shown as UTF-8).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tuner="$VEL_BUILD/zonetuner/ZoneTuner"
velreg="$VEL_BUILD/tools/velreg/velreg"
dir="$VEL_DEMO_OUT/zonetuner"
rm -rf "$dir"
mkdir -p "$dir"
cp "$root/zonetuner/samples/IEConfigList.xml" "$dir/"

settings='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings'
zone2="$settings\\Zones\\2"

echo "== The machine before: the trusted zone has three values; the address range key does not exist yet"
"$velreg" add "$zone2" /v Flags /t REG_DWORD /d 71
"$velreg" add "$zone2" /v 1001 /t REG_DWORD /d 1
"$velreg" add "$zone2" /v 1200 /t REG_DWORD /d 3
"$velreg" add "$settings\\ZoneMap\\Ranges"
"$velreg" query "$settings" /s

run() {
  local rc=0
  (cd "$dir" && "$tuner") || rc=$?
  echo "ZoneTuner exit code: $rc"
}

echo
echo "== First run: backs up the values it replaces, then applies the list"
run
echo
echo "== Backup IEConfigList_back.xml: the list with the machine's earlier values (KeyValue lines)"
diff <(iconv -f GBK -t UTF-8 "$dir/IEConfigList.xml") <(iconv -f GBK -t UTF-8 "$dir/IEConfigList_back.xml") || true

echo
echo "== The range key is created by hand (ZoneTuner never creates keys); second run only applies"
"$velreg" add "$settings\\ZoneMap\\Ranges\\Range100"
before=$(md5sum < "$dir/IEConfigList_back.xml")
run
[ "$before" = "$(md5sum < "$dir/IEConfigList_back.xml")" ] && echo "(backup unchanged by the second run)"

echo
echo "== The registry after both runs"
"$velreg" query "$settings" /s
echo "hive file: $("$velreg" path HKCU)"

echo
echo "== IElog.txt (GBK, converted to UTF-8 for display)"
iconv -f GBK -t UTF-8 "$dir/IElog.txt"
