#!/usr/bin/python3
"""The release that scripts/release.sh wrote into dist/, one artifact per run,
each unpacked into an empty folder outside the tree and run there:
  linux    the tarball's entries, dates and owners; the libraries and newest
           glibc version of demo-linux and of its launcher quon, and demo-linux's
           exported symbols (none of its C++ runtime); frame 30 under Xvfb of the
           launcher started from / (as a file manager would), and of demo-linux
           from its folder where the getrandom system call fails, against the
           same frame of demo-linux from the repository root
  deb      the Debian packages: their files, modes and owners, their
           dependencies against what their programs need, the sums; the quon
           package's launcher, unpacked, started from /: frame 30 as above
  windows  the zip's entries and dates, the program's PE time stamp; under Wine
           it shows the scene and ends on Escape (tests/windows/wine_demo_test.sh)
  web      the zip's entries and dates; the page served from a subfolder of a
           local server in headless Chromium, its frame 30 against the Linux one
  video    ffprobe: H.264 1024x768 at 60 fps and AAC, 72.45 s; its first frame
           shows the UFO
  distro   the tarball on a newer system (--suite, default trixie: Debian 13): a
           minimal root of it (scripts/debian-root.sh, cached in the build
           folder) with only the runtime packages that its README.txt names;
           there demo-linux finds every library, and its frame 30 under Xvfb
           is the whole scene. Needs root and Debian's package registry, takes
           minutes: skipped unless QUON_DISTRO=1 (CTest label distro)
The frames come from tests/web/page_test.py (the frame clock, the comparison)."""
import argparse, glob, json, os, re, shlex, shutil, subprocess, sys, tarfile, tempfile, time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', 'web'))
import page_test  # noqa: E402
from PIL import Image, ImageChops  # noqa: E402

# What demo-linux may need: OpenGL/GLX, GLU, X11, ALSA, zlib and glibc.
ALLOWED_LIBS = {'libGL.so.1', 'libGLX.so.0', 'libOpenGL.so.0', 'libGLU.so.1', 'libX11.so.6',
                'libasound.so.2', 'libz.so.1', 'libc.so.6', 'libm.so.6', 'libpthread.so.0',
                'libdl.so.2', 'ld-linux-x86-64.so.2'}
NEWEST_GLIBC = (2, 34)
# What the program itself may export: the linker's section markers and the C
# library's data it uses through copy relocations (stderr@GLIBC_2.2.5).
LINKER_SYMBOLS = {'_edata', '_end', '__bss_start', '_IO_stdin_used', '__data_start',
                  'data_start'}
MOST_EXPORTED = 8
FRAME = 30

failures = []


def check(ok, what):
    print(('ok   ' if ok else 'FAIL ') + what)
    if not ok:
        failures.append(what)
    return ok


def epoch(source):
    """The time every entry must carry: SOURCE_DATE_EPOCH, or the commit's time."""
    return int(os.environ.get('SOURCE_DATE_EPOCH') or subprocess.run(
        ['git', '-C', source, '-c', f'safe.directory={source}', 'log', '-1', '--format=%ct'],
        check=True, capture_output=True, text=True).stdout)


