#!/usr/bin/env bash
# The demo of `make demo`: bash scripts/demo.sh ZAVLIN_CLI HOME [SIZE] [SEED]
#
# Makes a sample college (SIZE M by default: 40 groups, 100 teachers) the
# academic year of a fresh database under HOME, replacing an earlier demo
# there, shows what the year holds, composes the timetable of its active
# weeks from zero (the verdict of the final test and the ten quality counts
# of each week), and ends with one group's and one teacher's composed week.
# The same SIZE and SEED always give the same college.
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

step "What the year holds, group by group"
run year show
run years

step "Composition from zero of the active weeks ($ACTIVE) for every group"
if ! run compose --mode zero --all --yes; then
    echo "demo: the composition reported a problem (see above); the year is saved as composed"
fi

step "Group $GROUP, week $NUMERATOR (numerator): the composed timetable"
run timetable --group "$GROUP" --week "$NUMERATOR"

step "Teacher $TEACHER, week $NUMERATOR: the composed timetable over every group"
run timetable --teacher "$TEACHER" --week "$NUMERATOR"

step "The tables after saving"
run db check

cat <<EOF

The database lives in $HOME_DIR/Database, the year's settings in
$HOME_DIR/Database/god.Ini; what the hidden timetable of the sample
measures is in $COUNTS.
EOF
