#!/usr/bin/env bash
# The include rules hold for the tree, and the checker catches each kind of violation when one
# is planted in a copy of it.
# Usage: includerules_test.sh <source root> <QtWidgets include folder>
set -uo pipefail
root=$1
widgets=$2
checker="$root/tests/rules/includerules.sh"
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT

passed=0
failed=0
expect() { # description, expected exit, expected text, source root
  local output status
  output=$(bash "$checker" "$4" "$widgets" 2>&1)
  status=$?
  if [ "$status" -eq "$2" ] && grep -qF -- "$3" <<<"$output"; then
    passed=$((passed + 1))
  else
    echo "FAILED: $1 (exit $status)"
    echo "$output"
    failed=$((failed + 1))
  fi
}

expect "the tree keeps the rules" 0 "keep to their includes" "$root"

plant() { # file relative to the copy, line to add at the top
  rm -rf "${copy:?}"/*
  cp -r "$root/src" "$root/filter" "$root/contract" "$root/dshow" "$copy/"
  sed -i "1i $2" "$copy/$1"
}

plant filter/receiver/streamreceiver.cpp '#include "device/inifile.h"'
expect "a filter file that includes src/" 1 'streamreceiver.cpp:1 includes "device/inifile.h" from src/' "$copy"

plant filter/source/kestracamera.h '#include "../../src/log/log.h"'
expect "a filter file that climbs into src/" 1 'outside the filter' "$copy"

plant src/device/devlist.cpp '#include <QPushButton>'
expect "kestra_net including a widget" 1 'devlist.cpp:1 includes the widget header <QPushButton>' "$copy"

plant src/log/log.cpp '#include <QtWidgets/QDialog>'
expect "kestra_core including a widget by module path" 1 'includes the widget header' "$copy"

plant src/platform/singleinstance_win.cpp '#include <streams.h>'
expect "src/ including the DirectShow base classes" 1 'includes the DirectShow header "streams.h"' "$copy"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
