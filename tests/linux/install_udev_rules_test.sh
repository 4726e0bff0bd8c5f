#!/usr/bin/env bash
# tools/install-udev-rules takes no argument (install), --remove or --help, and nothing else:
# anything else names the argument it did not understand, prints the usage, fails and changes
# nothing. The commands that would change
# the machine (install, rm, udevadm) are stand-ins here that only write down their call.
#   install_udev_rules_test.sh TOOL
set -uo pipefail
tool=$1
work=$(mktemp -d)
trap '/bin/rm -rf "$work"' EXIT
mkdir "$work/bin"
for command in install rm udevadm; do
  printf '#!/bin/sh\necho "%s $*" >> "%s/calls"\n' "$command" "$work" > "$work/bin/$command"
done
printf '#!/bin/sh\nexec "$@"\n' > "$work/bin/sudo"  # as a user the tool asks sudo
chmod +x "$work"/bin/*

failures=0
# arguments | exit status | what it changes ("" for nothing) | where the usage shows ("" for
# nowhere) | the argument named as not understood (none when absent)
check() {
  local args=$1 status=$2 changes=$3 usage=$4 named=()
  [ $# -ge 5 ] && named=("$5")
  : > "$work/calls"
  eval "set -- $args"
  PATH="$work/bin:$PATH" "$tool" "$@" > "$work/out" 2> "$work/err"
  local got=$?
  local called
  called=$(cut -d' ' -f1 "$work/calls" | sort -u | tr '\n' ' ')
  if { [ "$status" = fails ] && [ "$got" -eq 0 ]; } || { [ "$status" != fails ] && [ "$got" -ne "$status" ]; }; then
    echo "FAIL [$args]: exit $got, want $status"
    failures=$((failures + 1))
  fi
  if [ "$called" != "$changes" ]; then
    echo "FAIL [$args]: called '$called', want '$changes'"
    failures=$((failures + 1))
  fi
  if [ -n "$usage" ] && ! grep -q '^usage: ' "$work/$usage"; then
    echo "FAIL [$args]: no usage on std$usage"
    failures=$((failures + 1))
  fi
  if [ ${#named[@]} -eq 1 ] && ! grep -qF "argument not understood: '${named[0]}'" "$work/err"; then
    echo "FAIL [$args]: the argument '${named[0]}' is not named: $(cat "$work/err")"
    failures=$((failures + 1))
  fi
}

check '' 0 'install udevadm ' ''
check '--remove' 0 'rm udevadm ' ''
check '--help' 0 '' out
check '-h' fails '' err '-h'
check '--remve' fails '' err '--remve'
check 'install' fails '' err 'install'
check "''" fails '' err ''
check '--remove --help' fails '' err '--help'
check '--help --remove' fails '' err '--remove'
check '--remove extra' fails '' err 'extra'
check 'extra --remove' fails '' err 'extra'

[ "$failures" -eq 0 ] && echo "all cases passed"
exit "$failures"
