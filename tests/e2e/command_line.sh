#!/usr/bin/env bash
# The command line of the built program:
#   - --help and --version print and end with status 0 on a console, with no
#     display to connect to (a window would abort the program there);
#   - an unknown option or a stray argument ends it at once, before any
#     display is looked for, with a message on stderr and status 2;
#   - tindrel calc prints exactly what the window's list and messages would
#     show, with no display and no platform plugin named.
#
# Usage: command_line.sh PROGRAM VERSION

set -uo pipefail

program="${1:?usage: command_line.sh PROGRAM VERSION}"
version="${2:?usage: command_line.sh PROGRAM VERSION}"
work="$(mktemp -d "${TMPDIR:-/tmp}/tindrel-cli.XXXXXX")" || exit 1
trap 'rm -rf "$work"' EXIT
failed=0

# PLATFORM ARGUMENT EXPECTED_STATUS STREAM PATTERN: runs the program with
# ARGUMENT and checks its status and that STREAM (out or err) matches PATTERN.
check() {
    local platform="$1" argument="$2" expected="$3" stream="$4" pattern="$5" status
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ${platform:+QT_QPA_PLATFORM=$platform} \
        XDG_RUNTIME_DIR="$work" timeout 10 "$program" "$argument" >"$work/out" 2>"$work/err"
    status=$?
    if [[ "$expected" == nonzero ]] && ((status != 0 && status != 124)); then
        expected=$status
    fi
    if [[ "$status" != "$expected" ]] || ! grep -qE -- "$pattern" "$work/$stream"; then
        printf 'FAIL: tindrel %s: status %s (expected %s), %s should match "%s"\nstdout: %s\nstderr: %s\n' \
            "$argument" "$status" "$expected" "$stream" "$pattern" "$(cat "$work/out")" "$(cat "$work/err")"
        failed=1
    fi
}

# EXPECTED_STATUS EXPECTED_STDOUT EXPECTED_STDERR ARGUMENT...: runs the
# program without a display, its stdin from $input (or empty), and compares
# its status and both streams exactly. Qt would tell of any plugin it loads.
calc() {
    local expected="$1" out="$2" err="$3" status
    shift 3
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work" QT_DEBUG_PLUGINS=1 \
        timeout 10 "$program" "$@" <"${input:-/dev/null}" >"$work/out" 2>"$work/err"
    status=$?
    if [[ "$status" != "$expected" || "$(cat "$work/out"; echo .)" != "$out." ||
          "$(cat "$work/err"; echo .)" != "$err." ]]; then
        printf 'FAIL: tindrel %s: status %s (expected %s)\nstdout:\n%s\nexpected:\n%s\nstderr:\n%s\nexpected:\n%s\n' \
            "$*" "$status" "$expected" "$(cat "$work/out")" "$out" "$(cat "$work/err")" "$err"
        failed=1
    fi
}

check "" --version 0 out "^Tindrel ${version//./\\.}\$"
check "" --help 0 out "^ *-v, --version "
check "" --help-all 0 out "^ *--platform "

usage='Usage: tindrel [-h | --help | --help-all | -v | --version] [Qt options]
       tindrel calc [--si | --ge | --none] [--strict] [--ac [AC options]] VCC BETA R1 R2 RC RE
       tindrel calc --csv [--shown] [--strict] [--ac [AC options]] < stages.csv
'
worked='Ic = 2.946 mA  Ve = 1.398 Volts  Vc = 5.520 Volts
R1 Power = 4.547e-3 Watts   R2 Power = 849.6e-6 Watts
Re Power = 4.160e-3 Watts   Rc Power = 19.09e-3 Watts
            Collector Dissipation = 12.14e-3 Watts
For Rc = 0, Collector Dissipation = 31.23e-3 Watts
                 Stability Factor = 8.240
'
germanium='Ic = 3.919 mA  Ve = 1.861 Volts  Vc = 3.377 Volts
R1 Power = 4.136e-3 Watts   R2 Power = 1.288e-3 Watts
Re Power = 7.365e-3 Watts   Rc Power = 33.80e-3 Watts
            Collector Dissipation = 5.944e-3 Watts
For Rc = 0, Collector Dissipation = 39.74e-3 Watts
                 Stability Factor = 8.240
'
neither='Ic = 4.114 mA  Ve = 1.953 Volts  Vc = 2.949 Volts
R1 Power = 4.057e-3 Watts   R2 Power = 1.387e-3 Watts
Re Power = 8.116e-3 Watts   Rc Power = 37.24e-3 Watts
            Collector Dissipation = 4.096e-3 Watts
For Rc = 0, Collector Dissipation = 41.34e-3 Watts
                 Stability Factor = 8.240
'
r1_22='Ic = 23.89 mA  Ve = 11.34 Volts  Vc = -40.55 Volts
R1 Power = 169.9e-6 Watts   R2 Power = 30.33e-3 Watts
Re Power = 273.6e-3 Watts   Rc Power = 1.255 Watts
            Collector Dissipation = -1.239 Watts
