#!/usr/bin/python3
"""The Debian packages in dist/ (scripts/release.sh), checked as the ecosystem's
tools check them and installed as a user installs them (CTest label package:
slow and on the network, so not run by scripts/test.sh):
  lint      lintian on each package: no error, and no warning but those listed
            in ACCEPTED with their reasons; desktop-file-validate on the desktop
            entry, appstreamcli validate on the metainfo, man --warnings on
            every manual page; Doxygen on quon.h without a warning
  debian12  a clean Debian 12 root (scripts/debian-root.sh, kept in the build
            folder), Debian's registry as its sources: apt-get install of the
            three packages pulls only Debian's packages; the desktop entry's Exec
            line started from / under Xvfb shows frame 30 as demo-linux does from
            the repository root, UFO included; qdar and demo-capture run; a small
            consumer builds against libquon-dev with find_package(quon) and with
            pkg-config (tests/library/consumer); apt-get purge leaves none of the
            packages' files behind.
Needs root (debootstrap, chroot); exits 77 (skipped) without it."""
import argparse, os, re, shlex, shutil, subprocess, sys, tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, HERE)
import release_test  # noqa: E402
from release_test import check, deb, page_test, FRAME  # noqa: E402

PACKAGES = ('quon', 'quon-tools', 'libquon-dev')
SUITE = 'bookworm'
# Warnings of lintian that the packages keep, with the reason for each.
ACCEPTED = {
}


def run(cmd, **kw):
    kw.setdefault('capture_output', True)
    kw.setdefault('text', True)
    return subprocess.run(cmd, **kw)


def test_lint(a, tmp):
    debs = [deb(a, p) for p in PACKAGES]
    lint = run(['lintian', '--tag-display-limit', '0'] + debs)
    tags = [line for line in lint.stdout.splitlines() if re.match(r'[EW]: ', line)]
    print(lint.stdout)
    errors = [t for t in tags if t.startswith('E: ')]
    check(lint.returncode in (0, 2) and not errors and 'E: ' not in lint.stderr,
          f'lintian: no error ({errors or lint.stderr.strip()[-300:]})')
    warnings = [t for t in tags if t.startswith('W: ')]
    kept = [t for t in warnings if t.split()[2] in ACCEPTED]
    for t in kept:
        print(f'     kept: {t}: {ACCEPTED[t.split()[2]]}')
    check(len(kept) == len(warnings),
          f'lintian: no warning but the accepted ones ({sorted(set(warnings) - set(kept))})')

    root = f'{tmp}/quon'
    for path in debs:
        run(['dpkg-deb', '-x', path, root], check=True)
    app = f'{root}/usr/share/applications/{a.app_id}.desktop'
    v = run(['desktop-file-validate', app])
    check(v.returncode == 0 and not (v.stdout + v.stderr).strip(),
          f'desktop-file-validate: {os.path.basename(app)} ({(v.stdout + v.stderr).strip()})')
    meta = f'{root}/usr/share/metainfo/{a.app_id}.metainfo.xml'
    v = run(['appstreamcli', 'validate', '--no-net', '--explain', meta])
    check(v.returncode == 0, f'appstreamcli validate: {os.path.basename(meta)} '
          f'({(v.stdout + v.stderr).strip()})')
    pages = sorted(os.listdir(f'{root}/usr/share/man/man1'))
    check(pages == ['demo-capture.1.gz', 'qdar.1.gz', 'quon.1.gz'], f'manual pages: {pages}')
    for page in pages:
        for locale in ('C', 'C.UTF-8'):
            v = run(['man', '--warnings', '-l', f'{root}/usr/share/man/man1/{page}'],
                    env=dict(os.environ, LC_ALL=locale, MANWIDTH='80'))
            check(v.returncode == 0 and v.stdout.strip() and not v.stderr.strip(),
                  f'man --warnings -l {page} ({locale}): no warning ({v.stderr.strip()})')

    # The reference, made anew from the header with the build's settings.
    with open(f'{a.source}/docs/Doxyfile.in') as f:
        doxyfile = f.read()
    for key, value in (('PROJECT_VERSION', a.version), ('QUON_REFERENCE_DIR', f'{tmp}/reference'),
                       ('PROJECT_SOURCE_DIR', a.source)):
        doxyfile = doxyfile.replace(f'@{key}@', value)
    check('@' not in re.sub(r'#.*', '', doxyfile), 'the Doxyfile has every value filled in')
    with open(f'{tmp}/Doxyfile', 'w') as f:
        f.write(doxyfile)
    v = run(['doxygen', f'{tmp}/Doxyfile'])
    check(v.returncode == 0 and not v.stderr.strip() and
          os.path.exists(f'{tmp}/reference/html/index.html'),
          f'Doxygen: the reference from quon.h without a warning ({v.stderr.strip()[:2000]})')


