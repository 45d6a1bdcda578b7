#!/usr/bin/python3
"""Loads the web build's page in headless Chromium (software WebGL) from a
local server on 127.0.0.1 and checks it: frames 0, 30 and 74 at 40 ms steps
against the Linux demo's frames under the frame clock, the music that the
page's audio graph plays (the first second, and past the end the loop from
the build's loop point, without a gap while every frame takes 150 ms; the first second
through the fallback without AudioWorklet), the click-to-start overlay,
fullscreen, Escape, and the silent path when audio is refused. With --fps it
only prints the frame rate seen in the browser."""
import argparse, base64, io, json, os, subprocess, sys, tempfile, threading, time
import functools, http.server
from PIL import Image, ImageChops

# Software WebGL against Mesa's llvmpipe: pixels whose largest channel
# difference exceeds PIXEL_TOL count as different; at most SHARE_TOL (0.1%) of the
# picture may differ (edges of triangles and of texture filtering).
PIXEL_TOL = 40
SHARE_TOL = 0.001
RATE = 44100
SLOW_MS = 150  # busy work after every frame in the sound test


class Browser:
    """One headless Chromium, driven through its DevTools pipe."""

    def __init__(self, chromium):
        r1, w1 = os.pipe()  # to the browser (its fd 3)
        r2, w2 = os.pipe()  # from the browser (its fd 4)
        def fds():
            os.dup2(r1, 3)
            os.dup2(w2, 4)
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

    def open(self, url):
        target = self.call('Target.createTarget', {'url': url})['targetId']
        session = self.call('Target.attachToTarget', {'targetId': target, 'flatten': True})['sessionId']
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

    def key(self, session, key, vk):
        for kind in ('keyDown', 'keyUp'):
            self.call('Input.dispatchKeyEvent', {'type': kind, 'key': key, 'code': key,
                                                 'windowsVirtualKeyCode': vk}, session)

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
# The page's clock and frame count, to measure the frame time.
CLOCK = '[performance.now(), window.quonTest.framesShown]'


def serve(folder):
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass
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
            check(not r['notes'] and 'Error: Sound Init failed.' not in r['log']
                  and not browser.eval(s, OVERLAY_SHOWN),
                  'tests start at once, without the overlay, with sound')

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

        # The overlay: nothing runs before the click; the picture runs after it.
        s = browser.open(url)
        r = browser.wait(s, 'window.quonTest && document.readyState === "complete"')
        time.sleep(1.0)
        r = browser.wait(s, 'true')
        overlay = browser.eval(s, OVERLAY_SHOWN)
        check(overlay and r['framesShown'] == 0 and not r['started'],
              'without a click the overlay shows and nothing runs')
        browser.click(s, 512, 384)
        r = browser.wait(s, 'window.quonTest.framesShown >= 10')
        check(not browser.eval(s, OVERLAY_SHOWN),
              'a click hides the overlay and starts the picture')
        # F and a double-click go fullscreen and back; Escape there only leaves it.
        def fullscreen(want):
            try:
                return browser.wait(s, ('' if want else '!') + FULLSCREEN, 10, 'true')
            except RuntimeError:
                return False
        browser.key(s, 'f', 70)
        f_on = fullscreen(True)
        browser.key(s, 'Escape', 27)
        escape_off = fullscreen(False)
        time.sleep(0.3)
        escape_ran = browser.wait(s, 'true')['ended'] is None
        browser.click(s, 512, 384, 2)
        dbl_on = fullscreen(True)
        browser.key(s, 'f', 70)
        f_off = fullscreen(False)
        check(f_on and dbl_on and f_off, 'F and a double-click turn fullscreen on and F off')
        check(escape_off and escape_ran, 'Escape in fullscreen leaves it, the demo runs on')
        check(browser.eval(s, 'document.title') == 'quon', 'the page\'s title is "quon"')
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
    finally:
        browser.close()
        server.shutdown()
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
