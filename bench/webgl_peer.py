#!/usr/bin/python3
"""Our GL layer against Emscripten's legacy GL emulation, side by side in one
headless Chromium (software WebGL): the web build's page (--ours) and the
same page built over the emulation (--peer, bench/webgl_peer/), each served
from a local server and opened in turn, RUNS times, in a fresh tab each time.
The demo runs on its stepped clock (1/60 s a frame, so both draw the same
frames however fast they go) without sound (only the drawing differs).

For each run, over FRAMES frames after WARM warm-up frames: frames per
second; the main thread's busy time per frame (the renderer's task time,
from the DevTools Performance metrics: the frame's JavaScript and WebAssembly,
the WebGL calls, garbage collection, the page's own work); and the time per
frame spent in the animation-frame callbacks alone, which is the demo's frame
(the window layer, the demo, the GL layer and its WebGL calls). Frame 30 of
each build is compared, and both are kept in --out if given."""
import argparse, os, statistics, sys, time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'web'))
import page_test  # noqa: E402  (the page tests' browser driver, server and frame comparison)

# Times the animation-frame callbacks and keeps the page's WebGL context,
# installed before the page's scripts.
RAF_TIMER = '''(() => {
  const raf = window.requestAnimationFrame.bind(window);
  const bench = window.quonBench = { ms: 0, calls: 0, gl: null };
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function(kind, ...rest) {
    const c = getContext.call(this, kind, ...rest);
    if (c && !bench.gl && kind.startsWith('webgl')) bench.gl = c;
    return c;
  };
  window.requestAnimationFrame = (cb) => raf((t) => {
    const t0 = performance.now();
    try { cb(t); } finally { bench.ms += performance.now() - t0; ++bench.calls; }
  });
})();'''
SAMPLE = '[performance.now(), window.quonTest.framesShown, window.quonBench.ms]'
# Counts the WebGL calls of the next ten frames, by name (after the
# measurement: the counting slows them).
COUNT_CALLS = '''new Promise((ok) => {
  const gl = window.quonBench.gl, counts = {}, saved = {};
  for (const name in gl) {
    if (typeof gl[name] !== 'function') continue;
    saved[name] = gl[name];
    gl[name] = function(...args) {
      counts[name] = (counts[name] || 0) + 1;
      return saved[name].apply(gl, args);
    };
  }
  const from = window.quonTest.framesShown;
  const wait = () => {
    if (window.quonTest.framesShown < from + 10) return setTimeout(wait, 5);
    for (const name in saved) delete gl[name];
    ok(counts);
  };
  wait();
})'''
GRAB = 30
ROW = ('{:5.1f} fps | main thread: busy {:5.2f}, CPU {:5.2f}, in the frame callback {:5.2f} | '
       'CPU: renderer {:5.2f}, GPU process {:5.2f}')


def cpu_ms(browser):
    """CPU time (ms) used so far by the browser's renderer processes, by
    their main threads, and by its GPU process."""
    tick, procs = os.sysconf('SC_CLK_TCK'), {}

    def cpu(stat_file):  # ms of user and system time
        with open(stat_file) as f:
            stat = f.read().rsplit(')', 1)[1].split()
        return int(stat[1]), (int(stat[11]) + int(stat[12])) * 1000 / tick

    for pid in filter(str.isdigit, os.listdir('/proc')):
        try:
            ppid, ms = cpu(f'/proc/{pid}/stat')
            _, main_ms = cpu(f'/proc/{pid}/task/{pid}/stat')
            with open(f'/proc/{pid}/cmdline', 'rb') as f:
                # (the zygote's children rewrite it as one string)
                args = f.read().replace(b'\0', b' ')
        except OSError:
            continue
        procs[int(pid)] = (ppid, args, ms, main_ms)

    def ours(pid):  # started by the browser (the command may be a script that starts it)
        while pid > 1 and pid in procs:
            pid = procs[pid][0]
            if pid == browser.proc.pid:
                return True
        return False

    def total(kind, k):
        return sum(p[k] for pid, p in procs.items() if b'--type=' + kind + b' ' in p[1] and ours(pid))
    return total(b'renderer', 2), total(b'renderer', 3), total(b'gpu-process', 2)


