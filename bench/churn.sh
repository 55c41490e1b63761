#!/usr/bin/env bash
# What stays behind after the player opens and tears down its pipeline, over and over, on
# loopback: resident memory after 10, 100 and 500 opens with the allocator's figures and
# malloc_trim's effect (player_churn_bench), then valgrind's leak check over a short and a
# longer loop, so what grows with the opens stands out from what is allocated once.
#   bench/churn.sh [OPENS (500)] [VALGRIND_OPENS (6,30); "none" skips valgrind]
set -euo pipefail
cd "$(dirname "$0")/.."
opens=${1:-500}
vg=${2:-6,30}
audio=/tmp/radio-bench/test-128k.mp3
[ -s "$audio" ] || ../shared/bench/make-stream.sh --out "$(dirname "$audio")" >/dev/null
cmake --build build -j2 --target player_churn_bench >/dev/null
exe=build/bench/player_churn_bench
export VANTOR_AUDIO_SINK="fakesink sync=true" GIO_USE_PROXY_RESOLVER=dummy no_proxy=127.0.0.1,localhost
export QT_LOGGING_RULES="vantor.player.info=false;vantor.player.debug=false"

echo "== $opens opens, memory at each checkpoint"
"$exe" "$audio" "$opens" "10,100,$opens"

[ "$vg" = none ] && exit 0
command -v valgrind >/dev/null || { echo "valgrind missing (apt-get install valgrind)"; exit 1; }
supp=()
[ -f /usr/share/glib-2.0/valgrind/glib.supp ] && supp+=(--suppressions=/usr/share/glib-2.0/valgrind/glib.supp)
log=$(mktemp -d /tmp/vantor-churn.XXXXXX)
for n in ${vg//,/ }; do
  echo
  echo "== valgrind, $n opens (log $log/valgrind-$n.txt)"
  # GLib's slice allocator off, so each block is a malloc of its own that valgrind can follow.
  G_SLICE=always-malloc G_DEBUG=gc-friendly valgrind --leak-check=full --show-leak-kinds=definite,indirect \
      --num-callers=30 "${supp[@]}" --log-file="$log/valgrind-$n.txt" "$exe" "$audio" "$n" "$n" >"$log/out-$n.txt" || true
  grep -E "^==[0-9]+== +(definitely|indirectly|possibly) lost:|still reachable:" "$log/valgrind-$n.txt" |
      sed 's/^==[0-9]*== */  /'
done
echo
echo "Definitely lost blocks by where they were allocated, largest first ($log):"
for n in ${vg//,/ }; do
  echo "  -- $n opens"
  python3 - "$log/valgrind-$n.txt" <<'EOF'
import re, sys
text = open(sys.argv[1]).read()
pat = re.compile(r"== ([\d,]+) (?:\(([\d,]+) direct, ([\d,]+) indirect\) )?bytes in ([\d,]+) blocks are definitely lost.*?\n((?:==\d+==    (?:at|by) .*\n)+)")
rows = []
for m in pat.finditer(text):
    frames = [re.sub(r"^==\d+==\s+(at|by) 0x[0-9A-F]+: ", "", l) for l in m.group(5).splitlines()]
    ours = [f for f in frames if not re.match(r"(malloc|calloc|realloc|g_malloc|g_malloc0|g_realloc|operator new)", f)]
    rows.append((int(m.group(1).replace(",", "")), int(m.group(4).replace(",", "")), " <- ".join(ours[:4])))
for size, blocks, where in sorted(rows, reverse=True)[:8]:
    print("    %8d bytes in %4d blocks: %s" % (size, blocks, where[:220]))
if not rows:
    print("    none")
EOF
done
