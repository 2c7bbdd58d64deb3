#!/usr/bin/env bash
# The demo of `make demo`: bash scripts/demo.sh ZAVLIN_CLI HOME
#
# Until the timetable can be composed, this shows the furthest job the program
# does: it keeps a table of the storage engine under HOME/Database. The script
# creates a sample table, appends groups with Russian names, dates and a blob
# read from a file, deletes two records, shows the undelete rule (only the last
# deleted record comes back), lets an append reuse a deleted slot, and dumps
# the table. Every run recreates the table, so the output is the same each time
# (but for the creation moment).
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: bash scripts/demo.sh ZAVLIN_CLI HOME" >&2
    exit 2
fi
CLI=$1
HOME_DIR=$2
if [ ! -x "$CLI" ]; then
    echo "demo: $CLI is not an executable; build it first (make release)" >&2
    exit 1
fi
CLI=$(cd "$(dirname "$CLI")" && pwd)/$(basename "$CLI")
mkdir -p "$HOME_DIR/Database" "$HOME_DIR/temp" "$HOME_DIR/export"
HOME_DIR=$(cd "$HOME_DIR" && pwd)
TABLE="$HOME_DIR/Database/YmDemo"
BLOB="$HOME_DIR/temp/demo-bells.txt"
JSON="$HOME_DIR/export/YmDemo.json"

step() { printf '\n== %s\n' "$*"; }
# Echoes the command, quoting the arguments that hold blanks.
run() {
    local shown="" a
    for a in "$@"; do
        case $a in *" "*) shown+=" '$a'" ;; *) shown+=" $a" ;; esac
    done
    printf '$ zavlin-cli%s\n' "$shown"
    "$CLI" "$@" --home "$HOME_DIR"
}

cat >"$BLOB" <<'EOF'
Расписание звонков
1 пара  8:30 -  9:50
2 пара 10:00 - 11:20
3 пара 11:50 - 13:10
4 пара 13:20 - 14:40
EOF

step "A table with a key, a name, a date, a moment and a blob (pages of 64 bytes)"
run table create "$TABLE" N:ftAutoInc Name:ftString:48 Born:ftDate Moment:ftDateTime \
    Dan:ftBlob:64 --force

step "Four groups; the first one carries the bell timetable as a blob"
run table append "$TABLE" "Name=ПКС-21 Программирование" Born=1/9/2021 \
    "Moment=1/9/2021 8ч:30м:00с" "Dan=@$BLOB"
run table append "$TABLE" Name=Бух-22 Born=1/9/2022 "Moment=1/9/2022 9ч:00м:00с"
run table append "$TABLE" Name=Свар-23 Born=1/9/2023
run table append "$TABLE" Name=Повар-24 Born=2/9/2024 "Moment=2/9/2024 10ч:15м:00с"

step "Two deletes: record 2 (slot 1), then record 3 (slot 2)"
run table delete "$TABLE" 2
run table delete "$TABLE" 3

step "Undelete goes from the last deleted record back: slot 1 is refused"
if run table undelete "$TABLE" 1; then
    echo "demo: the engine should have refused" >&2
    exit 1
fi
echo "(refused as it should be, exit status non-zero)"
run table undelete "$TABLE" 2

step "A new record takes the deleted slot 1 with a new key"
run table append "$TABLE" Name=Электр-25 Born=1/9/2025 "Moment=1/9/2025 8ч:00м:00с"

step "A change to record 4"
run table set "$TABLE" 4 "Name=Повар-24 (кондитеры)"

step "A value the field cannot take changes nothing"
if run table append "$TABLE" Name=Лишняя Born=31/02/2025; then
    echo "demo: 31/02/2025 should have been refused" >&2
    exit 1
fi

step "The whole table, every slot with its record header"
run table dump "$TABLE" --blobs
"$CLI" table dump "$TABLE" --json --blobs --home "$HOME_DIR" >"$JSON"

step "The check finds the table consistent; a pack drops the deleted slot and free pages"
run table check "$TABLE"
run table pack "$TABLE"
run table check "$TABLE"

step "The year database: nine empty tables and god.Ini, then their check"
run init
run db check

cat <<EOF

The demo table lives in $HOME_DIR/Database:
$(ls -l "$TABLE".b0 "$TABLE".b1 "$TABLE".b2 "$TABLE".bi)
Its dump as JSON: $JSON
The blob that was loaded: $BLOB
Try: $CLI table dump $TABLE --json
EOF
