#!/usr/bin/env bash
# Runs a command on the current X display with the openbox window manager, since a window
# manager changes how dialogs are sized, placed and focused. Meant to run under xvfb-run:
#   xvfb-run -a -s "-screen 0 1280x1024x24" scripts/with-window-manager.sh ctest --preset ci
set -uo pipefail

if [ -z "${DISPLAY:-}" ]; then
  echo "with-window-manager.sh: no DISPLAY; run it under xvfb-run" >&2
  exit 1
fi
command -v openbox >/dev/null || { echo "with-window-manager.sh: openbox is not installed" >&2; exit 1; }

# A configuration of our own, so that the user's openbox settings do not leak into tests.
config_home=$(mktemp -d)
trap 'rm -rf "$config_home"' EXIT
XDG_CONFIG_HOME="$config_home" openbox --sm-disable >"$config_home/openbox.log" 2>&1 &
manager=$!

# openbox takes over the root window's _NET_SUPPORTING_WM_CHECK once it manages the screen.
for _ in $(seq 100); do
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then break; fi
  if ! kill -0 "$manager" 2>/dev/null; then
    echo "with-window-manager.sh: openbox did not start:" >&2
    cat "$config_home/openbox.log" >&2
    exit 1
  fi
  sleep 0.1
done

"$@"
status=$?
kill "$manager" 2>/dev/null
wait "$manager" 2>/dev/null
exit $status
