#!/usr/bin/env bash
# The desktop program under a real X server (Xvfb, 1366x768) with a window manager (openbox),
# driven by real keys (xdotool): what the widget tests cannot see, since no window manager
# stacks or activates their windows. The probe (tests/app/DesktopProbe.cpp) writes what the
# program shows into a state file.
#   1. A bad layer name left by Tab: exactly one error box, which has the keyboard; after Enter
#      the focus is back in the field with the name selected, and the next keys replace it.
#   2. Closing the main window during a run: the question stands above the always-on-top
#      progress window; Escape answers it; Escape in the progress window stops the run.
#   3. At 150 % (1366x768 is then 910x512 logical pixels): the main window's frame is whole on
#      the screen, and the Active Help window covers none of it.
#   4. An XLSX workbook made by openpyxl, opened from the file list's menu: a cell typed over and
#      saved with a click (openpyxl reads the change, the other sheet and the styles kept); an
#      edit, then a click on the other sheet's tab: the question, No shows that sheet unsaved;
#      an edit, then Escape: one question, which has the keyboard; Cancel leaves the sheet shown
#      with the focus in its grid, No closes it unsaved; "Create" converts the saved cell.
# Usage: desktop-session-test.sh PATH/TO/app_desktop_probe
# With MERVALON_SCREENSHOTS=folder, the screen is saved there at each step (ImageMagick).
set -euo pipefail
probe=$1

need() {
    if ! command -v "$1" >/dev/null 2>&1; then
        echo "FAIL: '$1' is missing: install the Debian package '$2' (scripts/install-deps.sh does)" >&2
        exit 1
    fi
}
need Xvfb xvfb
need openbox openbox
need xdotool xdotool
need xprop x11-utils
need xwininfo x11-utils
/usr/bin/python3 -c 'import openpyxl' 2>/dev/null ||
    { echo "FAIL: the Python module openpyxl is missing: install the Debian package 'python3-openpyxl'" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/state" ] && sed 's/^/  state: /' "$work/state" >&2
    exit 1
}

# The manager is up once the root names its check window. Match "window id #": before that,
# xprop says "no such atom on any window", which also holds the word.
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id #' >/dev/null; }
# start_display: an X server of its own (the first free display) with openbox on it. Generous
# waits: on a loaded machine (CI builds beside us) a start may take seconds; each wait ends as
# soon as what it waits for is there. A start that fails is said and tried again, twice.
start_display() {
    local attempt xvfb openbox
    for attempt in 1 2 3; do
        rm -f "$work/display"
        Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
        xvfb=$!
        pids+=("$xvfb")
        for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
        if [ -s "$work/display" ]; then
            export DISPLAY=":$(head -n1 "$work/display")"
            openbox --sm-disable >"$work/openbox.log" 2>&1 &
            openbox=$!
            pids+=("$openbox")
            for _ in $(seq 300); do wm_up && return 0; kill -0 "$openbox" 2>/dev/null || break; sleep 0.1; done
            wm_up && return 0
            echo "attempt $attempt: openbox did not start on $DISPLAY" \
                "(Xvfb $(kill -0 "$xvfb" 2>/dev/null && echo running || echo gone)):" \
                "$(cat "$work/openbox.log") $(cat "$work/xvfb.log")" >&2
            kill "$openbox" 2>/dev/null || true
        else
            echo "attempt $attempt: Xvfb did not start: $(cat "$work/xvfb.log")" >&2
        fi
        kill "$xvfb" 2>/dev/null || true
        sleep 1
    done
    fail "no X server with openbox could be started"
}
start_display
export QT_QPA_PLATFORM=xcb

state() { sed -n "s/^$1=//p" "$work/state" 2>/dev/null; }
# wait_for NAME VALUE [SECONDS]: until the state's NAME is VALUE.
wait_for() {
    local deadline=$((SECONDS + ${3:-15}))
    while [ $SECONDS -lt $deadline ]; do
        [ "$(state "$1")" = "$2" ] && return 0
        sleep 0.1
    done
    fail "$1 is not '$2' after ${3:-15} s"
}
shot() {
    if [ -n "${MERVALON_SCREENSHOTS:-}" ]; then
        mkdir -p "$MERVALON_SCREENSHOTS"
        import -window root "$MERVALON_SCREENSHOTS/$1.png"
    fi
}
start_probe() {
    rm -f "$work/state"
    "$probe" "$work/state" "$@" >"$work/probe.out" 2>"$work/probe.err" &
    pids+=($!)
    probe_pid=$!
    for _ in $(seq 300); do grep -q ready "$work/probe.out" && return 0; sleep 0.1; done
    fail "the probe did not start: $(cat "$work/probe.err")"
}
# find_window TITLE_PATTERN: the id of a shown window whose title matches, waiting for it.
find_window() {
    local id
    for _ in $(seq 300); do
        id=$( (xdotool search --onlyvisible --name "$1" 2>/dev/null || true) | sed -n 1p)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    fail "no window titled like '$1' on the screen"
}
# stacking_index WINDOW_ID: its place in the window manager's stacking order (bottom first).
stacking_index() {
    local hex
    hex=$(printf '0x%x' "$1")
    xprop -root _NET_CLIENT_LIST_STACKING | tr -d ',' | tr ' ' '\n' | grep -n "^$hex\$" | cut -d: -f1
}

