#!/usr/bin/env bash
# bench/lighthouse.sh [RUNS]
# Lighthouse's scores of the built web page: its default run (a mobile
# device, simulated Slow 4G and a 4x slower CPU), RUNS times (default 4), on
# the page served from a local server on 127.0.0.1, in headless Chromium.
# Prints performance, accessibility, best practices and SEO of each run with
# the paints and blocking time behind the performance score, and the lowest
# of each score over the runs.
# Lighthouse comes from npm, pinned to 12.2.3 (13 wants a newer Node.js than
# 20), installed once into build-lighthouse/ (needs the npm registry; npm
# itself, where it is missing, from scripts/deps.sh lighthouse). Not part of
# CI.
# Environment: WEB (the page's folder, default ./build-web/web, as
# scripts/test.sh builds it), CHROME_PATH (default chromium-headless-shell,
# else chromium), LIGHTHOUSE_DIR (default ./build-lighthouse), KEEP=DIR keeps
# each run's JSON report in DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
RUNS=${1:-4}
WEB=${WEB:-$ROOT/build-web/web}
LH_DIR=${LIGHTHOUSE_DIR:-$ROOT/build-lighthouse}
LH_VERSION=12.2.3

[ -f "$WEB/index.html" ] || { echo "lighthouse: no page in $WEB (build the web tree)" >&2; exit 1; }
if [ -z "${CHROME_PATH:-}" ]; then
  CHROME_PATH=$(command -v chromium-headless-shell || command -v chromium || true)
fi
[ -n "$CHROME_PATH" ] || { echo "lighthouse: no chromium-headless-shell or chromium" >&2; exit 1; }
export CHROME_PATH
command -v npm >/dev/null || "$ROOT/scripts/deps.sh" lighthouse

LH=$LH_DIR/node_modules/.bin/lighthouse
if [ ! -x "$LH" ] || [ "$("$LH" --version)" != "$LH_VERSION" ]; then
  mkdir -p "$LH_DIR"
  echo "lighthouse: installing lighthouse@$LH_VERSION into $LH_DIR"
  (cd "$LH_DIR" && npm install --no-audit --no-fund --loglevel=error "lighthouse@$LH_VERSION" >/dev/null)
fi

tmp=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$tmp"' EXIT
# A free port, then the server on it.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$WEB" >/dev/null 2>&1 &
server=$!
for _ in $(seq 50); do
  python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/index.html')" \
    2>/dev/null && break
  sleep 0.1
done

# The flags that keep Chromium off the network it cannot reach here.
FLAGS="--headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
--disable-background-networking --disable-component-update --disable-sync --disable-dev-shm-usage"
echo "Lighthouse $LH_VERSION, default (mobile) run, $RUNS runs: $(basename "$CHROME_PATH"), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
for run in $(seq "$RUNS"); do
  "$LH" "http://127.0.0.1:$port/index.html" --quiet --output=json --output-path="$tmp/run-$run.json" \
    --chrome-flags="$FLAGS" >/dev/null 2>"$tmp/run-$run.log" ||
    { echo "lighthouse: run $run failed:" >&2; cat "$tmp/run-$run.log" >&2; exit 1; }
  [ -z "${KEEP:-}" ] || { mkdir -p "$KEEP"; cp "$tmp/run-$run.json" "$KEEP/"; }
done
python3 - "$tmp" "$RUNS" <<'EOF'
import json, sys
folder, runs = sys.argv[1], int(sys.argv[2])
cats = ['performance', 'accessibility', 'best-practices', 'seo']
print(f'{"run":>3}  {"perf":>5} {"a11y":>5} {"best":>5} {"seo":>5}   '
      f'{"FCP":>6} {"LCP":>6} {"SI":>6} {"TBT":>7} {"CLS":>5}  largest paint')
low = {c: 1.0 for c in cats}
for run in range(1, runs + 1):
    r = json.load(open(f'{folder}/run-{run}.json'))
    score = {c: r['categories'][c]['score'] for c in cats}
    for c in cats:
        low[c] = min(low[c], score[c])
    a = r['audits']
    ms = lambda k: a[k]['numericValue']
    # (Lighthouse 12 cannot name the element from this Chromium's trace; the
    # metrics say whether an image was the largest paint.)
    m = a['metrics']['details']['items'][0]
    element = 'an image' if m.get('lcpLoadStart') is not None else 'text'
    print(f'{run:>3}  ' + ' '.join(f'{score[c]:5.2f}' for c in cats) +
          f'   {ms("first-contentful-paint"):5.0f}ms {ms("largest-contentful-paint"):4.0f}ms'
          f' {ms("speed-index"):4.0f}ms {ms("total-blocking-time"):5.0f}ms'
          f' {a["cumulative-layout-shift"]["numericValue"]:5.3f}  {element}')
print('lowest ' + ' '.join(f'{low[c]:5.2f}' for c in cats))
EOF
