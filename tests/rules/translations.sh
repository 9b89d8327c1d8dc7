#!/usr/bin/env bash
# Every text KestraLive translates has its finished English: each tr() text in src/ (code and
# forms) is in src/resources/language_en.ts with a non-empty, finished translation, none marked
# obsolete. Also checks that the check itself catches a new untranslated text and an unfinished
# one, planted in copies.
# Usage: translations.sh <source root> <lupdate> <lrelease>
#
# Refreshing the translation files after adding or changing texts (from the source root):
#   /usr/lib/qt6/bin/lupdate src -ts src/resources/language_zh.ts src/resources/language_en.ts \
#       -no-obsolete -locations none
# then give each new message of language_en.ts its English (Qt Linguist, or edit the XML:
# replace <translation type="unfinished"></translation> by <translation>English</translation>).
# language_zh.ts needs no translations: the source texts are Chinese.
set -uo pipefail
root=$1
lupdate=$2
lrelease=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints one line per problem of the messages in a .ts file.
problems_in() {
  awk '
    /<message/ { block = ""; inside = 1 }
    inside { block = block $0 "\n" }
    /<\/message>/ {
      inside = 0
      source = block
      sub(/.*<source>/, "", source); sub(/<\/source>.*/, "", source)
      gsub(/\n/, " ", source)
      if (block ~ /type="(unfinished|vanished|obsolete)"/)
        print "not finished or marked obsolete: " source
      else if (block ~ /<translation>[ \n]*<\/translation>/ || block ~ /<translation\/>/)
        print "empty translation: " source
    }
  ' "$1"
}

# check <src folder> <language_en.ts>: exit 0 when complete, else prints the problems.
check() {
  local copy="$work/check.ts" output status=0
  cp "$2" "$copy"
  # Obsolete messages the code still uses are caught before lupdate revives them.
  grep -q 'type="\(vanished\|obsolete\)"' "$copy" && {
    echo "language_en.ts marks messages obsolete; refresh it with lupdate -no-obsolete"
    status=1
  }
  if ! output=$("$lupdate" -silent "$1" -ts "$copy" -no-obsolete -locations none 2>&1); then
    echo "lupdate failed: $output"
    return 1
  fi
  local found
  found=$(problems_in "$copy")
  if [ -n "$found" ]; then
    echo "$found"
    status=1
  fi
  if ! output=$("$lrelease" -silent "$copy" -qm "$work/check.qm" 2>&1); then
    echo "lrelease failed: $output"
    status=1
  fi
  grep -q '<message' "$copy" || {
    echo "no translated texts found under $1"
    status=1
  }
  return $status
}

failed=0
if ! check "$root/src" "$root/src/resources/language_en.ts"; then
  echo "FAILED: language_en.ts lacks the English of the texts above"
  failed=1
fi

# The check catches a new text without English...
mkdir -p "$work/src"
cp -r "$root/src/." "$work/src/"
cat >"$work/src/planted.cpp" <<'CPP'
#include <QObject>
class Planted : public QObject {
    Q_OBJECT
    QString text() { return tr("一段新文字"); }
};
CPP
if output=$(check "$work/src" "$root/src/resources/language_en.ts"); then
  echo "FAILED: a new text without English went unnoticed"
  failed=1
elif ! grep -qF "一段新文字" <<<"$output"; then
  echo "FAILED: the new text is not named: $output"
  failed=1
fi
rm "$work/src/planted.cpp"

# ...and an unfinished one.
sed '0,/<translation>[^<]/s//<translation type="unfinished">x/' \
  "$root/src/resources/language_en.ts" >"$work/unfinished.ts"
if check "$work/src" "$work/unfinished.ts" >/dev/null; then
  echo "FAILED: an unfinished translation went unnoticed"
  failed=1
fi

[ $failed -eq 0 ] && echo "translations: every text has its English"
exit $failed
