#!/usr/bin/env bash
# Runs a command with the services the real application needs: an Xvfb display and
# JACK's dummy backend at 44.1 kHz / 512 frames (it paces blocks like a sound card would).
# Both are private to this run and stopped afterwards.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
run_dir="$(mktemp -d /tmp/tindle-services.XXXXXX)"

display_number=$(( 90 + RANDOM % 400 ))
Xvfb ":$display_number" -screen 0 1280x1024x24 -nolisten tcp >"$run_dir/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display_number"

export JACK_DEFAULT_SERVER="tindle-$$"
export JACK_NO_AUDIO_RESERVATION=1
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 44100 -p 512 -C 2 -P 2 >"$run_dir/jackd.log" 2>&1 &
jack_pid=$!

cleanup() { kill "$jack_pid" "$xvfb_pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$run_dir"; }
trap cleanup EXIT

for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X$display_number" ] && jack_lsp >/dev/null 2>&1 && break
  sleep 0.1
done
export TINDLE_SERVICES_LOG="$run_dir"
"$@"
