#!/usr/bin/python3
"""Loads the web build's page in headless Chromium (software WebGL) from a
local server on 127.0.0.1 and checks it: frames 0, 30 and 74 at 40 ms steps
against the Linux demo's frames under the frame clock, also after the
graphics context was lost and restored; the music that the page's audio
graph plays (the first second, and past the end the loop from the build's loop point,
without a gap while every frame takes 150 ms; the first second through the
fallback without AudioWorklet; within 100 ms of the demo's clock after the
audio context was suspended and after the worklet ran dry); the poster and
the progress while the module loads, the click-to-start overlay, a tap on a
touch screen, fullscreen (a held F switches once), Escape, the silent path
when audio is refused, and the one-line failures (no WebAssembly, no WebGL 2,
a failed download, a context that cannot be restored). With --fps it only
prints the frame rate seen in the browser."""
import argparse, base64, fcntl, io, json, os, subprocess, sys, tempfile, threading, time
import functools, http.server
from PIL import Image, ImageChops

# Software WebGL against Mesa's llvmpipe: pixels whose largest channel
# difference exceeds PIXEL_TOL count as different; at most SHARE_TOL (0.1%) of the
# picture may differ (edges of triangles and of texture filtering).
PIXEL_TOL = 40
SHARE_TOL = 0.001
RATE = 44100
SLOW_MS = 150  # busy work after every frame in the sound test
SYNC_MS = 100  # how far the music heard may be from the demo's clock
LATE_MS = 300  # the start-up's hold between the music's start and its first mix