echo "1. a bad layer name left by Tab"
start_probe layer
wait_for focus pt_la
sleep 0.3
xdotool type --delay 30 "bad name"
xdotool key Tab
wait_for boxes 1
sleep 0.7 # a second box would come now
[ "$(state boxes)" = 1 ] || fail "more than one box for one mistake"
[ "$( (xdotool search --onlyvisible --name '^Error$' || true) | wc -l)" = 1 ] ||
    fail "not exactly one Error window on the screen"
active=$(xdotool getactivewindow getwindowname)
[ "$active" = Error ] || fail "the box does not have the keyboard (active: '$active')"
shot 1-one-error-box
xdotool key Return
wait_for boxes 0
wait_for focus pt_la
wait_for selected "bad name"
xdotool type --delay 30 "Good"
wait_for text Good
shot 2-focus-back
kill "$probe_pid"
echo "   one box, the focus back in the field with the name selected"

echo "2. closing the main window during a run"
start_probe run
wait_for progress shown 30
main=$(find_window 'Mervalon 4.0')
progress=$(find_window 'Processing files')
xdotool windowactivate --sync "$main" key alt+F4
wait_for boxes 1
case "$(state box-texts)" in
*"being created"*) ;;
*) fail "not the question about the run: $(state box-texts)" ;;
esac
box=$(find_window '^Confirm$')
sleep 0.3
[ "$(stacking_index "$box")" -gt "$(stacking_index "$progress")" ] ||
    fail "the question is underneath the progress window"
shot 3-question-above-progress
xdotool windowactivate --sync "$box" key Escape
wait_for boxes 0
[ "$(state progress)" = shown ] || fail "answering No ended the run"
xdotool windowactivate --sync "$progress" key Escape
wait_for progress hidden 30
case "$(state report-end)" in
*"Process aborted."*) ;;
*) fail "Escape in the progress window did not stop the run: $(state report-end)" ;;
esac
shot 4-stopped
kill "$probe_pid"
echo "   the question above the progress window, Escape stopped the run"
echo "3. at 150 %, with Active Help on"
# frame WINDOW_ID: "left top right bottom" of the window with the frame the manager drew, as
# the X server has it (what Qt believes of the frame may lag behind).
frame() {
    local info x y w h extents
    info=$(xwininfo -id "$1")
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    w=$(sed -n 's/.*Width: *//p' <<<"$info")
    h=$(sed -n 's/.*Height: *//p' <<<"$info")
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= *//; s/,//g')
    read -r l r t b <<<"$extents"
    echo "$((x - l)) $((y - t)) $((x + w + r)) $((y + h + b))"
}
QT_SCALE_FACTOR=1.5 start_probe help
wait_for help shown
main=$(find_window 'Mervalon 4.0')
help=$(find_window '^Active Help$')
# The main window is fitted on the screen once its frame is known, which on a loaded machine
# may take a few seconds: the two frames are read until they are right, for at most 15 s.
placed() {
    read -r ml mt mr mb <<<"$(frame "$main")"
    read -r hl ht hr hb <<<"$(frame "$help")"
    [ "$ml" -ge 0 ] && [ "$mt" -ge 0 ] && [ "$mr" -le 1366 ] && [ "$mb" -le 768 ] &&
        { [ "$hr" -le "$ml" ] || [ "$hl" -ge "$mr" ] || [ "$hb" -le "$mt" ] || [ "$ht" -ge "$mb" ]; }
}
for _ in $(seq 75); do placed && break; sleep 0.2; done
shot 5-scaled-active-help
placed || fail "the main window ($ml,$mt to $mr,$mb) runs off the screen, or the Active Help window" \
    "($hl,$ht to $hr,$hb) covers it"
kill "$probe_pid"
echo "   the main window whole on the screen, Active Help beside it"
echo "4. a workbook previewed, edited, saved and converted"
/usr/bin/python3 - "$work/site.xlsx" <<'PY'
import sys
import openpyxl
from openpyxl.styles import Font

book = openpyxl.Workbook()
points = book.active
points.title = "Points"
points.append(["Number", "East", "North", "Elevation", "Description", "Code"])
for cell in points[1]:
    cell.font = Font(bold=True)
for n in range(1, 4):
    points.append([n, 1000.25 + n, 2000.5 + n, 15.25, "Fence", n])