For Rc = 0, Collector Dissipation = 15.79e-3 Watts
                 Stability Factor = 46.59e-3
'
read_as="R1: Read as 22.00: the text from \"k\" on is not read; write 22000, or use --strict to stop here.
"
read_as_strict="R1: Read as 22.00: the text from \"k\" on is not read; write 22000.
"
calc 0 "$worked" "" calc 12 100 22000 4700 2200 470
calc 0 "$germanium" "" calc --ge 12 100 22000 4700 2200 470
calc 0 "$neither" $'Select Silicon or Germanium.\n' calc --none 12 100 22000 4700 2200 470
calc 1 $'Ic = 2.946 mA  Ve = 1.398 Volts  Vc = 12.00 Volts\n' \
    $'Invalid operation while computing the power in Rc (Rc is 0).\n' calc 12 100 22000 4700 0 470
calc 0 "$r1_22" "$read_as" calc 12 100 22k 4700 2200 470
calc 1 "" "$read_as_strict" calc --strict 12 100 22k 4700 2200 470
# Too large a number stops the run before the material is asked for.
calc 1 "" $'Overflow: the supply voltage box (Vcc) holds a number too large to calculate with: 1e999.\n' \
    calc --none 1e999 100 22000 4700 2200 470
calc 2 "" "tindrel: calc: choose one of --si, --ge and --none
$usage" calc --si --ge -12 100 22000 4700 2200 470
calc 2 "" "tindrel: unknown option '--frobnicate'
$usage" --frobnicate
calc 2 "" "tindrel: unexpected argument 'stray.dat'; the window takes no file (for a calculation, see 'tindrel calc')
$usage" stray.dat
# A Qt option's value as the next word, as Qt's own list in --help-all shows it.
calc 0 "Tindrel $version
" "" -qmljsdebugger port:1234 -style fusion --version
calc 2 "" "tindrel: calc needs six values, VCC BETA R1 R2 RC RE; 2 given
$usage" calc 12 100
# The stage as an amplifier: the six lines, then its table; a bad AC value
# keeps the six lines and says why there are no figures.
amplifier='re         8.694 Ω
gm         113.9e-3 S
rπ         878.1 Ω
ro         –
|Av|       205.4
|Avs|      111.7
Zin        715.8 Ω
Zout       2.200e+3 Ω
f(Cin)     1.779 Hz
f(Ce)      11.84 Hz
f(Cout)    1.918 Hz
fL         12.38 Hz
fH         539.4e+3 Hz
Swing      3.921 V
Max input  35.10e-3 V
HD2        3.328 %
Cin        68.00e-6 F
Ce         1.000e-3 F
Cout       6.800e-6 F
'
calc 0 "$worked$amplifier" "" calc --pick-caps 20 12 100 22000 4700 2200 470
calc 1 "$worked" $'No analysis: --cin cannot be read from "x" on.\n' \
    calc --ac --cin 10x 12 100 22000 4700 2200 470
calc 1 "" "$read_as_strict" calc --strict --ac 12 100 22k 4700 2200 470
calc 2 "" "tindrel: calc: option '--rs' needs a value
$usage" calc 12 100 22000 4700 2200 470 --rs
printf 'R1,R2,Rc,Re,Vcc,Beta,Material\r\n22000,4700,2200,470,12,100,\r\n' >"$work/in"
input="$work/in" calc 0 $'R1,R2,Rc,Re,Vcc,Beta,Material,Ic_mA,Ve,Vc,PR1,PR2,PRe,PRc,Pc,Pc0,S,Fault\r
22000,4700,2200,470,12,100,,4.114,1.953,2.949,4.057e-3,1.387e-3,8.116e-3,37.24e-3,4.096e-3,41.34e-3,8.240,\r\n' \
    $'line 2: Select Silicon or Germanium.\n' calc --csv --shown
# A field not read whole: its Fault cell and its message say it for a shell.
printf 'Vcc,Beta,R1,R2,Rc,Re\n12,100,22k,4700,2200,470\n' >"$work/in"
input="$work/in" calc 0 'Vcc,Beta,R1,R2,Rc,Re,Ic_mA,Ve,Vc,PR1,PR2,PRe,PRc,Pc,Pc0,S,Fault
12,100,22k,4700,2200,470,,,,,,,,,,,"R1: Read as 22.00: the text from ""k"" on is not read; write 22000, or use --strict to stop here."
' "line 2: $read_as" calc --csv

input="$work" calc 1 "" $'tindrel: could not read the input: Is a directory\n' calc --csv