def unpack(path, source, into):
    """Unpacks the archive into the empty folder `into` and checks that it holds
    one folder named as the archive, every entry dated like the commit and, in a
    tarball, owned by 0/0. Returns the folder and its files' names."""
    top = re.sub(r'\.(tar\.gz|zip)$', '', os.path.basename(path))
    when = epoch(source)
    if path.endswith('.tar.gz'):
        with open(path, 'rb') as f:
            check(f.read(8)[4:8] == b'\0\0\0\0', 'the gzip header carries no time')
        with tarfile.open(path) as t:
            members = t.getmembers()
            check(all(m.uid == 0 and m.gid == 0 for m in members), 'every entry owned by 0/0')
            check(all(m.mtime == when for m in members),
                  f'every entry dated {when} ({sorted({m.mtime for m in members})})')
            names = [m.name for m in members if m.isfile()]
            t.extractall(into)
    else:
        with zipfile.ZipFile(path) as z:
            want = time.gmtime(when)[:5] + (time.gmtime(when).tm_sec // 2 * 2,)
            dates = {i.date_time for i in z.infolist()}
            check(dates == {want}, f'every entry dated {want} ({sorted(dates)})')
            names = z.namelist()
            z.extractall(into)
            for i in z.infolist():  # zipfile does not restore modes
                os.chmod(os.path.join(into, i.filename), (i.external_attr >> 16) & 0o777)
    check(all(n.startswith(top + '/') for n in names), f'one folder, {top}/')
    return os.path.join(into, top), {n[len(top) + 1:] for n in names}


_root_frames = {}


def root_frame(a, tmp):
    """Frame FRAME of the tree's demo-linux from the repository root (the whole
    scene), made once a run."""
    if tmp not in _root_frames:
        _root_frames[tmp] = page_test.linux_frames(a.native, a.source, [FRAME], tmp)[FRAME]
    return _root_frames[tmp]


def launcher_shows_scene(a, tmp, launcher, what):
    """Starts the launcher from / under the frame clock: its frame FRAME must be
    the whole scene, UFO included, as demo-linux shows it from the tree's root."""
    got = page_test.linux_frames(a.native, a.source, [FRAME], f'{tmp}/dist', demo=launcher,
                                 cwd='/')[FRAME]
    share = page_test.compare(got, root_frame(a, tmp))
    check(share <= page_test.SHARE_TOL, f'frame {FRAME} of {what} started from / is the whole '
          f'scene ({share * 100:.4f}% of pixels differ by more than {page_test.PIXEL_TOL})')


def test_linux(a, tmp):
    folder, files = unpack(f'{a.dist}/quon-{a.version}-linux-x86_64.tar.gz', a.source,
                           f'{tmp}/unpacked')
    check(files == {'quon', 'demo-linux', 'data/ufo.png', 'data/UFO-0.oia', 'README.txt'},
          f'quon, demo-linux, data/ufo.png, data/UFO-0.oia, README.txt ({sorted(files)})')
    for program in ('demo-linux', 'quon'):
        dyn = subprocess.run(['readelf', '-d', '-V', '-W', f'{folder}/{program}'],
                             capture_output=True, text=True).stdout
        needed = set(re.findall(r'\(NEEDED\).*\[(.*)\]', dyn))
        check(needed and needed <= ALLOWED_LIBS,
              f'{program} needs only OpenGL, GLU, X11, ALSA, zlib and glibc ({sorted(needed)})')
        glibc = max(tuple(map(int, v.split('.'))) for v in re.findall(r'GLIBC_(\d+\.\d+)', dyn))
        check(glibc <= NEWEST_GLIBC, f'its newest glibc version is 2.34 at most '
              f'(GLIBC_{".".join(map(str, glibc))})')
    demo = f'{folder}/demo-linux'
    syms = subprocess.run(['readelf', '--dyn-syms', '-W', demo], capture_output=True,
                          text=True).stdout
    exported = [f[7] for f in (line.split() for line in syms.splitlines())
                if len(f) >= 8 and f[0][:-1].isdigit() and f[6] != 'UND']
    runtime = [s for s in exported if s not in LINKER_SYMBOLS and '@' not in s]
    check(len(exported) <= MOST_EXPORTED and not runtime,
          f'demo-linux exports {len(exported)} symbols (at most {MOST_EXPORTED}), none of its '
          f'C++ runtime ({sorted(exported)[:12]})')
    # A file manager's double-click starts it from some folder other than its own.
    launcher_shows_scene(a, tmp, f'{folder}/quon', 'the launcher quon')

    # Where getrandom fails (an old kernel, a sandbox's filter), from its folder.
    got = page_test.linux_frames(a.native, a.source, [FRAME], f'{tmp}/dist', demo=demo,
                                 cwd=folder, launcher=(f'{a.native}/tests/no_getrandom',))[FRAME]
    share = page_test.compare(got, root_frame(a, tmp))
    check(share <= page_test.SHARE_TOL, f'frame {FRAME} of demo-linux from its folder where '
          f'getrandom fails is the whole scene ({share * 100:.4f}% of pixels differ by more '
          f'than {page_test.PIXEL_TOL})')


def deb(a, package):
    arch = subprocess.run(['dpkg', '--print-architecture'], capture_output=True,
                          text=True).stdout.strip()
    return f'{a.dist}/{package}_{a.version}_{arch}.deb'


def deb_entries(path):
    """{name: (mode, owner)} of the package's files and folders, names without './'."""
    listing = subprocess.run(['dpkg-deb', '-c', path], check=True, capture_output=True,
                             text=True).stdout
    entries = {}
    for line in listing.splitlines():
        mode, owner, _, _, _, name = line.split(None, 5)
        entries[name.removeprefix('./').rstrip('/')] = (mode, owner)
    entries.pop('', None)
    return entries


def needed_packages(program):
    """The Debian packages that hold the libraries the program needs (its NEEDED
    entries, found where the dynamic linker finds them)."""
    dyn = subprocess.run(['readelf', '-d', '-W', program], capture_output=True, text=True).stdout
    where = {}
    for line in subprocess.run(['ldconfig', '-p'], capture_output=True,
                               text=True).stdout.splitlines():
        m = re.match(r'\s*(\S+) \((libc6,x86-64)[^)]*\) => (\S+)', line)
        if m:
            where.setdefault(m.group(1), m.group(3))
    owners = set()
    for soname in re.findall(r'\(NEEDED\).*\[(.*)\]', dyn):
        path = where.get(soname)
        owner = path and subprocess.run(['dpkg-query', '-S', path], capture_output=True,
                                        text=True).stdout.split(':')[0]
        if not owner:  # a path the package lists through a link of /usr's merge
            real = path and os.path.realpath(path)
            owner = real and subprocess.run(['dpkg-query', '-S', real], capture_output=True,
                                            text=True).stdout.split(':')[0]
        check(bool(owner), f'{os.path.basename(program)}: a package holds {soname} ({path})')
        owners.add(owner)
    return owners


def depends(path):
    """The Depends field as a list of alternatives, each a set of package names."""
    field = subprocess.run(['dpkg-deb', '-f', path, 'Depends'], capture_output=True,
                           text=True).stdout.strip()
    return [{re.sub(r'\s*\(.*\)', '', alt).strip() for alt in dep.split('|')}
            for dep in field.split(',') if dep.strip()]


def test_deb(a, tmp):
    multiarch = subprocess.run(['dpkg-architecture', '-qDEB_HOST_MULTIARCH'],
                               capture_output=True, text=True).stdout.strip()
    app = a.app_id
    sizes = (16, 24, 32, 48, 64, 128, 256)
    doc = lambda p: {f'usr/share/doc/{p}/copyright', f'usr/share/doc/{p}/changelog.gz'}
    want = {
        'quon': {'usr/bin/quon', 'usr/libexec/quon/demo-linux', 'usr/share/quon/data/UFO-0.oia',
                 'usr/share/quon/data/ufo.png', f'usr/share/applications/{app}.desktop',
                 f'usr/share/metainfo/{app}.metainfo.xml', 'usr/share/man/man1/quon.1.gz'}
        | {f'usr/share/icons/hicolor/{n}x{n}/apps/{app}.png' for n in sizes} | doc('quon'),
        'quon-tools': {'usr/bin/qdar', 'usr/bin/demo-capture', 'usr/share/man/man1/qdar.1.gz',
                       'usr/share/man/man1/demo-capture.1.gz'} | doc('quon-tools'),
        'libquon-dev': {'usr/include/quon.h', f'usr/lib/{multiarch}/libquon.a',
                        f'usr/lib/{multiarch}/pkgconfig/quon.pc'}
        | {f'usr/lib/{multiarch}/cmake/quon/{f}.cmake'
           for f in ('quonConfig', 'quonConfigVersion', 'quonTargets', 'quonTargets-release')}
        | doc('libquon-dev'),
    }
    sums = subprocess.run(['sha256sum', '-c', '--ignore-missing', 'SHA256SUMS'], cwd=a.dist,
                          capture_output=True, text=True).stdout
    for package, files in want.items():
        path = deb(a, package)
        if not check(os.path.exists(path), f'{os.path.basename(path)} in dist/'):
            continue
        check(f'{os.path.basename(path)}: OK' in sums, f'SHA256SUMS holds {package}\'s sum')
        entries = deb_entries(path)
        names = {n for n, (mode, _) in entries.items() if not mode.startswith('d')}
        reference = {n for n in names if n.startswith('usr/share/doc/libquon-dev/html/')}
        if package == 'libquon-dev':
            check({'usr/share/doc/libquon-dev/html/index.html',
                   'usr/share/doc/libquon-dev/html/quon_8h.html'} <= reference,
                  f'{package}: the library\'s HTML reference ({len(reference)} files)')
        check(names - reference == files, f'{package}: its files (missing '
              f'{sorted(files - names)}, unexpected {sorted(names - reference - files)})')
        bad = sorted(f'{n} {m} {o}' for n, (m, o) in entries.items()
                     if o != 'root/root' or m != ('drwxr-xr-x' if m.startswith('d') else
                                                  '-rwxr-xr-x' if re.match(r'usr/(bin|libexec)/', n)
                                                  else '-rw-r--r--'))
        check(not bad, f'{package}: owned by root, modes 755 and 644 ({bad})')
        dx = f'{tmp}/{package}'
        subprocess.run(['dpkg-deb', '-x', path, dx], check=True)
        # Its dependencies are what its programs need, no more, no less.
        programs = [f'{dx}/{n}' for n in sorted(names) if re.match(r'usr/(bin|libexec)/', n)]
        owners = set().union(*(needed_packages(p) for p in programs)) if programs else set()
        deps = depends(path)
        if package == 'libquon-dev':
            # Its pkg-config file's and CMake package's dependencies: the packages
            # of the pkg-config modules quon.pc requires.
            with open(f'{dx}/usr/lib/{multiarch}/pkgconfig/quon.pc') as f:
                modules = re.search(r'^Requires:(.*)$', f.read(), re.M).group(1).split()
            for module in modules:
                pc = subprocess.run(['pkg-config', '--path', module], capture_output=True,
                                    text=True).stdout.strip()
                owners.add(subprocess.run(['dpkg-query', '-S', pc], capture_output=True,
                                          text=True).stdout.split(':')[0])
        unmet = sorted(o for o in owners if not any(o in alt for alt in deps))
        extra = sorted('|'.join(sorted(alt)) for alt in deps if not alt & owners)
        check(owners and not unmet and not extra, f'{package}: Depends is what it needs '
              f'(unmet {unmet}, not needed {extra}; needs {sorted(owners)})')
        if package == 'quon':
            for n in sizes:
                with Image.open(f'{dx}/usr/share/icons/hicolor/{n}x{n}/apps/{app}.png') as icon:
                    check(icon.size == (n, n) and icon.mode == 'RGBA',
                          f'the {n}x{n} icon is {n}x{n} RGBA ({icon.size} {icon.mode})')
            launcher_shows_scene(a, tmp, f'{dx}/usr/bin/quon', 'the packaged launcher')


def test_windows(a, tmp):
    folder, files = unpack(f'{a.dist}/quon-{a.version}-windows-x64.zip', a.source,
                           f'{tmp}/unpacked')
    check(files == {'demo-win32.exe', 'README.txt'}, f'demo-win32.exe, README.txt ({sorted(files)})')
    exe = f'{folder}/demo-win32.exe'
    with open(exe, 'rb') as f:
        pe = f.read(4096)
    at = int.from_bytes(pe[0x3c:0x40], 'little')
    stamp = int.from_bytes(pe[at + 8:at + 12], 'little') if pe[at:at + 4] == b'PE\0\0' else None
    check(stamp == 0, f'the PE header carries no link time ({stamp})')
    run = subprocess.run([f'{a.source}/scripts/xvfb.sh',
                          f'{a.source}/tests/windows/wine_demo_test.sh', exe, 'run'],
                         capture_output=True, text=True, timeout=240)
    print(run.stdout + run.stderr)
    check(run.returncode == 0, 'under Wine it shows the scene and ends on Escape')


def test_web(a, tmp):
    site = f'{tmp}/site'
    folder, files = unpack(f'{a.dist}/quon-{a.version}-web.zip', a.source, f'{site}/any/sub')
    check('index.html' in files, f'index.html ({sorted(files)})')
    # Served from a subfolder: any URL that is not relative misses.
    server, url = page_test.serve(site)
    url = url.replace('/index.html', '/' + os.path.relpath(folder, site) + '/index.html')
    browser = page_test.Browser(a.chromium)
    got = None
    try:
        s = browser.open(f'{url}?step=40&stop={FRAME}&grab={FRAME}')
        r = browser.wait(s, 'window.quonTest.ended === "stop"')
        got = page_test.decode_png(r['frames'][str(FRAME)]) if str(FRAME) in r['frames'] else None
    except RuntimeError as e:
        print(e)
    finally:
        browser.close()
        server.shutdown()
    check(got is not None, f'the page runs from {url}')
    if got is None:
        return
    share = page_test.compare(got, root_frame(a, tmp))
    check(share <= page_test.SHARE_TOL, f'frame {FRAME} from a subfolder is the whole scene '
          f'({share * 100:.4f}% of pixels differ by more than {page_test.PIXEL_TOL})')


def test_video(a, tmp):
    video = f'{a.dist}/quon-{a.version}.mp4'
    probe = json.loads(subprocess.run(
        ['ffprobe', '-v', 'error', '-show_entries', 'stream=codec_type,codec_name,width,height,'
         'r_frame_rate:format=duration', '-of', 'json', video], capture_output=True,
        text=True).stdout or '{}')
    streams = sorted((s['codec_type'], s['codec_name'], s.get('width'), s.get('height'),
                      s['r_frame_rate'] if s['codec_type'] == 'video' else None)
                     for s in probe.get('streams', []))
    check(streams == [('audio', 'aac', None, None, None), ('video', 'h264', 1024, 768, '60/1')],
          f'two streams: H.264 1024x768 at 60 fps, AAC ({streams})')
    duration = float(probe.get('format', {}).get('duration', 0))
    check(abs(duration - 72.45) < 0.05, f'72.45 s long ({duration} s)')
    # Its first frame against the Linux demo's from the root and from an empty
    # folder (no UFO): where the two differ, the video is nearer the first.
    subprocess.run(['ffmpeg', '-v', 'error', '-i', video, '-frames:v', '1', f'{tmp}/v.png'],
                   check=True)
    got = Image.open(f'{tmp}/v.png').convert('RGB')
    full = page_test.linux_frames(a.native, a.source, [0], f'{tmp}/full')[0]
    os.mkdir(f'{tmp}/bare/empty')
    bare = page_test.linux_frames(a.native, a.source, [0], f'{tmp}/bare',
                                  cwd=f'{tmp}/bare/empty')[0]
    ufo = ImageChops.difference(full, bare).convert('L').point(lambda v: 255 if v > 40 else 0)
    near_full = ImageChops.difference(got, full).convert('L')
    near_bare = ImageChops.difference(got, bare).convert('L')
    closer = ImageChops.multiply(ImageChops.subtract(near_bare, near_full).point(
        lambda v: 255 if v > 0 else 0), ufo)
    n, k = ufo.histogram()[255], closer.histogram()[255]
    check(n > 1000 and k >= 0.9 * n,
          f'its first frame shows the UFO ({k} of the {n} pixels it changes are nearer it)')


def in_root(root, script, **kw):
    """Runs the shell script in the root, as root, with its own /proc in a
    mount namespace of its own (gone with the script: nothing stays mounted)."""
    env = {'PATH': '/usr/sbin:/usr/bin:/sbin:/bin', 'LANG': 'C', 'HOME': '/root',
           'DEBIAN_FRONTEND': 'noninteractive'}
    env.update({k: v for k, v in os.environ.items() if k.lower().endswith('_proxy')})
    env.update(kw.pop('env', {}))
    return subprocess.run(kw.pop('prefix', []) +
                          ['unshare', '--mount', '--propagation', 'private', '--', 'chroot',
                           root, '/bin/sh', '-ec', 'mount -t proc proc /proc\n' + script],
                          env=env, text=True, **kw)


def test_distro(a, tmp):
    if os.environ.get('QUON_DISTRO') != '1':
        print('skipped: makes a Debian root from the network, minutes; set QUON_DISTRO=1')
        sys.exit(77)
    if os.geteuid() != 0 or not shutil.which('debootstrap'):
        print('skipped: needs root and debootstrap')
        sys.exit(77)
    # A fresh copy of the cached root: only what this run installs is in it.
    cache = f'{a.native}/distro/{a.suite}'
    subprocess.run([f'{a.source}/scripts/debian-root.sh', a.suite, cache], check=True)
    root = f'{tmp}/root'
    subprocess.run(['cp', '-a', '--reflink=auto', cache, root], check=True)
    print(in_root(root, 'head -n1 /etc/os-release; /lib/x86_64-linux-gnu/libc.so.6 | head -n1',
                  capture_output=True).stdout, end='')

    folder, _ = unpack(f'{a.dist}/quon-{a.version}-linux-x86_64.tar.gz', a.source, f'{root}/opt')
    inner = '/' + os.path.relpath(folder, root)
    with open(f'{folder}/README.txt') as f:
        said = re.search(r'^\s*Debian, Ubuntu:\s*sudo apt install (.+)$', f.read(), re.M)
    if not check(said, 'its README.txt names the Debian packages ("Debian, Ubuntu: sudo apt '
                 'install ...")'):
        return
    packages = said.group(1).split()
    # Only those and what they depend on; the downloads are kept beside the root.
    debs, archives = f'{cache}.apt', f'{root}/var/cache/apt/archives'
    os.makedirs(debs, exist_ok=True)
    for deb in glob.glob(f'{debs}/*.deb'):
        shutil.copy(deb, archives)
    run = in_root(root, 'apt-get -qq update\n'
                  'apt-get -y -qq -o Dpkg::Use-Pty=0 --no-install-recommends install ' + ' '.join(packages))
    for deb in glob.glob(f'{archives}/*.deb'):
        shutil.copy(deb, debs)
    if not check(run.returncode == 0, f'{a.suite} installs them: {" ".join(packages)}'):
        return
    # The root's ldd finds every library the program needs.
    run = in_root(root, f'ldd {inner}/demo-linux',
                  capture_output=True)
    print(run.stdout + run.stderr, end='')
    check(run.returncode == 0 and 'not found' not in run.stdout,
          'with those alone every library of demo-linux is found')

    # The frame clock library, and its own libraries that the root lacks (libpng)
    # taken from this machine, in a folder of their own.
    harness = f'{root}/opt/harness'
    os.makedirs(f'{harness}/frames')
    shutil.copy(f'{a.native}/tests/libframeclock.so', harness)
    lacking = re.findall(r'^\s*(\S+) => not found', in_root(
        root, 'ldd /opt/harness/libframeclock.so',
        capture_output=True).stdout, re.M)
    here = dict(re.findall(r'^\s*(\S+) => (/\S+)', subprocess.run(
        ['ldd', f'{a.native}/tests/libframeclock.so'], capture_output=True,
        text=True).stdout, re.M))
    for lib in lacking:
        shutil.copy(here[lib], harness)
    # Xvfb runs here; the program reaches it through its abstract socket (one
    # network namespace), so nothing of the X server is needed in the root.
    clock = page_test.frameclock_env('/opt/harness/libframeclock.so', '/opt/harness/frames',
                                     [FRAME])
    demo = ' '.join(['exec env', 'LD_LIBRARY_PATH=/opt/harness'] +
                    [f'{k}={shlex.quote(v)}' for k, v in clock.items()] + ['./demo-linux'])
    run = in_root(root, f'cd {inner}\n{demo}', prefix=[f'{a.source}/scripts/xvfb.sh'],
                  timeout=180)
    if not check(run.returncode == 0, f'demo-linux runs to frame {FRAME} in the root and ends '
                 f'(status {run.returncode})'):
        return
    got = page_test.final_frames(f'{harness}/frames', [FRAME])[FRAME]
    share = page_test.compare(got, root_frame(a, tmp))
    check(share <= page_test.SHARE_TOL, f'frame {FRAME} in {a.suite} is the whole scene '
          f'({share * 100:.4f}% of pixels differ by more than {page_test.PIXEL_TOL})')


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('artifact', choices=['linux', 'deb', 'windows', 'web', 'video', 'distro'])
    ap.add_argument('--dist', required=True)
    ap.add_argument('--version', required=True)
    ap.add_argument('--native', required=True)
    ap.add_argument('--source', required=True)
    ap.add_argument('--chromium', default='chromium-headless-shell')
    ap.add_argument('--suite', default='trixie')
    ap.add_argument('--app-id')
    a = ap.parse_args()
    a.dist, a.native, a.source = map(os.path.abspath, (a.dist, a.native, a.source))
    with tempfile.TemporaryDirectory(prefix='quon-release-') as tmp:  # outside the tree
        for d in ('dist', 'full', 'bare'):
            os.mkdir(f'{tmp}/{d}')
        globals()['test_' + a.artifact](a, tmp)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
