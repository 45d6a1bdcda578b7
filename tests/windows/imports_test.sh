#!/usr/bin/env bash
# The Windows program imports only system DLLs: zlib and the C++/GCC runtimes are linked in.
set -u
EXE=$1
[ -f "$EXE" ] || { echo "SKIP: $EXE not built"; exit 77; }
dlls=$(x86_64-w64-mingw32-objdump -p "$EXE" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u)
echo "imports:" $dlls
allowed=" GDI32.DLL GLU32.DLL KERNEL32.DLL MSVCRT.DLL OPENGL32.DLL USER32.DLL WINMM.DLL "
bad=0
for d in $dlls; do
  case "$allowed" in *" $d "*) ;; *) echo "FAIL: unexpected import $d"; bad=1 ;; esac
done
for need in OPENGL32.DLL GDI32.DLL USER32.DLL KERNEL32.DLL; do
  case " $(echo $dlls) " in *" $need "*) ;; *) echo "FAIL: missing import $need"; bad=1 ;; esac
done
x86_64-w64-mingw32-objdump -p "$EXE" | grep -q 'Subsystem\s*0*2\s*(Windows GUI)' \
  || { echo "FAIL: not a GUI-subsystem program"; bad=1; }
[ $bad -eq 0 ] && echo "PASS"
exit $bad
