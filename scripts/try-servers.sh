#!/usr/bin/env bash
# Private slapd, cupsd and smbd with small sample data, to try every backend with one command.
#
#   scripts/try-servers.sh start DIR   # starts them in DIR, writes DIR/moxtrel.toml, says what next
#   scripts/try-servers.sh stop DIR    # stops them by the process ids kept in DIR/run
#
# Everything lives under DIR: configurations, databases, logs, process ids and the secrets made
# for this run (files of mode 0600, never printed). The servers listen on 127.0.0.1 only, on free
# ports. Nothing under /etc is written. smbd and cupsd need root, as they do in the tests.
set -euo pipefail

usage() {
  echo "usage: $0 start|stop DIR" >&2
  exit 2
}

[[ $# -eq 2 ]] || usage
action=$1
dir=$2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
self=$root/scripts/try-servers.sh

BASE="dc=corp,dc=example"
DOMAIN=CORP
COMPUTER=TRY-PC

# --- processes ---------------------------------------------------------------------------------

source "$root/scripts/process-helpers.sh"

# The processes of process group `pgid`.
pids_in_group() {
  local f stat fields
  for f in /proc/[0-9]*/stat; do
    stat=$(cat "$f" 2>/dev/null) || continue
    stat=${stat##*) }
    read -r -a fields <<<"$stat"
    [[ ${fields[2]:-} == "$1" ]] && echo "${f//[^0-9]/}"
  done
}

# Sends `signal` to each pid, waits up to 10 s for all to end, then kills what is left.
end_pids() {
  local signal=$1 pid i left
  shift
  for pid in "$@"; do kill "-$signal" "$pid" 2>/dev/null || true; done
  for ((i = 0; i < 100; i++)); do
    left=0
    for pid in "$@"; do alive "$pid" && left=1; done
    ((left)) || return 0
    sleep 0.1
  done
  for pid in "$@"; do if alive "$pid"; then kill -KILL "$pid" 2>/dev/null || true; fi; done
  for ((i = 0; i < 50; i++)); do
    left=0
    for pid in "$@"; do alive "$pid" && left=1; done
    ((left)) || return 0
    sleep 0.1
  done
  echo "try-servers: process $* did not end" >&2
  return 1
}

# The pid kept in DIR/run/NAME.pid when that process still runs what we started (its command
# line names DIR), so a pid the system has given to another program is never signalled.
our_pid() {
  local file="$dir/run/$1.pid" pid
  [[ -f $file ]] || return 1
  pid=$(<"$file")
  [[ $pid =~ ^[0-9]+$ ]] || return 1
  alive "$pid" || return 1
  local cmd
  { cmd=$(tr '\0' ' ' <"/proc/$pid/cmdline"); } 2>/dev/null || return 1
  [[ $cmd == *"$dir/"* ]] || return 1
  echo "$pid"
}

stop_servers() {
  local status=0 pid helpers
  if pid=$(our_pid smbd); then
    # samba-dcerpcd and its workers, started by smbd on the first RPC, leave smbd's process group
    # and outlive it: they are found by the private smb.conf on their command lines.
    mapfile -t helpers < <({ pids_in_group "$pid"; pids_naming "$dir/samba/smb.conf"; } | sort -u)
    end_pids TERM "$pid" || status=1
    mapfile -t helpers < <({ printf '%s\n' "${helpers[@]}"; pids_naming "$dir/samba/smb.conf"; } |
      sort -u | grep -v "^$pid\$" || true)
    local live=()
    for p in "${helpers[@]}"; do [[ -n $p ]] && alive "$p" && live+=("$p"); done
    ((${#live[@]} == 0)) || end_pids TERM "${live[@]}" || status=1
  fi
  if pid=$(our_pid cupsd); then end_pids TERM "$pid" || status=1; fi
  if pid=$(our_pid slapd); then end_pids INT "$pid" || status=1; fi
  rm -f "$dir/run/smbd.pid" "$dir/run/cupsd.pid" "$dir/run/slapd.pid"
  return $status
}

# --- start -------------------------------------------------------------------------------------

PORT=
used_ports=" "
# A port on 127.0.0.1 nothing listens on, in PORT.
free_port() {
  local p i
  for ((i = 0; i < 200; i++)); do
    p=$((20000 + RANDOM % 40000))
    [[ $used_ports == *" $p "* ]] && continue
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then
      used_ports+="$p "
      PORT=$p
      return 0
    fi
  done
  echo "try-servers: no free port on 127.0.0.1" >&2
  return 1
}

# Waits up to 10 s for `pid` to accept connections on `port`.
wait_listening() {
  local name=$1 pid=$2 port=$3 i
  for ((i = 0; i < 200; i++)); do
    alive "$pid" || {
      echo "try-servers: $name exited at start; see its log under $dir" >&2
      return 1
    }
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && return 0
    sleep 0.05
  done
  echo "try-servers: $name did not listen on 127.0.0.1:$port within 10 s" >&2
  return 1
}

# Starts a server in a session of its own (so it outlives this script and is its own process
# group), logging to `log`; its pid goes to DIR/run/NAME.pid. setsid execs the server in the
# same process, as the background job is no group leader.
spawn() {
  local name=$1 log=$2
  shift 2
  setsid "$@" </dev/null >"$log" 2>&1 &
  echo $! >"$dir/run/$name.pid"
  SPAWNED=$!
}

# A secret of 36 hex digits in `file` (mode 0600, no line break).
make_secret() {
  (
    umask 077
    printf '%s' "$(openssl rand -hex 18)" >"$1"
  )
}

start_slapd() {
  local d=$dir/ldap
  mkdir -p "$d/db"
  free_port
  ldap_port=$PORT
  make_secret "$d/admin.secret"
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
    -keyout "$d/key.pem" -out "$d/cert.pem" -days 7 -subj /CN=127.0.0.1 \
    -addext subjectAltName=IP:127.0.0.1 >"$d/openssl.log" 2>&1
  chmod 0600 "$d/key.pem"
  local hash
  hash=$(slappasswd -h '{SSHA}' -T "$d/admin.secret")
  (
    umask 077
    cat >"$d/slapd.conf" <<EOF
include /etc/ldap/schema/core.schema
include /etc/ldap/schema/cosine.schema
include /etc/ldap/schema/inetorgperson.schema
include /etc/ldap/schema/nis.schema
TLSCertificateFile $d/cert.pem
TLSCertificateKeyFile $d/key.pem
pidfile $d/slapd.pid
argsfile $d/slapd.args
modulepath /usr/lib/ldap
moduleload back_mdb
database mdb
maxsize 104857600
suffix "$BASE"
rootdn "cn=admin,$BASE"
rootpw $hash
directory $d/db
index objectClass,uid,cn,memberUid,uidNumber,gidNumber eq
access to attrs=userPassword by self write by anonymous auth by * none
access to * by * read
EOF
  )
  local user='objectClass: inetOrgPerson
objectClass: posixAccount
objectClass: shadowAccount'
  cat >"$d/seed.ldif" <<EOF
dn: $BASE
objectClass: dcObject
objectClass: organization
dc: corp
o: Corp

dn: ou=People,$BASE
objectClass: organizationalUnit
ou: People

dn: ou=Groups,$BASE
objectClass: organizationalUnit
ou: Groups

dn: ou=Computers,$BASE
objectClass: organizationalUnit
ou: Computers

dn: uid=carol,ou=People,$BASE
$user
uid: carol
cn: carol
sn: Ames
displayName: Carol Ames
description: Night shift
uidNumber: 10001
gidNumber: 100
homeDirectory: /home/carol

dn: uid=dave,ou=People,$BASE
$user
uid: dave
cn: dave
sn: Brook
displayName: Dave Brook
uidNumber: 10002
gidNumber: 100
homeDirectory: /home/dave

dn: cn=users,ou=Groups,$BASE
objectClass: posixGroup
cn: users
gidNumber: 100
memberUid: carol
memberUid: dave

dn: cn=WS1,ou=Computers,$BASE
objectClass: device
cn: WS1
EOF
  slapadd -q -f "$d/slapd.conf" -l "$d/seed.ldif" >"$d/slapadd.log" 2>&1
  spawn slapd "$d/slapd.log" slapd -h "ldap://127.0.0.1:$ldap_port/" -f "$d/slapd.conf" -d 0
  wait_listening slapd "$SPAWNED" "$ldap_port"
}

start_cupsd() {
  local d=$dir/cups
  mkdir -p "$d/etc" "$d/spool/tmp" "$d/cache" "$d/state" "$d/log"
  free_port
  cups_port=$PORT
  cat >"$d/etc/cups-files.conf" <<EOF
ServerRoot $d/etc
RequestRoot $d/spool
TempDir $d/spool/tmp
CacheDir $d/cache
StateDir $d/state
AccessLog $d/log/access_log
ErrorLog $d/log/error_log
PageLog $d/log/page_log
ServerKeychain $d/etc/ssl
FileDevice Yes
User lp
Group lp
SystemGroup root lpadmin
EOF
  cat >"$d/etc/cupsd.conf" <<EOF
# A private scheduler for a try-out: only 127.0.0.1, where anyone may administer it.
Listen 127.0.0.1:$cups_port
Browsing No
WebInterface No
LogLevel warn
PreserveJobHistory Yes
DefaultAuthType None
<Location />
Order allow,deny
Allow 127.0.0.1
</Location>
<Policy default>
JobPrivateAccess all
JobPrivateValues none
<Limit All>
Order deny,allow
</Limit>
</Policy>
EOF
  spawn cupsd "$d/log/cupsd.out" cupsd -f -c "$d/etc/cupsd.conf" -s "$d/etc/cups-files.conf"
  wait_listening cupsd "$SPAWNED" "$cups_port"
  local server=127.0.0.1:$cups_port i
  for ((i = 0; i < 100; i++)); do
    lpstat -h "$server" -r 2>/dev/null | grep -q "is running" && break
    sleep 0.1
  done
  lpadmin -h "$server" -p Lab -v file:/dev/null -E -m raw -D "Lab printer" -L "Room 1" \
    >"$d/log/lpadmin.out" 2>&1
  # A held job: it stays in the queue, so the queue has a job and a user to show.
  printf 'Quarterly figures\n' >"$d/sample.txt"
  lp -h "$server" -d Lab -H hold -t "Sample report" "$d/sample.txt" >"$d/log/lp.out" 2>&1
}

start_smbd() {
  local d=$dir/samba sub
  for sub in private lock state cache pid ncalrpc log shares/public shares/data; do
    mkdir -p "$d/$sub"
  done
  chmod 0700 "$d/private"
  free_port
  smb_port=$PORT
  cat >"$d/smb.conf" <<EOF
[global]
server role = standalone server
interfaces = lo
bind interfaces only = yes
smb ports = $smb_port
disable netbios = yes
workgroup = WORKGROUP
passdb backend = tdbsam:$d/private/passdb.tdb
private dir = $d/private
lock directory = $d/lock
state directory = $d/state
cache directory = $d/cache
pid directory = $d/pid
ncalrpc dir = $d/ncalrpc
log file = $d/log/log.%m
log level = 0
load printers = no
disable spoolss = yes
printing = bsd
printcap name = /dev/null
registry shares = yes
include = registry
EOF
  # root may log in with a password made for this run, kept in an authentication file.
  make_secret "$d/root.secret"
  {
    cat "$d/root.secret"
    echo
    cat "$d/root.secret"
    echo
  } | smbpasswd -c "$d/smb.conf" -s -a root >"$d/log/smbpasswd.out" 2>&1
  (
    umask 077
    printf 'username = root\npassword = %s\n' "$(<"$d/root.secret")" >"$d/root.auth"
  )
  net -s "$d/smb.conf" conf addshare Public "$d/shares/public" writeable=n guest_ok=n \
    "Public files" >"$d/log/net.out" 2>&1
  net -s "$d/smb.conf" conf addshare Data "$d/shares/data" writeable=n guest_ok=n \
    "Team data" >>"$d/log/net.out" 2>&1
  net -s "$d/smb.conf" conf setparm Data "max connections" 5 >>"$d/log/net.out" 2>&1
  spawn smbd "$d/log/smbd.out" smbd -F --no-process-group --debug-stdout -s "$d/smb.conf" -d 0
  wait_listening smbd "$SPAWNED" "$smb_port"
}

write_configuration() {
  cp -r "$root/examples/local-accounts/tree" "$dir/accounts"
  cat >"$dir/moxtrel.toml" <<EOF
# The private servers try-servers.sh started; stop them with: $self stop $dir

# Every change made through these servers is logged here, with who made it.
[audit]
log = "file"
file = "$dir/audit.log"

# A computer with local accounts in a private copy of account files, print queues from the
# private cupsd and file shares from the private smbd.
[computers.$COMPUTER]
accounts = "files"
root = "$dir/accounts"
printing = "cups"
cups = "127.0.0.1:$cups_port"
shares = "samba"
smb_conf = "$dir/samba/smb.conf"

# A domain in the private slapd, over StartTLS with the certificate made for this run.
[domains.$DOMAIN]
ldap = "ldap://127.0.0.1:$ldap_port"
base = "$BASE"
bind_dn = "cn=admin,$BASE"
password_file = "$dir/ldap/admin.secret"
schema = "rfc2307"
start_tls = true
tls_ca_file = "$dir/ldap/cert.pem"
EOF
  cat >"$dir/try.mox" <<EOF
' One look at each backend: the domain's users (slapd), the computer's own users (account
' files), its file shares (smbd) and its print queues with their jobs (cupsd).
Set d = New moxDomain
d.Name = "$DOMAIN"
For Each u In d.Users
  Print "domain user: " & u.UserName & " (" & u.FullName & ")"
Next
Set s = New moxServer
s.Name = "$COMPUTER"
For Each u In s.Users
  Print "local user: " & u.UserName
Next
For Each sh In s.FileShares
  Print "share: " & sh.Name & " " & sh.Path & " (" & sh.Description & ")"
Next
For Each q In s.PrintQueues
  For Each j In q.PrintJobs
    Print "print job on " & q.Name & ": " & j.Description & " from " & j.User
  Next
Next
EOF
}

start_servers() {
  local tool
  for tool in slapd slapadd slappasswd openssl cupsd lpadmin lp lpstat smbd net smbpasswd setsid; do
    if ! command -v "$tool" >/dev/null; then
      echo "try-servers: $tool is not installed (Debian: slapd ldap-utils openssl cups-daemon" \
        "cups-client samba samba-common-bin)" >&2
      exit 1
    fi
  done
  if [[ -e $dir/run ]] && { our_pid slapd || our_pid cupsd || our_pid smbd; } >/dev/null; then
    echo "try-servers: servers are running in $dir already; stop them first" >&2
    exit 1
  fi
  if [[ -e $dir/moxtrel.toml ]]; then
    echo "try-servers: $dir holds a try-out already; remove it or choose another folder" >&2
    exit 1
  fi
  mkdir -p "$dir/run"
  # A start that fails part-way stops what it started.
  trap 'status=$?; if ((status != 0)); then
    stop_servers || true
    echo "try-servers: start failed; what was started is stopped; the logs are under $dir" >&2
  fi' EXIT
  start_slapd
  start_cupsd
  start_smbd
  write_configuration
  trap - EXIT
  local host=$root/build/default/tools/moxtrel/moxtrel
  [[ -x $host ]] || host=moxtrel
  cat <<EOF
Started in $dir (127.0.0.1 only):
  slapd  ldap://127.0.0.1:$ldap_port  domain $DOMAIN ($BASE), StartTLS
  cupsd  127.0.0.1:$cups_port  queue Lab with one held job
  smbd   127.0.0.1:$smb_port  shares Public and Data
  local accounts of $COMPUTER in $dir/accounts/etc

Next:
  $host --config $dir/moxtrel.toml $dir/try.mox
  $host --config $dir/moxtrel.toml -e 'Set s = New moxServer: s.Name = "$COMPUTER": Print s.FileShares.Count'
  smbclient -s $dir/samba/smb.conf -p $smb_port -A $dir/samba/root.auth -L 127.0.0.1
  $self stop $dir
EOF
}

case $action in
  start)
    # A folder made here may be entered by the servers' unprivileged workers (cupsd's lp).
    [[ -d $dir ]] || (umask 022 && mkdir -p "$dir")
    dir=$(cd "$dir" && pwd)
    umask 022
    start_servers
    ;;
  stop)
    [[ -d $dir ]] || {
      echo "try-servers: no folder $dir" >&2
      exit 1
    }
    dir=$(cd "$dir" && pwd)
    stop_servers
    echo "Stopped the servers in $dir."
    ;;
  *) usage ;;
esac
