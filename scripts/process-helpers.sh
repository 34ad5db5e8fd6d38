# Process helpers that scripts/try-servers.sh and its test share: read from /proc, never by
# pattern-matching tools, so that nothing but the processes asked about is ever named.

# True while `pid` runs (a zombie does not count: it has ended, only its parent has not looked).
alive() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [[ ${stat%% *} != Z ]]
}

# The processes whose command line holds `text`: a server's helpers name its configuration.
pids_naming() {
  local f pid cmd
  for f in /proc/[0-9]*/cmdline; do
    pid=${f#/proc/}
    pid=${pid%/cmdline}
    [[ $pid == "$$" || $pid == "$BASHPID" ]] && continue
    # Matched in the shell: a grep given the text would name it too.
    { cmd=$(tr '\0' ' ' <"$f"); } 2>/dev/null || continue
    if [[ $cmd == *"$1"* ]]; then echo "$pid"; fi
  done
}