class Root:
    """A copy of the cached clean root, and commands run in it as root, each in
    a mount namespace of its own: /proc and the bound host folders (at their own
    paths) vanish with the command, whatever happens to it."""

    def __init__(self, cached, where, cache):
        self.dir = where
        self.cache = cache
        run(['cp', '-a', cached, where], check=True)
        shutil.copy('/etc/resolv.conf', f'{where}/etc/resolv.conf')
        # The sources of an installed Debian 12: the release, its updates and security.
        mirror = os.environ.get('DEBIAN_MIRROR', 'http://deb.debian.org/debian')
        with open(f'{where}/etc/apt/sources.list', 'w') as f:
            f.write(f'deb {mirror} {SUITE} main\n'
                    f'deb {mirror} {SUITE}-updates main\n'
                    f'deb http://deb.debian.org/debian-security {SUITE}-security main\n')
        os.makedirs(cache, exist_ok=True)
        self.binds = set()  # where host folders are bound (paths in the root)

    def command(self, script, binds=()):
        """The host command that runs the shell script in the root."""
        mounts = [f'mount -t proc proc {self.dir}/proc',
                  f'mount --bind {self.cache} {self.dir}/var/cache/apt/archives']
        for b in list(binds) + ['/tmp/.X11-unix']:
            os.makedirs(f'{self.dir}{b}', exist_ok=True)
            self.binds.add(b.strip('/'))
            mounts.append(f'mount --bind {shlex.quote(b)} {shlex.quote(self.dir + b)}')
        inner = ('export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 '
                 'DEBIAN_FRONTEND=noninteractive; ' + script)
        outer = ' && '.join(mounts) + f' && exec chroot {self.dir} /bin/sh -c {shlex.quote(inner)}'
        return ['unshare', '--mount', '--propagation', 'private', '--fork', 'sh', '-c', outer]

    def sh(self, script, binds=(), timeout=1200):
        r = run(self.command(script, binds), timeout=timeout)
        if r.returncode:
            print(f'$ {script}\n{r.stdout[-3000:]}{r.stderr[-3000:]}')
        return r

    def files(self):
        """Every path in the root but what changes with any apt run (its lists,
        logs and caches, dpkg's database beside the packages' file lists)."""
        skip = {'proc', 'sys', 'dev', 'run', 'tmp', 'var/cache', 'var/log', 'var/lib/apt',
                'root'}
        found = set()
        for top, dirs, files in os.walk(self.dir):
            rel = os.path.relpath(top, self.dir)
            rel = '' if rel == '.' else rel
            dirs[:] = [d for d in dirs if os.path.join(rel, d) not in skip]
            if rel == 'var/lib/dpkg':
                dirs[:] = [d for d in dirs if d == 'info']
                files = []
            found.update(os.path.join(rel, n) for n in dirs + files)
        # The mount points made for the bound folders, and the folders above them.
        return {p for p in found
                if not any(b == p or b.startswith(p + '/') or p.startswith(b + '/')
                           for b in self.binds)}

    def remove(self):
        with open('/proc/self/mountinfo') as f:
            mounted = [line.split()[4] for line in f if line.split()[4].startswith(self.dir)]
        if check(not mounted, f'nothing is left mounted in the root ({mounted})'):
            run(['rm', '-rf', '--one-file-system', self.dir])


def exec_line(desktop):
    with open(desktop) as f:
        m = re.search(r'^Exec=(.*)$', f.read(), re.M)
    # Field codes (%f, %U, ...) stand for files and URLs; none are given here.
    return re.sub(r'\s*%[fFuUdDnNickvm]', '', m.group(1)).strip() if m else ''


def test_debian12(a, tmp):
    if os.geteuid() != 0:
        print('needs root (debootstrap, chroot): skipped')
        sys.exit(77)
    made = run([f'{a.source}/scripts/debian-root.sh', SUITE, f'{a.cache}/{SUITE}'],
               capture_output=False, timeout=1800)
    if not check(made.returncode == 0, f'a clean Debian 12 root in {a.cache}/{SUITE}'):
        return
    root = Root(f'{a.cache}/{SUITE}', f'{tmp}/root', f'{a.cache}/{SUITE}.apt-archives')
    try:
        debian12_in(a, tmp, root)
    finally:
        root.remove()