points["B2"].number_format = "0.000"
book.create_sheet("Notes")["A1"] = "Levelled on 2026-12-01"
book.save(sys.argv[1])
PY
# book_check PYTHON_CONDITION...: each condition holds of the saved workbook (openpyxl's reading).
book_check() {
    /usr/bin/python3 - "$(state home)/survey/site.xlsx" "$@" <<'PY' || fail "the saved workbook is not as expected"
import sys
import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
points, notes = book["Points"], book["Notes"]
for condition in sys.argv[2:]:
    if not eval(condition):
        sys.exit("not so: " + condition)
PY
}
# click_at X,Y [BUTTON]
click_at() { xdotool mousemove --sync "${1%,*}" "${1#*,}" click "${2:-1}"; }
# save_sheet: a click on Save, then the wait until the workbook is replaced (a new file renamed
# over it: another inode) and no box is up.
save_sheet() {
    local book before
    book="$(state home)/survey/site.xlsx"
    before=$(stat -c %i "$book")
    click_at "$(state save-button)"
    for _ in $(seq 100); do
        [ "$(stat -c %i "$book")" != "$before" ] && break
        sleep 0.1
    done
    wait_for boxes 0
}
start_probe workbook "$work/site.xlsx"
wait_for focus fl1
main=$(find_window 'Mervalon 4.0')
xdotool windowactivate --sync "$main"
click_at "$(state first-file)" 3
wait_for file-menu shown
xdotool key Down Return
wait_for preview shown
find_window 'file preview$' >/dev/null
wait_for focus StringGrid1
wait_for cell 1,1
shot 6-workbook-previewed
xdotool key Down Right Right Right Right
wait_for cell 2,5
xdotool type --delay 30 "Kerb"
wait_for editor open
xdotool key Return
wait_for editor closed
save_sheet
book_check 'points["E2"].value == "Kerb"' 'points["E3"].value == "Fence"' 'points["A1"].font.b' \
    'points["B2"].number_format == "0.000"' 'points["B2"].value == 1001.25' \
    'notes["A1"].value == "Levelled on 2026-12-01"' 'book.sheetnames == ["Points", "Notes"]'
shot 7-workbook-saved
click_at "$(state cell-below)"
wait_for cell 3,5
wait_for focus StringGrid1
xdotool type --delay 30 "Wall"
xdotool key Return
wait_for editor closed
# A changed sheet left by a click on another sheet's tab: the question first, with the keyboard;
# No shows the other sheet and drops the edit.
click_at "$(state tab-2)"
wait_for boxes 1
active=$(xdotool getactivewindow getwindowname)
[ "$active" = Information ] || fail "the tab's question does not have the keyboard (active: '$active')"
xdotool key alt+n
wait_for boxes 0
wait_for tab 2
wait_for focus StringGrid1
click_at "$(state tab-1)"
wait_for tab 1
sleep 0.5 # an unchanged sheet is left without a question
[ "$(state boxes)" = 0 ] || fail "leaving an unchanged sheet asked: $(state box-texts)"
book_check 'points["E3"].value == "Fence"'
wait_for cell 1,1
# The last row deleted from its row number's menu, and saved.
click_at "$(state last-row-number)"
wait_for row-menu shown
xdotool key Down Return
wait_for cell 3,1
save_sheet
book_check 'points.max_row == 3' 'points["A3"].value == 2' 'points["E2"].value == "Kerb"'
shot 8-workbook-row-deleted
click_at "$(state cell-above)"
wait_for cell 2,1
xdotool type --delay 30 "9"
xdotool key Return
wait_for editor closed
xdotool key Escape
wait_for boxes 1
sleep 0.7 # a second question would come now
[ "$(state boxes)" = 1 ] || fail "more than one question for one Escape"
case "$(state box-texts)" in
"Sheet has changed, do you want to save it ?") ;;
*) fail "not the question about the changed sheet: $(state box-texts)" ;;
esac
active=$(xdotool getactivewindow getwindowname)
[ "$active" = Information ] || fail "the question does not have the keyboard (active: '$active')"
shot 9-workbook-question
xdotool key Escape
wait_for boxes 0
[ "$(state preview)" = shown ] || fail "Cancel closed the preview"
wait_for focus StringGrid1
wait_for cell 2,1
xdotool key Escape
wait_for boxes 1
xdotool key alt+n
wait_for preview hidden
wait_for boxes 0
book_check 'points["E2"].value == "Kerb"' 'points["E3"].value == "Fence"' 'points["A2"].value == 1'
xdotool windowactivate --sync "$main"
click_at "$(state create-button)"
drawing="$(state home)/drawings/site.dxf"
for _ in $(seq 150); do [ -f "$drawing" ] && break; sleep 0.1; done
[ -f "$drawing" ] || fail "Create made no drawing of the workbook: $(state report-end)"
tr -d '\r' <"$drawing" | grep -qx 'Kerb' || fail "the drawing lacks the saved description 'Kerb'"
tr -d '\r' <"$drawing" | grep -qx 'Wall' && fail "the drawing holds 'Wall', which was not saved"
shot 10-workbook-converted
kill "$probe_pid"
echo "   typed over and saved; a question on leaving by a tab and one on Escape; No kept the file; converted"
echo "PASS"
