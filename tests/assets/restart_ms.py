#!/usr/bin/env python3
"""restart_ms.py PROGRAM

Prints the loop's restart position in milliseconds as the built program
demo-linux or demo-win32.exe holds it: the time argument that its end-of-stream
callback nextMus passes to FSOUND_Stream_SetTime, read from the program's
machine code (objdump). Status 1 when it cannot be read."""
import re
import subprocess
import sys

program = sys.argv[1]
with open(program, "rb") as f:
    pe = f.read(2) == b"MZ"
# The second integer argument: %esi in the System V calling convention, %edx on Windows.
reg = "edx" if pe else "esi"
objdump = "x86_64-w64-mingw32-objdump" if pe else "objdump"
out = subprocess.run([objdump, "-d", "--no-show-raw-insn",
                      "--disassemble=_Z7nextMusP13FSOUND_STREAMPviS1_", program],
                     capture_output=True, text=True, check=True).stdout
value = None
for line in out.splitlines():
    if re.search(rf"\bmov\s+\$0x([0-9a-f]+),%{reg}$", line):
        value = int(re.search(r"\$0x([0-9a-f]+)", line).group(1), 16)
    elif re.search(rf"\bxor\s+%{reg},%{reg}$", line):
        value = 0
    elif "FSOUND_Stream_SetTime" in line and "call" in line:
        if value is None:
            break
        print(value)
        sys.exit(0)
print(f"restart_ms: {program}: no constant time argument to FSOUND_Stream_SetTime in nextMus",
      file=sys.stderr)
sys.exit(1)