def debian12_in(a, tmp, root):
    work = f'{root.dir}/tmp/quon'
    os.makedirs(work)
    names = [os.path.basename(deb(a, p)) for p in PACKAGES]
    for p, n in zip(PACKAGES, names):
        shutil.copy(deb(a, p), f'{work}/{n}')
    local = ' '.join(f'./{n}' for n in names)
    r = root.sh('apt-get update -qq')
    if not check(r.returncode == 0, 'apt-get update from Debian\'s registry'):
        return

    # What the install would bring: every package from Debian's archive.
    r = root.sh(f'cd /tmp/quon && apt-get install -s {local}')
    plan = re.findall(r'^Inst (\S+) (?:\[\S+\] )?\((\S+) (.*?) \[', r.stdout, re.M)
    ours = sorted(n for n, _, origin in plan if n in PACKAGES)
    others = [(n, origin) for n, _, origin in plan if n not in PACKAGES]
    foreign = [f'{n} ({o})' for n, o in others if not re.match(r'Debian(-Security)?:12', o)]
    check(r.returncode == 0 and ours == sorted(PACKAGES) and others and not foreign,
          f'apt-get install {local} pulls only Debian\'s packages ({len(others)} of them; '
          f'foreign: {foreign}; ours: {ours})')
    # Those first, with what the test itself uses (the consumer's build tools,
    # libpng for the frame clock): the root as it is before the packages come.
    r = root.sh('apt-get install -y -qq ' + ' '.join(n for n, _ in others) +
                ' cmake make g++ pkg-config libpng16-16')
    if not check(r.returncode == 0, 'their dependencies install'):
        return
    before = root.files()
    r = root.sh(f'cd /tmp/quon && apt-get install -y {local}')
    check(r.returncode == 0 and re.search(r'\b0 upgraded, 3 newly installed, 0 to remove', r.stdout),
          f'apt-get install {local}: the three packages, nothing else '
          f'({(re.findall(r".* newly installed.*", r.stdout) or [r.stderr[-500:]])[0]})')
    status = root.sh("dpkg-query -W -f='${Package}:${db:Status-Abbrev}\\n' " + ' '.join(PACKAGES))
    states = sorted(line.strip() for line in status.stdout.splitlines())
    check(states == sorted(f'{p}:ii' for p in PACKAGES), f'installed: {states}')
    listed = root.sh('dpkg -L ' + ' '.join(PACKAGES)).stdout.split('\n')
    owned = {p.lstrip('/') for p in listed if p.startswith('/')}
    check(owned - before and (owned - before) <= root.files() - before,
          f'their {len(owned - before)} new paths are in the root')

    # The desktop entry's Exec line, started from / as a desktop starts it.
    line = exec_line(f'{root.dir}/usr/share/applications/{a.app_id}.desktop')
    check(line == 'quon', f'the desktop entry starts quon ({line!r})')
    runner = f'{tmp}/in-root.sh'
    frames = f'{tmp}/dist'
    with open(runner, 'w') as f:
        f.write('#!/bin/sh\nexec ' + ' '.join(shlex.quote(c) for c in root.command(
            f'cd / && exec {line}', binds=[f'{a.native}/tests', frames])) + '\n')
    os.chmod(runner, 0o755)
    got = page_test.linux_frames(a.native, a.source, [FRAME], frames, demo=runner)[FRAME]
    share = page_test.compare(got, release_test.root_frame(a, tmp))
    check(share <= page_test.SHARE_TOL, f'frame {FRAME} of the Exec line started from / in '
          f'the root is the whole scene ({share * 100:.4f}% of pixels differ by more than '
          f'{page_test.PIXEL_TOL})')

    # The tools, and a program built against the library: the consumer loads a
    # PNG from an archive that the installed qdar packs.
    r = root.sh('qdar --version')
    check(r.stdout == f'qdar {a.version}\n', f'qdar --version ({r.stdout.strip()})')
    r = root.sh('cd /tmp/quon && demo-capture --seconds 0.5 --size 320x240 short.mkv && '
                'test -s short.mkv')
    check(r.returncode == 0, f'demo-capture renders half a second ({r.stdout.strip()})')
    shutil.copytree(f'{a.source}/tests/library/consumer', f'{work}/consumer')
    r = root.sh('cd /tmp/quon && cp /usr/share/quon/data/ufo.png . && '
                'printf "data/ufo.png\\tufo.png\\n" >ufo.manifest && '
                'qdar pack ufo.qdar ufo.manifest && '
                'consumer/consume.sh consumer ufo.qdar data/ufo.png 256 256')
    check(r.returncode == 0 and r.stdout.count('data/ufo.png: 256x256') == 2,
          f'the consumer builds against libquon-dev with find_package(quon) and with '
          f'pkg-config ({r.stdout.strip()})')

    r = root.sh('apt-get purge -y -qq ' + ' '.join(PACKAGES))
    check(r.returncode == 0, 'apt-get purge of the three packages')
    after = root.files()
    left = sorted(after - before)
    gone = sorted(before - after)
    check(not left and not gone, f'purged, the root is as before the install (left behind: '
          f'{left[:20]}; gone: {gone[:20]})')
    check(not (owned - before) & after, 'none of the packages\' files remains')


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('check', choices=['lint', 'debian12'])
    ap.add_argument('--dist', required=True)
    ap.add_argument('--version', required=True)
    ap.add_argument('--native', required=True)
    ap.add_argument('--source', required=True)
    ap.add_argument('--app-id', required=True)
    ap.add_argument('--cache', help='the folder that keeps the clean root (debian12)')
    a = ap.parse_args()
    a.dist, a.native, a.source = map(os.path.abspath, (a.dist, a.native, a.source))
    a.cache = os.path.abspath(a.cache or f'{a.native}/debian-root')
    with tempfile.TemporaryDirectory(prefix='quon-package-') as tmp:  # outside the tree
        for d in ('dist', 'full', 'bare'):
            os.mkdir(f'{tmp}/{d}')
        globals()['test_' + a.check](a, tmp)
    return 1 if release_test.failures else 0


if __name__ == '__main__':
    sys.exit(main())