def run_once(browser, url, warm, frames):
    """One page in a fresh tab: returns fps, the main thread's busy time and
    CPU time, the frame callbacks' time, the renderer processes' CPU time and
    the GPU process's, per frame in ms; the grabbed frame, the page's log and
    the WebGL calls per frame."""
    target = browser.call('Target.createTarget', {'url': 'about:blank'})['targetId']
    s = browser.call('Target.attachToTarget', {'targetId': target, 'flatten': True})['sessionId']
    try:
        browser.call('Page.enable', {}, s)
        browser.call('Performance.enable', {}, s)
        browser.call('Page.addScriptToEvaluateOnNewDocument', {'source': RAF_TIMER}, s)
        browser.call('Page.navigate', {'url': f'{url}?step=16.667&audio=refuse&grab={GRAB}'}, s)
        timeout = 60 + (warm + frames) * 0.5  # generous: 2 fps on a loaded machine

        def sample(n):
            browser.wait(s, f'window.quonTest.framesShown >= {n} || window.quonTest.ended || '
                         'window.quonTest.failure', timeout, 'null')
            metrics = {m['name']: m['value']
                       for m in browser.call('Performance.getMetrics', {}, s)['metrics']}
            return browser.eval(s, SAMPLE), metrics['TaskDuration'], cpu_ms(browser)

        (t0, f0, cb0), task0, cpu0 = sample(warm)
        (t1, f1, cb1), task1, cpu1 = sample(f0 + frames)
        r = browser.wait(s, 'true')
        if r['ended'] or r['failure'] or f1 - f0 < frames:
            raise RuntimeError(f'{url}: the demo stopped ({r["ended"] or r["failure"]}): '
                               f'{r["notes"]} {r["log"]}')
        n = f1 - f0
        grabbed = r['frames'].get(str(GRAB))
        calls = {k: v / 10 for k, v in browser.eval(s, COUNT_CALLS, timeout).items()}
        ren, main, gpu = ((b - a) / n for a, b in zip(cpu0, cpu1))
        return ((n / ((t1 - t0) / 1000), (task1 - task0) * 1000 / n, main, (cb1 - cb0) / n,
                 ren, gpu),
                grabbed and page_test.decode_png(grabbed), r['log'], calls)
    finally:
        browser.call('Target.closeTarget', {'targetId': target})


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--ours', required=True, help="the web build's page folder")
    ap.add_argument('--peer', required=True, help="the peer build's page folder")
    ap.add_argument('--runs', type=int, default=3)
    ap.add_argument('--frames', type=int, default=300)
    ap.add_argument('--warm', type=int, default=60)
    ap.add_argument('--out', help='folder for the frames compared')
    ap.add_argument('--chromium', default='chromium-headless-shell')
    a = ap.parse_args()

    for folder in (a.ours, a.peer):  # (the build's demo-web-page target writes the page)
        if not os.path.isfile(os.path.join(folder, 'index.html')):
            sys.exit(f'webgl peer: {folder} holds no index.html: build its demo-web-page target')
    # The browser's pipe must not land on descriptors 3 and 4, which it is
    # given as: held by the servers' sockets or by these.
    hold = [os.open('/dev/null', os.O_RDONLY) for _ in range(2)]
    builds = {'ours': page_test.serve(os.path.abspath(a.ours)),
              'peer': page_test.serve(os.path.abspath(a.peer))}
    browser = page_test.Browser(a.chromium)
    for fd in hold:
        os.close(fd)
    results = {name: [] for name in builds}
    frames = {}
    try:
        print(f'webgl peer: headless Chromium, software WebGL (SwiftShader), 1024x768, '
              f'{os.cpu_count()} cores, load average {os.getloadavg()[0]:.2f}; {a.runs} runs '
              f'of {a.frames} frames after {a.warm}, in turns')
        for i in range(a.runs):
            for name, (_, url) in builds.items():
                figures, picture, log, calls = run_once(browser, url, a.warm, a.frames)
                results[name].append(figures)
                print(f'  run {i + 1} {name}: ' + ROW.format(*figures), flush=True)
                if i == 0:
                    frames[name] = picture
                    top = sorted(calls.items(), key=lambda c: -c[1])
                    print(f'    WebGL calls per frame: {sum(calls.values()):.0f} (' +
                          ', '.join(f'{k} {v:g}' for k, v in top) + ')')
    finally:
        browser.close()
        for server, _ in builds.values():
            server.shutdown()

    # The figures compare like with like only where both draw the same picture.
    same = False
    if frames.get('ours') and frames.get('peer'):
        print(f'== frame {GRAB}, the peer\'s against ours:')
        share = page_test.compare(frames['peer'], frames['ours'])
        print(f'     {share * 100:.4f}% of the pixels differ by more than {page_test.PIXEL_TOL}')
        same = share <= page_test.SHARE_TOL
        if a.out:
            os.makedirs(a.out, exist_ok=True)
            for name, picture in frames.items():
                picture.save(os.path.join(a.out, f'{name}-frame-{GRAB}.png'))
    med = {name: [statistics.median(f[k] for f in runs) for k in range(6)]
           for name, runs in results.items()}
    print(f'== median of {a.runs} runs (ms per frame)')
    for name, label in (('ours', 'quongl (WebGL 2)'), ('peer', 'Emscripten GL emulation')):
        print(f'  {label:24s} ' + ROW.format(*med[name]))
    o, p = med['ours'], med['peer']
    print(f'  ours against the peer: {o[0] / p[0]:.2f}x the frame rate; per frame '
          f'{o[1] / p[1]:.2f}x the main thread\'s busy time, {o[2] / p[2]:.2f}x its CPU time, '
          f'{o[3] / p[3]:.2f}x the frame callback\'s time, {o[5] / p[5]:.2f}x the GPU process\'s '
          f'CPU time')
    if not same:
        print(f'webgl peer: the two builds do not draw the same frame {GRAB}: the figures do not '
              'compare the same work', file=sys.stderr)
    return 0 if same else 1


if __name__ == '__main__':
    sys.exit(main())
