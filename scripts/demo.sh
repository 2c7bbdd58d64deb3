#!/usr/bin/env bash
# The demo of `make demo`: bash scripts/demo.sh ZAVLIN_CLI HOME [SIZE] [SEED]
#
# Makes a sample college (SIZE M by default: 40 groups, 100 teachers) the
# academic year of a fresh database under HOME, replacing an earlier demo
# there, shows what the year holds, and ends with one group's and one
# teacher's week. The timetable is not composed yet: the numerator week shows
# the lessons the dispatcher pinned (the preliminary settings), and a past
# week shows the timetable as it ran, with its substitutions. The same SIZE
# and SEED always give the same college.
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 4 ]; then
    echo "usage: bash scripts/demo.sh ZAVLIN_CLI HOME [SIZE] [SEED]" >&2
    exit 2
fi
CLI=$1
HOME_DIR=$2
SIZE=${3:-M}
SEED=${4:-1}
if [ ! -x "$CLI" ]; then
    echo "demo: $CLI is not an executable; build it first (make release)" >&2
    exit 1
fi
CLI=$(cd "$(dirname "$CLI")" && pwd)/$(basename "$CLI")

# Only what a demo leaves in HOME goes, whatever else the folder holds.
if [ -d "$HOME_DIR" ]; then
    rm -rf "$HOME_DIR/Database" "$HOME_DIR/temp" "$HOME_DIR/export" \
        "$HOME_DIR/Zavlin98.ini" "$HOME_DIR/REM" "$HOME_DIR/Logsrasp.txt" \
        "$HOME_DIR/temprasp.bin"
    rm -f "$HOME_DIR"/sample-*.txt
fi
mkdir -p "$HOME_DIR"
HOME_DIR=$(cd "$HOME_DIR" && pwd)

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

step "The sample college $SIZE, seed $SEED: a new database with one academic year"
run demo --size "$SIZE" --seed "$SEED"

COUNTS=$HOME_DIR/sample-$SIZE-$SEED.txt
value() { sed -n "s/^$1=//p" "$COUNTS"; }
GROUP=$(value showcase_group)
TEACHER=$(value showcase_teacher)
ACTIVE=$(value active_weeks)
NUMERATOR=${ACTIVE%%,*}
PAST=$(value substitution_week)

step "What the year holds, group by group"
run year show
run years
run db check

step "Group $GROUP, week $NUMERATOR (numerator): the lessons pinned before composition"
run timetable --group "$GROUP" --week "$NUMERATOR" --layer pinned

step "Group $GROUP, week $PAST: the week as it ran, substitutions marked"
run timetable --group "$GROUP" --week "$PAST"

step "Teacher $TEACHER, week $NUMERATOR: the pinned lessons of every group"
run timetable --teacher "$TEACHER" --week "$NUMERATOR" --layer pinned

cat <<EOF

The database lives in $HOME_DIR/Database, the year's settings in
$HOME_DIR/Database/god.Ini; what the hidden timetable of the sample
measures is in $COUNTS.
EOF
