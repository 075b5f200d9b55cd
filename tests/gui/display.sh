# Sourced by the GUI scripts: a virtual X display of their own, so that screenshots show only their
# windows and two scripts never share one.
#   start_display FIRST LAST SIZE   (for example: start_display 91 120 1280x1024)
# takes the first free display number from FIRST to LAST, starts Xvfb there at SIZE, exports DISPLAY,
# sets xvfb_pid (the caller stops it on exit) and returns once the display answers (5 s at most).
start_display() {
  local n display=""
  for n in $(seq "$1" "$2"); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
  done
  Xvfb "$display" -screen 0 "$3x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY="$display"
  for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
}
