# Sourced by the Wine tests that run a Windows program against the Linux simulator: COM5 is mapped
# (HKLM\Software\Wine\Ports) to a link that the simulator points at its pseudo-terminal.
# The sourcing script sets `sim` (the simulator), `link` (the Unix end of COM5) and
# `line_wait_tenths` (how long the simulator may take to make its line) before it calls these.

sim_pid=""
failures=0
# Programs started in the background end with the test, even when it is killed (a test runner
# that times out kills only the process it started).
until_we_end=(setpriv --pdeathsig TERM)

# Counts a failed check and says which; the test goes on to the next one.
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

stop_sim() {
  if [[ -n $sim_pid ]]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=""
  fi
}

# start_sim_on_com5 FOLDER [OPTION...]: starts the simulator (sample settings of format 1, seed
# 11, further options as given) with its line at COM5's link, its output in FOLDER/sim.out and
# FOLDER/sim.err; fails the check and returns 1 when no line comes.
start_sim_on_com5() {
  local folder=$1
  shift
  rm -f "$link"
  "${until_we_end[@]}" "$sim" --format 1 --seed 11 --link "$link" "$@" \
    >"$folder/sim.out" 2>"$folder/sim.err" &
  sim_pid=$!
  for ((i = 0; i < line_wait_tenths; ++i)); do
    [[ -e $link ]] && return 0
    sleep 0.1
  done
  fail "$(basename "$folder"): the simulator made no line: $(cat "$folder/sim.err")"
  return 1
}

# map_com5: COM5 leads to the link. Wine reads the mapping when its device manager starts, so the
# prefix's Wine server starts anew; it and Wine's other processes keep running after the test,
# started here with their output going nowhere so that none of them holds the test's.
map_com5() {
  wineserver -k >/dev/null 2>&1 || true
  wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /t REG_SZ /d "$link" /f >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1 || true
  wineserver -p >/dev/null 2>&1 || true
  wine cmd /c exit </dev/null >/dev/null 2>&1
}
