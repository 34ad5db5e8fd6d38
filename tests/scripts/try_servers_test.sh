#!/usr/bin/env bash
# scripts/try-servers.sh: start brings up slapd, cupsd and smbd under a fresh folder; the moxtrel
# host then reads a user, a share and a print job through the moxtrel.toml it wrote; stop leaves
# no process behind, smbd's helpers included. No secret is printed.
#
#   try_servers_test.sh SCRIPT MOXTREL   (exit 77: skipped, a server is not installed)
set -euo pipefail
script=$1
host=$2

for tool in slapd cupsd smbd openssl smbclient; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done
if [[ $(id -u) != 0 ]]; then
  echo "SKIP: smbd and cupsd need root"
  exit 77
fi

work=$(mktemp -d /tmp/moxtrel-try-XXXXXX)
dir=$work/try

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

source "$(dirname "$script")/process-helpers.sh"

# The processes whose command line names the try-out's folder.
naming_dir() { pids_naming "$dir/"; }

# Also when the test fails: whatever still names the folder was started here, and ends by its pid.
cleanup() {
  local pid
  "$script" stop "$dir" >/dev/null 2>&1 || true
  for pid in $(naming_dir); do kill -KILL "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

"$script" start "$dir" >"$work/start.out" 2>&1 || {
  cat "$work/start.out" >&2
  fail "start failed"
}
grep -q -- "--config $dir/moxtrel.toml" "$work/start.out" || fail "start does not say what to run"
for secret in ldap/admin.secret samba/root.secret samba/root.auth ldap/key.pem; do
  [[ $(stat -c %a "$dir/$secret") == 600 ]] || fail "$secret is not of mode 0600"
done
for secret in ldap/admin.secret samba/root.secret; do
  value=$(<"$dir/$secret")
  [[ ${#value} -ge 32 ]] || fail "$secret holds no secret"
  if grep -rqF -- "$value" "$work/start.out" "$dir/moxtrel.toml"; then
    fail "the secret of $secret was printed or written into the configuration"
  fi
done

started=()
for name in slapd cupsd smbd; do
  pid=$(<"$dir/run/$name.pid")
  alive "$pid" || fail "$name ($pid) is not running"
  started+=("$pid")
done

out=$("$host" --config "$dir/moxtrel.toml" -e 'Set d = New moxDomain: d.Name = "CORP": For Each u In d.Users: Print "domain user: " & u.UserName: Next: Set s = New moxServer: s.Name = "TRY-PC": For Each u In s.Users: Print "local user: " & u.UserName: Next: For Each sh In s.FileShares: Print "share: " & sh.Name & " " & sh.MaxUsers: Next: For Each q In s.PrintQueues: For Each j In q.PrintJobs: Print "job on " & q.Name & " from " & j.User: Next: Next' 2>&1) ||
  fail "moxtrel failed: $out"
for want in "domain user: carol" "domain user: dave" "local user: alice" "share: Public -1" \
  "share: Data 5" "job on Lab from root"; do
  grep -qxF -- "$want" <<<"$out" || fail "moxtrel printed no \"$want\": $out"
done
sample=$("$host" --config "$dir/moxtrel.toml" "$dir/try.mox" 2>&1) || fail "try.mox failed: $sample"
grep -qF "domain user: carol (Carol Ames)" <<<"$sample" || fail "try.mox printed: $sample"

# Listing the shares to a client is an RPC, for which smbd starts samba-dcerpcd: a helper that
# is not smbd's child once smbd is gone.
smb_port=$(sed -n 's/^smb ports = //p' "$dir/samba/smb.conf")
smbclient -s "$dir/samba/smb.conf" -p "$smb_port" -A "$dir/samba/root.auth" -L 127.0.0.1 \
  >"$work/smbclient.out" 2>&1 || true
grep -q "Public" "$work/smbclient.out" || fail "smbclient did not list the shares"
mapfile -t helpers < <(naming_dir)
((${#helpers[@]} > ${#started[@]})) || fail "smbd started no helper: ${helpers[*]}"

"$script" stop "$dir" >"$work/stop.out" 2>&1 || {
  cat "$work/stop.out" >&2
  fail "stop failed"
}
for pid in "${started[@]}" "${helpers[@]}"; do
  if alive "$pid"; then fail "process $pid is still running after stop"; fi
done
left=$(naming_dir)
[[ -z $left ]] || fail "processes naming $dir are left: $left"
[[ ! -e $dir/run/smbd.pid ]] || fail "stop left the pid files"
# A start that fails part-way (lpadmin refuses, after slapd and cupsd are up) stops what it
# started and says why.
mkdir -p "$work/bin"
printf '#!/bin/sh\necho "lpadmin: refused for the test" >&2\nexit 1\n' >"$work/bin/lpadmin"
chmod +x "$work/bin/lpadmin"
dir=$work/failed
if PATH=$work/bin:$PATH "$script" start "$dir" >"$work/failed.out" 2>&1; then
  fail "start succeeded without lpadmin"
fi
grep -q "start failed" "$work/failed.out" || fail "a failed start does not say so"
[[ ! -e $dir/run/cupsd.pid ]] || fail "a failed start left its pid files"
left=$(naming_dir)
[[ -z $left ]] || fail "a failed start left processes naming $dir: $left"
echo "PASS"
