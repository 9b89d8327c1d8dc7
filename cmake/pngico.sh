#!/usr/bin/env bash
# Packs PNG pictures into one Windows icon file, each image stored as PNG (which Windows
# Vista and later, and Qt's icon reader, accept at every size).
# Usage: pngico.sh <output.ico> <square PNG>...
set -euo pipefail
out=$1
shift

le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }
# The width from the PNG header (big endian at offset 16).
png_width() { od -An -tu1 -j16 -N4 "$1" | awk '{ print ($1 * 16777216) + ($2 * 65536) + ($3 * 256) + $4 }'; }

tmp="$out.tmp"
{
  le16 0; le16 1; le16 $#
  offset=$((6 + 16 * $#))
  for png in "$@"; do
    width=$(png_width "$png")
    size=$(wc -c <"$png")
    side=$((width >= 256 ? 0 : width)) # 0 stands for 256
    printf "\\x$(printf %02x $side)\\x$(printf %02x $side)\\x00\\x00"
    le16 1; le16 32; le32 "$size"; le32 "$offset"
    offset=$((offset + size))
  done
  cat "$@"
} >"$tmp"
mv "$tmp" "$out"