# SPICE's figures after the hand's, from the helper beside the program: the
# worked example as an amplifier, and a batch whose second row is refused
# while the rows around it are simulated by the one helper.
calc 0 "${worked}SPICE (2N3904):
Ic         2.853e-3 A
Vce        4.376 V
Vbe        692.4e-3 V
Ic/Ib      156.0
" "" calc --spice 2N3904 12 100 22000 4700 2200 470
env -u DISPLAY "$program" calc --ac --spice 2N3904 12 100 22000 4700 2200 470 >"$work/out" 2>&1
for row in '|Av|       178.3' '|Avs|      117.2' 'Zin        1.149e+3 Ω' 'fL         129.6 Hz' \
           'fH         937.0e+3 Hz' 'THD        3.697 %' 'hfe        172.4'; do
    grep -qF -- "$row" "$work/out" || { printf 'FAIL: calc --ac --spice lacks "%s":\n%s\n' "$row" "$(cat "$work/out")"; failed=1; }
done
# In cut-off the base takes no current: no Ic/Ib, as in the windows.
env -u DISPLAY "$program" calc --spice 2N3904 12 100 220000 10 2200 470 >"$work/out" 2>&1
grep -qF -- 'Ic/Ib      –' "$work/out" || { printf 'FAIL: calc --spice in cut-off:\n%s\n' "$(cat "$work/out")"; failed=1; }
printf 'Vcc,Beta,R1,R2,Rc,Re\n12,100,22000,4700,2200,470\n12,100,22000,4700,2200,0.1\n9,100,47000,10000,470,100\n' |
    env -u DISPLAY "$program" calc --csv --shown --spice BC547B >"$work/out" 2>&1
expected_spice="Spice_Ic,Spice_Vce,Spice_Vbe,Spice_hFE,Spice_Fault,Fault
2.981e-3,4.036,667.4e-3,294.2,,
,,,,no simulation: Re lies outside 1 Ω to 1 GΩ,"
if [[ "$(cut -d, -f17- "$work/out" | head -n 3)" != "$expected_spice" ||
      ! "$(sed -n 4p "$work/out" | cut -d, -f17)" =~ ^[0-9] ]]; then
    printf 'FAIL: calc --csv --spice:\n%s\n' "$(cat "$work/out")"
    failed=1
fi

# A maker's file for this run: an LTspice-style PNP card with keys of its own,
# simulated by name in the mirror; its refused card told on stderr, and named
# with --spice it ends the run with status 2 and the reason.
cat >"$work/maker.lib" <<'EOF'
* maker's library
.MODEL MY3906 pnp(Is=1.41f Xti=3 Eg=1.11 Vaf=18.7 Bf=180.7 Ne=1.5 Ise=0 Ikf=80m Xtb=1.5
+ Br=4.977 Nc=2 Isc=0 Ikr=0 Rc=2.5 Cjc=9.728p Mjc=.5776 Vjc=.75 Fc=.5 Cje=8.063p Mje=.3677
+ Vje=.75 Tr=33.42n Tf=179.3p Itf=.4 Vtf=4 Xtf=6 Rb=10 Vceo=40 Icrating=200m mfg=Maker)
.model BAD NPN(BF={bf})
EOF
maker() {
    env -u DISPLAY XDG_DATA_HOME="$work/data" "$program" calc --model-file "$work/maker.lib" "$@" \
        >"$work/out" 2>"$work/err"
}
maker --spice MY3906 12 100 22000 4700 2200 470
status=$?
if ((status != 0)) || ! grep -qF 'Ic         2.820e-3 A' "$work/out" ||
    ! grep -qF 'BAD is refused: it holds braces' "$work/err" ||
    ! grep -qF -- '--spice MY3906: left out of its card in' "$work/err" ||
    ! grep -qF 'MFG (not a parameter the simulation takes)' "$work/err"; then
    printf 'FAIL: calc --model-file --spice MY3906 (%d):\n%s\n%s\n' "$status" "$(cat "$work/out")" "$(cat "$work/err")"
    failed=1
fi
maker --spice BAD 12 100 22000 4700 2200 470
status=$?
if ((status != 2)) || ! grep -qF -- '--spice BAD: the card in' "$work/err"; then
    printf 'FAIL: calc --spice BAD (%d):\n%s\n' "$status" "$(cat "$work/err")"
    failed=1
fi
maker --parts
if ! grep -qE '^2N3906 +PNP  built in +Vceo 40 V, Ic 0.2 A, Pd 0.625 W$' "$work/out" ||
    ! grep -qE '^MY3906 +PNP  from .*maker.lib Vceo 40 V, Ic 0.2 A$' "$work/out"; then
    printf 'FAIL: calc --parts:\n%s\n' "$(cat "$work/out")"
    failed=1
fi

# The window without a display: one line, and no core dump. A display named
# but not there is told after Qt's own word on it.
calc 1 "" $'tindrel: no display; tindrel calc works without one\n'
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:7391 XDG_RUNTIME_DIR="$work" \
    timeout 10 "$program" >"$work/out" 2>"$work/err"
status=$?
if [[ "$status" != 1 || "$(tail -n 1 "$work/err")" != \
      "tindrel: no window can be shown here; tindrel calc works without one" ]]; then
    printf 'FAIL: tindrel with DISPLAY=:7391: status %s (expected 1)\nstderr:\n%s\n' \
        "$status" "$(cat "$work/err")"
    failed=1
fi

((failed == 0)) && echo PASS
exit "$failed"