class Browser:
    """One headless Chromium, driven through its DevTools pipe."""

    def __init__(self, chromium):
        r1, w1 = os.pipe()  # to the browser (its fd 3)
        r2, w2 = os.pipe()  # from the browser (its fd 4)
        def fds():
            # Copies above 4 first, so that neither end is overwritten, and
            # dup2 onto another number, which clears close-on-exec.
            a, b = fcntl.fcntl(r1, fcntl.F_DUPFD, 10), fcntl.fcntl(w2, fcntl.F_DUPFD, 10)
            os.dup2(a, 3)
            os.dup2(b, 4)
        self.proc = subprocess.Popen(
            [chromium, '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
             '--autoplay-policy=no-user-gesture-required', '--remote-debugging-pipe',
             '--window-size=1024,768', '--user-data-dir=' + tempfile.mkdtemp(), 'about:blank'],
            preexec_fn=fds, close_fds=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(r1)
        os.close(w2)
        self.out = os.fdopen(w1, 'wb')
        self.inp = os.fdopen(r2, 'rb')
        self.next = 0
        self.buf = b''

    def call(self, method, params=None, session=None):
        self.next += 1
        msg = {'id': self.next, 'method': method, 'params': params or {}}
        if session:
            msg['sessionId'] = session
        self.out.write(json.dumps(msg).encode() + b'\0')
        self.out.flush()
        while True:
            while b'\0' not in self.buf:
                chunk = self.inp.read1(1 << 20)
                if not chunk:
                    raise RuntimeError('browser closed the pipe')
                self.buf += chunk
            line, self.buf = self.buf.split(b'\0', 1)
            reply = json.loads(line)
            if reply.get('id') == self.next:
                if 'error' in reply:
                    raise RuntimeError(f'{method}: {reply["error"]}')
                return reply['result']

    def open(self, url, before=None, touch=False):
        """Opens url in a new tab; before: a script that runs in the page ahead
        of its own; touch: a touch screen instead of a mouse."""
        target = self.call('Target.createTarget',
                           {'url': 'about:blank' if before or touch else url})['targetId']
        session = self.call('Target.attachToTarget', {'targetId': target, 'flatten': True})['sessionId']
        if before or touch:
            if before:
                self.call('Page.enable', {}, session)
                self.call('Page.addScriptToEvaluateOnNewDocument', {'source': before}, session)
            if touch:
                self.call('Emulation.setTouchEmulationEnabled', {'enabled': True,
                                                                 'maxTouchPoints': 1}, session)
            self.call('Page.navigate', {'url': url}, session)
        for _ in range(400):  # until the page itself, not the blank one before it, answers
            try:
                if self.eval(session, 'location.href !== "about:blank" && !!window.quonTest', 5):
                    return session
            except RuntimeError:
                pass
            time.sleep(0.05)
        raise RuntimeError('the page did not load: ' + url)

    def eval(self, session, expr, timeout=60):
        r = self.call('Runtime.evaluate', {'expression': expr, 'awaitPromise': True,
                                           'returnByValue': True, 'timeout': timeout * 1000},
                      session)
        if 'exceptionDetails' in r:
            raise RuntimeError(f'{expr}: {r["exceptionDetails"]}')
        return r['result'].get('value')

    def wait(self, session, cond, timeout=60, result='window.quonTest'):
        """Waits until the page expression cond is true; returns the value of
        result (by default window.quonTest)."""
        return self.eval(session, f'''new Promise((ok, fail) => {{
            const t0 = Date.now();
            const f = () => {{
                try {{ if ({cond}) return ok(JSON.parse(JSON.stringify({result}))); }} catch (e) {{}}
                if (Date.now() - t0 > {timeout * 1000}) return fail(new Error('timed out: {cond}'));
                setTimeout(f, 50);
            }};
            f();
        }})''', timeout + 5)

    def key(self, session, key, vk, repeats=0, every=0.0):
        """A key pressed, held for `repeats` repeats `every` seconds apart, and
        released."""
        for n in range(repeats + 1):
            if n:
                time.sleep(every)
            self.call('Input.dispatchKeyEvent', {'type': 'keyDown', 'key': key, 'code': key,
                                                 'windowsVirtualKeyCode': vk,
                                                 'autoRepeat': n > 0}, session)
        self.call('Input.dispatchKeyEvent', {'type': 'keyUp', 'key': key, 'code': key,
                                             'windowsVirtualKeyCode': vk}, session)

    def tap(self, session, x, y):
        for kind, points in (('touchStart', [{'x': x, 'y': y}]), ('touchEnd', [])):
            self.call('Input.dispatchTouchEvent', {'type': kind, 'touchPoints': points}, session)

    def click(self, session, x, y, count=1):
        for n in range(1, count + 1):
            for kind in ('mousePressed', 'mouseReleased'):
                self.call('Input.dispatchMouseEvent', {'type': kind, 'x': x, 'y': y,
                                                       'button': 'left', 'clickCount': n}, session)

    def close(self):
        self.proc.kill()
        self.proc.wait()


# Whether the click-to-start overlay is drawn (its style decides, not only its
# hidden attribute).
OVERLAY_SHOWN = 'getComputedStyle(document.getElementById("start")).display !== "none"'
FULLSCREEN = 'document.fullscreenElement !== null'
# The loading's progress bar, its status line, whether it and the poster, the
# prompt and the canvas show, the note at the bottom and its reload button.
PROGRESS = 'Number(document.getElementById("progress").value)'
STATUS = 'document.getElementById("status").textContent'
SHOWN = ('(e => !!e && e.getClientRects().length > 0 && '
         'getComputedStyle(e).visibility === "visible")')
LOADING_SHOWN = SHOWN + '(document.getElementById("loading"))'
POSTER_SHOWN = ('(' + SHOWN + '(document.getElementById("poster")) && '
                'document.getElementById("poster").naturalWidth > 0)')
CANVAS_SHOWN = SHOWN + '(document.getElementById("canvas"))'
PROMPT = ('(' + SHOWN + '(document.getElementById("prompt")) ? '
          'document.getElementById("prompt").textContent : "")')
NOTE = 'document.getElementById("note").textContent'
RELOAD_BUTTON = '!!document.querySelector("#note button")'
# The page's clock and frame count, to measure the frame time.
CLOCK = '[performance.now(), window.quonTest.framesShown]'


def serve(folder, slow=(), missing=()):
    """A local server for folder: the files named in slow trickle out (64 KiB
    every 40 ms, about 1.6 MB/s), those in missing are not found."""
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def send_head(self):
            if os.path.basename(self.path.split('?')[0]) in missing:
                self.send_error(404)
                return None
            return super().send_head()

        def copyfile(self, source, dest):
            if os.path.basename(self.path.split('?')[0]) not in slow:
                return super().copyfile(source, dest)
            while True:
                chunk = source.read(65536)
                if not chunk:
                    break
                dest.write(chunk)
                dest.flush()
                time.sleep(0.04)
    handler = functools.partial(Quiet, directory=folder)
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, f'http://127.0.0.1:{server.server_address[1]}/index.html'


def frameclock_env(library, folder, frames):
    """The demo's environment for the frame clock library at `library`: 40 ms
    steps, the final pictures of `frames` written into `folder`, the end after
    the last of them; no sound."""
    return dict(LD_PRELOAD=library, FRAMECLOCK_DIR=folder, FRAMECLOCK_STEP_US='40000',
                FRAMECLOCK_FRAMES=','.join(map(str, frames)), FRAMECLOCK_QUIT=str(max(frames)),
                FSOUND_OUTPUT='null')


def final_frames(folder, frames):
    """The final pictures of `frames` that the frame clock wrote into `folder`,
    once what the clock read in those frames is checked, counted here on its
    own: 40 ms steps from 10^9 s (a fault in the clock that both sides of a
    comparison share would move them alike)."""
    with open(f'{folder}/frames.log') as f:
        read = {int(w[0]): (int(w[5]), int(w[6])) for w in map(str.split, f) if len(w) == 7}
    for n in frames:
        assert read.get(n) == (1000000000 + n // 25, n % 25 * 40000), \
            f'frame {n} of demo-linux read the clock as {read.get(n)}'
    return {n: Image.open(f'{folder}/frame-{n}-final.png').convert('RGB') for n in frames}


def linux_frames(native, source, frames, tmp, demo=None, cwd=None, launcher=()):
    """The Linux demo's final frames under the frame clock (40 ms steps), run
    from the repository root, where it finds the UFO in data/: the whole scene,
    which the page must show from its own archive alone. (Or another
    demo-linux, or from the folder cwd, or started through a launcher
    command.)"""
    env = dict(os.environ, **frameclock_env(f'{native}/tests/libframeclock.so', tmp, frames))
    subprocess.run([f'{source}/scripts/xvfb.sh', *launcher, demo or f'{native}/src/demo-linux'],
                   cwd=cwd or source,
                   env=env, check=True, timeout=120, stdout=subprocess.DEVNULL)
    return final_frames(tmp, frames)


def decode_png(url):
    return Image.open(io.BytesIO(base64.b64decode(url.split(',', 1)[1]))).convert('RGB')


def compare(a, b):
    """Share of pixels whose largest channel difference exceeds PIXEL_TOL."""
    diff = ImageChops.difference(a, b)
    bands = diff.split()
    worst = ImageChops.lighter(ImageChops.lighter(bands[0], bands[1]), bands[2])
    hist = worst.histogram()
    print(f'     largest channel difference {max(i for i in range(256) if hist[i])}, '
          f'pixels differing at all {sum(hist[1:]) / (a.width * a.height) * 100:.2f}%')
    return sum(hist[PIXEL_TOL + 1:]) / (a.width * a.height)


def reference_pcm(source, tmp):
    raw = f'{tmp}/tune.raw'
    subprocess.run(['oggdec', '-Q', '-R', '-b', '16', '-e', '0', '-s', '1', '-o', raw,
                    f'{source}/data/tune.ogg'], check=True)
    import array
    pcm = array.array('h')
    with open(raw, 'rb') as f:
        pcm.frombytes(f.read())
    return pcm


def track_position(pcm, got, near, span):
    """The frame of the reference track at which the recorded stereo run got
    begins, searched within span frames of near (the match nearest to it);
    None where it matches nowhere there."""
    n = len(got) // 2
    probe = [(k, got[k * 2], got[k * 2 + 1]) for k in range(0, n, 37)][:48]
    best = None
    for at in range(max(0, near - span), min(len(pcm) // 2 - n, near + span)):
        for k, left, right in probe:
            if abs(pcm[(at + k) * 2] - left) > 64 or abs(pcm[(at + k) * 2 + 1] - right) > 64:
                break
        else:
            if close_to(got, pcm[at * 2:(at + n) * 2]) and (best is None
                                                             or abs(at - near) < abs(best - near)):
                best = at
    return best


def close_to(got, want, tol=64):
    """Largest sample difference of two interleaved stereo runs (decoders differ slightly)."""
    n = min(len(got), len(want))
    return n > 0 and max(abs(got[i] - want[i]) for i in range(0, n, 7)) <= tol


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--web', required=True)
    ap.add_argument('--native')
    ap.add_argument('--source')
    ap.add_argument('--chromium', default='chromium-headless-shell')
    ap.add_argument('--fps', action='store_true')
    ap.add_argument('--restart-ms', type=int, help='the build\'s loop point of the track (ms)')
    a = ap.parse_args()
    if not a.fps and a.restart_ms is None:
        ap.error('the tests need --restart-ms')
    a.native = a.native and os.path.abspath(a.native)
    a.source = a.source and os.path.abspath(a.source)
    server, url = serve(a.web)
    slow_server = None
    browser = Browser(a.chromium)
    failures = []
    def check(ok, what):
        print(('ok   ' if ok else 'FAIL ') + what)
        if not ok:
            failures.append(what)
    try:
        if a.fps:
            s = browser.open(url)
            browser.click(s, 512, 384)
            r = browser.wait(s, 'window.quonTest.framesShown >= 300', 120)
            print(f'frame rate in headless Chromium (software WebGL, 1024x768): {r["fps"]:.1f} fps')
            return 0
        with tempfile.TemporaryDirectory() as tmp:
            # Frames against the Linux demo.
            want = linux_frames(a.native, a.source, [0, 30, 74], tmp)
            s = browser.open(url + '?step=40&stop=74&grab=0,30,74')
            r = browser.wait(s, 'window.quonTest.ended === "stop"')
            check(r['framesShown'] == 75, f'stop=74 stops after frame 74 ({r["framesShown"]} frames)')
            for n in (0, 30, 74):
                got = decode_png(r['frames'][str(n)]) if str(n) in r['frames'] else None
                share = compare(got, want[n]) if got else 1.0
                check(share <= SHARE_TOL, f'frame {n} matches the Linux frame '
                      f'({share * 100:.4f}% of pixels differ by more than {PIXEL_TOL})')
            # What the page's clock read in them, counted here on its own (the
            # Linux side's readings: linux_frames): 40 ms steps from 10^9 s.
            readings = {int(n): v for n, v in r['readings'].items()}
            check(readings == {0: 1000000000.0, 30: 1000000001.2, 74: 1000000002.96},
                  f'frames 0, 30 and 74 read the stepped clock at 10^9 s + 40 ms a frame '
                  f'({readings})')
            check(not r['notes'] and 'Error: Sound Init failed.' not in r['log']
                  and not browser.eval(s, OVERLAY_SHOWN),
                  'tests start at once, without the overlay, with sound')

            # The graphics context lost after frame 5 and given back after frame
            # 12 (WEBGL_lose_context): the clock goes on, and the frames after the
            # restore are the Linux demo's again.
            s = browser.open(url + '?step=40&stop=74&grab=30,74&lose=5,12')
            r = browser.wait(s, 'window.quonTest.ended === "stop"')
            check(r['contextLost'] == 1 and r['contextRestored'] == 1
                  and (r['restoredAfter'] or 99) < 30 and r['framesShown'] == 75,
                  f'a context lost after frame 5 is back {r["restoredAfter"]} frames in, and the '
                  f'loop runs on to frame 74')
            for n in (30, 74):
                got = decode_png(r['frames'][str(n)]) if str(n) in r['frames'] else None
                share = compare(got, want[n]) if got else 1.0
                check(share <= SHARE_TOL, f'frame {n} after the restore matches the Linux frame '
                      f'({share * 100:.4f}% of pixels differ by more than {PIXEL_TOL})')
            check(any('graphics were lost' in n for n in r['notes'])
                  and browser.eval(s, NOTE) == '',
                  'while the context is lost the page says so, once it is back no more')

            # The music that the audio graph plays: the first second, then the
            # loop, while the main thread spends SLOW_MS in every frame.
            pcm = reference_pcm(a.source, tmp)
            length = len(pcm) // 2
            # (The page's copy of what was played is read only at the end: handing
            # it over blocks the page's main thread.)
            s = browser.open(url + f'?step=40&tap=1&slow={SLOW_MS}')
            browser.wait(s, 'window.quonTest.tap && window.quonTest.tap.first.length >= 88200',
                         result='null')
            t0, f0 = browser.eval(s, CLOCK)
            seek = length * 1000 // RATE - 500
            browser.eval(s, f'window.quonSeekMusic({seek})')
            browser.wait(s, 'window.quonTest.tap.later.length >= 176400', result='null')
            t1, f1 = browser.eval(s, CLOCK)
            r = json.loads(browser.eval(s, 'JSON.stringify(window.quonTest)'))
            check(r['audio'] == 'running' and r['audioPath'] == 'worklet'
                  and close_to(r['tap']['first'], pcm[:RATE * 2]),
                  'the audio graph plays the track\'s first second (AudioWorklet)')
            later = r['tap']['later']
            frames_to_end = length - seek * RATE // 1000
            restart = a.restart_ms * RATE // 1000
            check(close_to(later[:frames_to_end * 2], pcm[seek * RATE // 1000 * 2:length * 2]),
                  'the graph plays the track up to its end')
            check(close_to(later[frames_to_end * 2:], pcm[restart * 2:(restart + RATE) * 2]),
                  f'past the end the graph plays the loop from {a.restart_ms} ms')
            per_frame = (t1 - t0) / max(f1 - f0, 1)
            check(per_frame >= SLOW_MS and r['tap']['gap'] == 0,
                  f'no gap in the sound ({r["tap"]["gap"]} frames of silence) while a frame '
                  f'takes {per_frame:.0f} ms')

            # Without AudioWorklet (a page on plain HTTP from another host) the
            # fallback plays the same.
            s = browser.open(url + '?step=40&tap=1&audio=script')
            r = browser.wait(s, 'window.quonTest.tap && window.quonTest.tap.first.length >= 88200',
                             result='JSON.stringify(window.quonTest)')
            r = json.loads(r)
            check(r['audioPath'] == 'script' and close_to(r['tap']['first'], pcm[:RATE * 2]),
                  'without AudioWorklet the graph plays the track\'s first second')

            # Sound with the picture, on the page's own clock: where the track
            # heard stands against the demo's clock after a start-up held for
            # LATE_MS between the music's start and its first mix, after the
            # audio context is suspended for 3 s, and after the main thread is
            # held for 3 s, past the worklet's 2 s lead, so that it runs dry.
            s = browser.open(url + f'?tap=1&late={LATE_MS}')
            browser.click(s, 512, 384)
            browser.wait(s, 'window.quonTest.tap && window.quonTest.tap.first.length >= 88200',
                         result='null')
            origin = browser.eval(s, 'performance.now() - Module._quonweb_clockMs()')

            def lag(after_ms, moved=None):
                """ms by which the music heard from after_ms on is behind the clock
                (once the page has moved the music for the reason moved)."""
                if moved:
                    try:
                        browser.wait(s, f'window.quonTest.resyncs.some(m => m.why === "{moved}")',
                                     30, 'null')
                    except RuntimeError:
                        return None
                browser.eval(s, f'window.quonTapWindow(performance.now() + {after_ms}, {RATE // 2})')
                w = browser.wait(s, f'window.quonTest.tap.window.pcm.length >= {RATE}', 30,
                                 'window.quonTest.tap.window')
                clock = (w['heardAt'] - origin) * RATE / 1000
                at = track_position(pcm, w['pcm'], int(clock), 5 * RATE)
                return None if at is None else (clock - at) * 1000 / RATE

            def within(ms):
                return ms is not None and abs(ms) <= SYNC_MS

            before = lag(200)
            browser.eval(s, 'audio.ctx.suspend()')
            time.sleep(3)
            browser.eval(s, 'audio.ctx.resume()')
            resumed = lag(300, 'resumed')
            browser.eval(s, 'new Promise((ok) => setTimeout(() => { const t = performance.now(); '
                         'while (performance.now() - t < 3000) {} ok(true); }, 0))')
            dry = lag(300, 'dry')
            # The frame rate that the page's window layer measures every 100
            # frames: 100 frames over the time between the two measurements, as
            # the page itself saw that time pass.
            browser.wait(s, 'window.quonTest.framesShown >= 200', 60, 'null')
            m = browser.eval(s, 'JSON.stringify(window.quonTest.meter)')
            m = {int(n): v for n, v in json.loads(m).items()}
            seen = 100000 / (m[199]['at'] - m[99]['at']) if 99 in m and 199 in m else 0
            check(seen > 0 and abs(m[199]['fps'] - seen) <= 0.01 * seen,
                  f'the page measures its frame rate ({m.get(199, {}).get("fps")} fps at frame '
                  f'199; {seen:.2f} fps seen by the page)')

            r = browser.wait(s, 'true', result='[window.quonTest.resyncs, window.quonTest.tap.gap, '
                             'window.quonTest.late]')
            print(f'     music behind the clock: {before} ms, after a 3 s suspension {resumed} ms, '
                  f'after running dry {dry} ms; moved: {r[0]}; starts heard late by {r[2]} ms')
            check(within(before) and r[0][:1] == [{'why': 'late', 'ms': r[0][0]['ms']}]
                  and r[2][0] >= LATE_MS,
                  f'after a start-up {r[2][0] if r[2] else None} ms late the music keeps to the '
                  f'picture ({before} ms)')
            check(within(resumed) and any(m['why'] == 'resumed' for m in r[0]),
                  f'after the audio context was suspended for 3 s the music goes on where the '
                  f'demo\'s clock stands ({resumed} ms)')
            check(within(dry) and any(m['why'] == 'dry' for m in r[0]) and r[1] > 0,
                  f'after the worklet ran dry ({r[1]} frames of silence) the music goes on where '
                  f'the demo\'s clock stands ({dry} ms)')

        # Loading, with quon.wasm trickling in: the poster at once, the progress
        # growing as the test sees it on the page to 90%, with the prompt.
        slow_server, slow_url = serve(a.web, slow={'quon.wasm'})
        s = browser.open(slow_url)
        seen = []
        poster_early = False
        t0 = time.time()
        while time.time() - t0 < 60:
            value, text, poster = browser.eval(s, f'[{PROGRESS}, {STATUS}, {POSTER_SHOWN}]')
            seen.append(value)
            poster_early = poster_early or (poster and value < 90)
            if value >= 90:
                break
            time.sleep(0.05)
        print(f'     progress seen: {seen}')
        check(poster_early, 'the poster shows while the module loads')
        check(all(a <= b for a, b in zip(seen, seen[1:])) and seen[-1] == 90 and
              len({v for v in seen if 0 < v < 90}) >= 4 and text.endswith('90%'),
              'the progress grows through the download to 90% and says so')
        # The overlay: nothing runs before the click; the picture runs after it.
        time.sleep(1.0)
        r = browser.wait(s, 'true')
        overlay = browser.eval(s, OVERLAY_SHOWN)
        check(overlay and r['framesShown'] == 0 and not r['started']
              and browser.eval(s, PROMPT) == 'Click to start',
              'without a click the overlay shows and nothing runs')
        browser.click(s, 512, 384)
        r = browser.wait(s, 'window.quonTest.framesShown >= 10')
        check(not browser.eval(s, OVERLAY_SHOWN) and not browser.eval(s, POSTER_SHOWN)
              and browser.eval(s, CANVAS_SHOWN) and r['progress'][-1] == 99,
              'a click starts the picture, whose first frame takes the overlay and poster away')
        # F and a double-click go fullscreen and back; Escape there only leaves it.
        def fullscreen(want):
            try:
                return browser.wait(s, ('' if want else '!') + FULLSCREEN, 10, 'true')
            except RuntimeError:
                return False
        browser.key(s, 'f', 70)
        f_on = fullscreen(True)
        # Held for a repeat slower than the switch: it switches once.
        browser.key(s, 'f', 70, repeats=1, every=0.8)
        time.sleep(0.8)
        f_held_off = browser.eval(s, '!' + FULLSCREEN)
        browser.key(s, 'f', 70)
        f_on = f_on and f_held_off and fullscreen(True)
        browser.key(s, 'Escape', 27)
        escape_off = fullscreen(False)
        time.sleep(0.3)
        escape_ran = browser.wait(s, 'true')['ended'] is None
        browser.click(s, 512, 384, 2)
        dbl_on = fullscreen(True)
        browser.key(s, 'f', 70)
        f_off = fullscreen(False)
        check(f_on and dbl_on and f_off,
              'F and a double-click turn fullscreen on and F off; a held F switches once')
        check(escape_off and escape_ran, 'Escape in fullscreen leaves it, the demo runs on')
        check(browser.eval(s, 'document.title') == 'quon', 'the page\'s title is "quon"')
        # A context that cannot be made again: the page says so, with a reload button.
        browser.eval(s, '''(() => {
            Module.quongl.setup = () => { throw new Error('refused'); };
            const ext = Module.quongl.gl.getExtension('WEBGL_lose_context');
            ext.loseContext();
            setTimeout(() => ext.restoreContext(), 100);
            return true; })()''')
        try:
            browser.wait(s, 'window.quonTest.notes.some(n => n.includes("not be restored"))', 20)
            failed_restore = browser.eval(s, RELOAD_BUTTON)
        except RuntimeError:
            failed_restore = False
        check(failed_restore, 'a context that cannot be restored: one line and a reload button')
        # Escape ends the loop and the sound, and the page says so.
        browser.key(s, 'Escape', 27)
        r = browser.wait(s, 'window.quonTest.ended !== null', 20)
        shown = r['framesShown']
        time.sleep(0.5)
        r2 = browser.wait(s, 'true')
        ctx = browser.eval(s, 'typeof audio === "object" && audio ? audio.ctx.state : "none"')
        check(r['ended'] == 'quit' and r2['framesShown'] == shown and ctx == 'closed'
              and any('has ended' in n for n in r2['notes']),
              'Escape stops the loop and the sound and says so')

        # Audio refused: said once on the page, the console error, the picture runs.
        s = browser.open(url + '?step=40&stop=20&audio=refuse')
        r = browser.wait(s, 'window.quonTest.ended === "stop"')
        check(r['audio'] == 'refused' and r['log'].count('Error: Sound Init failed.') == 1
              and len(r['notes']) == 1 and r['framesShown'] == 21,
              'refused audio: one note, "Error: Sound Init failed.", the demo runs silently')

        # A tap on a touch screen starts the demo, by its pointer events alone
        # (the click that the browser makes of it is held back here, as some
        # browsers do not send one).
        s = browser.open(url, 'addEventListener("click", (e) => e.stopImmediatePropagation(), true);',
                         touch=True)
        browser.wait(s, 'window.quonTest.progress.includes(90)', 30)
        browser.tap(s, 512, 384)
        try:
            r = browser.wait(s, 'window.quonTest.framesShown >= 1', 30)
        except RuntimeError:
            r = {'started': False}
        check(r['started'], 'a tap starts the demo on a touch screen')

        # What ends the page before the demo runs: one line each, the poster stays.
        for what, query, before, missing, want in (
                ('no WebAssembly', '', 'delete window.WebAssembly;', (), 'no-wasm'),
                ('no WebGL 2', '', 'delete window.WebGL2RenderingContext;', (), 'no-webgl'),
                ('WebGL 2 refused', '?step=40',
                 'HTMLCanvasElement.prototype.getContext = () => null;', (), 'no-webgl'),
                ('quon.wasm not found', '', None, {'quon.wasm'}, 'download'),
                ('quon.js not found', '', None, {'quon.js'}, 'download'),
                ('the loader not found', '', None, {'quon-load.js'}, 'download')):
            fail_server, fail_url = serve(a.web, missing=missing)
            s = browser.open(fail_url + query, before)
            try:
                r = browser.wait(s, 'window.quonTest.failure !== null', 30)
                note, progress_shown, reload = browser.eval(
                    s, f'[{NOTE}, {LOADING_SHOWN}, {RELOAD_BUTTON}]')
            except RuntimeError:
                r, note, progress_shown, reload = {'failure': None, 'notes': []}, '', True, False
            fail_server.shutdown()
            check(r['failure'] == want and len(r['notes']) == 1 and note.startswith(r['notes'][0])
                  and not progress_shown and reload == (want == 'download'),
                  f'{what}: the page says so in one line ("{note}")')
    finally:
        browser.close()
        server.shutdown()
        if slow_server:
            slow_server.shutdown()
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
